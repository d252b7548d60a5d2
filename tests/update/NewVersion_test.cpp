// The start-up update check against a real HTTP server on 127.0.0.1: which answers show
// the dialog, what it says, and what the download, Abort and failures do.

#include "support/TempDir.h"
#include "ui/FakeServices.h"
#include "update/LoopbackServer.h"
#include "update/NewVersionCheck.h"
#include "update/NewVersionDialog.h"
#include "update/UpdateCheck.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace harrowdale {
namespace {

using namespace std::chrono_literals;
using update::TfrmNewVersion;

const QByteArray kVersionPath = "/download/version/harrowdale-version.html";
const QByteArray kChangesPath = "/download/version/harrowdale-changes.html";
const QByteArray kInstallerPath = "/download/harrowdale.exe";
const QString kFailed = QStringLiteral("Failed to download update. Please download manually on "
                                       "website.\n\n");

/// What the dialog showed when it opened.
struct TShown
{
    QString Title;
    QString Message;
    QString UpdateCaption;
    QString CancelCaption;
    bool ProgressVisible = true;
};

class UpdateCheck : public ::testing::Test
{
protected:
    update::TUpdateConfig Config() const
    {
        update::TUpdateConfig c;
        c.Website = Server.Url();
        c.HomePage = QUrl(QStringLiteral("https://harrowdale.example"));
        c.ReadTimeout = 300ms; // the program waits 10 s
        return c;
    }

    void ServeVersion(const QByteArray& line, const QByteArray& changes = "Faster scans\n")
    {
        Server.Serve(kVersionPath, {.Body = line});
        Server.Serve(kChangesPath, {.Body = changes});
    }

    /// Runs the check; when the dialog opens, records it and hands it to `act`. Returns
    /// whether start-up goes on.
    bool Run(const std::function<void(TfrmNewVersion&)>& act = [](TfrmNewVersion& d) {
        d.btCancel->click();
    })
    {
        return update::RunUpdateCheck(
            Config(), *Services.Messages, *Services.Shell, [&](TfrmNewVersion& d) {
                d.show();
                Shown = TShown{d.windowTitle(), d.Label1->text(), d.btUpdateNow->text(),
                               d.btCancel->text(), d.ProgressBar1->isVisible()};
                act(d);
                EXPECT_FALSE(d.isVisible()) << "the dialog stayed open";
            });
    }

    test::TLoopbackServer Server;
    test::ServiceLog Log;
    ui::TUiServices Services = test::FakeServices(Log);
    std::optional<TShown> Shown;
};

TEST_F(UpdateCheck, VersionLineDecidesTheDialog)
{
    struct Case
    {
        QByteArray Line;
        std::optional<QString> Headline; // nullopt: no dialog
        bool Mandatory;
    };
    const QString optional23 = QStringLiteral("The new version 2.3 is available");
    const Case cases[] = {
        {"22/22", std::nullopt, false},
        {"23/22", optional23, false},
        {"23/23",
         QStringLiteral("This version of the software is out of date. You must download "
                        "the current version 2.3 to continue using the software."),
         true},
        {"30/25",
         QStringLiteral("This version of the software is out of date. You must download "
                        "the current version 3.0 to continue using the software."),
         true},
        {"105/22", QStringLiteral("The new version 10.5 is available"), false},
        {"\xEF\xBB\xBF"
         "23/22\r\n99/99\r\n",
         optional23, false}, // only the first line counts
        {"21/20", std::nullopt, false},
        {"2322", std::nullopt, false},
        {"2a/22", std::nullopt, false},
        {"23/2b", std::nullopt, false},
        {"23/", std::nullopt, false},
        {"", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line.toStdString());
        Shown.reset();
        Server.Requested.clear();
        ServeVersion(c.Line);
        const bool goesOn = Run();
        // Both files are always asked for, the version first.
        EXPECT_EQ(Server.Requested, (QList<QByteArray>{kVersionPath, kChangesPath}));
        if (!c.Headline) {
            EXPECT_FALSE(Shown.has_value());
            EXPECT_TRUE(goesOn);
            continue;
        }
        ASSERT_TRUE(Shown.has_value());
        EXPECT_EQ(Shown->Message, *c.Headline + "\n\nWhat's new:\nFaster scans\n");
        EXPECT_EQ(Shown->Title, " Harrowdale");
        EXPECT_EQ(Shown->UpdateCaption, "Update Now");
        EXPECT_EQ(Shown->CancelCaption, c.Mandatory ? "Exit" : "Skip");
        EXPECT_FALSE(Shown->ProgressVisible);
        EXPECT_EQ(goesOn, !c.Mandatory);
    }
    EXPECT_TRUE(Log.Errors.isEmpty());
    for (const QByteArray& agent : Server.UserAgents)
        EXPECT_EQ(agent, "Mozilla/4.0 (compatible; MyApp)");
}

TEST_F(UpdateCheck, CloseBoxAndEscapeActLikeTheCancelButton)
{
    const std::function<void(TfrmNewVersion&)> ways[] = {
        [](TfrmNewVersion& d) { d.close(); },
        [](TfrmNewVersion& d) { QTest::keyClick(&d, Qt::Key_Escape); },
    };
    for (const auto& way : ways) {
        ServeVersion("23/22");
        EXPECT_TRUE(Run(way));
        ServeVersion("23/23");
        EXPECT_FALSE(Run(way));
    }
}

TEST_F(UpdateCheck, ChangeListDropsEmptyLinesOnly)
{
    ServeVersion("23/22", "First\n\nSecond\r\n\r\n   \rThird\n\n");
    EXPECT_TRUE(Run());
    ASSERT_TRUE(Shown.has_value());
    EXPECT_EQ(Shown->Message,
              "The new version 2.3 is available\n\nWhat's new:\nFirst\nSecond\n   \nThird\n");
}

TEST_F(UpdateCheck, FailingAnswersShowNoDialog)
{
    struct Case
    {
        const char* What;
        std::function<void(test::TLoopbackServer&)> Set;
    };
    const Case cases[] = {
        {"missing version file", [](test::TLoopbackServer& s) { s.Serve(kChangesPath, {}); }},
        {"missing change list",
         [](test::TLoopbackServer& s) { s.Serve(kVersionPath, {.Body = "23/22"}); }},
        {"error status",
         [](test::TLoopbackServer& s) {
             s.Serve(kVersionPath,
                     {.Status = 500, .Reason = "Internal Server Error", .Body = "23/22"});
             s.Serve(kChangesPath, {.Body = "x"});
         }},
        {"redirect loop",
         [](test::TLoopbackServer& s) {
             s.Redirect(kVersionPath, "/loop");
             s.Redirect("/loop", kVersionPath);
             s.Serve(kChangesPath, {.Body = "x"});
         }},
        {"silent server",
         [](test::TLoopbackServer& s) {
             s.Serve(kVersionPath, {.Silent = true});
             s.Serve(kChangesPath, {.Body = "x"});
         }},
        {"stalled change list",
         [](test::TLoopbackServer& s) {
             s.Serve(kVersionPath, {.Body = "23/22"});
             s.Serve(kChangesPath, {.Body = "one\ntwo\n", .Pieces = 2, .PauseMs = 2000});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        test::TLoopbackServer server;
        c.Set(server);
        update::TUpdateConfig config = Config();
        config.Website = server.Url();
        update::TNewVersionState state;
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(update::CheckForNewVersion(config, state));
        EXPECT_LT(clock.elapsed(), 5000) << "not bounded by the read time-out";
        EXPECT_FALSE(state.MustExit);
    }
}

TEST_F(UpdateCheck, SwitchedOffCheckAsksNothing)
{
    ServeVersion("23/23"); // a mandatory update the program would otherwise insist on
    update::TUpdateConfig config = Config();
    config.Enabled = false;
    EXPECT_TRUE(update::RunUpdateCheck(config, *Services.Messages, *Services.Shell,
                                       [this](TfrmNewVersion&) { Shown = TShown{}; }));
    EXPECT_FALSE(Shown.has_value());
    EXPECT_TRUE(Server.Requested.isEmpty()) << Server.Requested.join(' ').toStdString();
}

TEST_F(UpdateCheck, UnreachableServerStartsNormally)
{
    update::TUpdateConfig config = Config();
    config.Website = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(test::ClosedLoopbackPort()));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(update::RunUpdateCheck(config, *Services.Messages, *Services.Shell,
                                       [this](TfrmNewVersion&) { Shown = TShown{}; }));
    EXPECT_FALSE(Shown.has_value());
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(UpdateCheck, SlowButSteadyAnswersAndShortRedirectsAreFollowed)
{
    // Pieces 200 ms apart take longer than the 300 ms time-out in all, but the server is
    // never silent that long.
    Server.Redirect(kVersionPath, "/moved/version");
    Server.Serve("/moved/version", {.Body = "23/22"});
    Server.Serve(kChangesPath, {.Body = "one\ntwo\nthree\n", .Pieces = 3, .PauseMs = 200});
    update::TNewVersionState state;
    ASSERT_TRUE(update::CheckForNewVersion(Config(), state));
    EXPECT_EQ(state.NewVersionMessage,
              "The new version 2.3 is available\n\nWhat's new:\none\ntwo\nthree\n");
}

// The download, as the user starts it with "Update Now".
class UpdateDownload : public UpdateCheck
{
protected:
    void SetUp() override
    {
        FOldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(FTemp.Path()));
        ServeVersion("23/22");
    }
    void TearDown() override
    {
        if (FOldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", FOldTmp);
    }

    QString Target() const { return QString::fromStdString(FTemp / "qel_update.exe"); }

    /// Presses "Update Now" and records the bar and the buttons at every step of progress.
    bool RunDownload(const std::function<void(TfrmNewVersion&)>& onProgress = {})
    {
        return Run([&](TfrmNewVersion& d) {
            QObject::connect(d.ProgressBar1, &QProgressBar::valueChanged, &d, [&](int v) {
                Progress << v;
                DuringDownload = {d.btCancel->text(), d.btUpdateNow->isEnabled(),
                                  d.ProgressBar1->isVisible()};
                if (onProgress)
                    onProgress(d);
            });
            d.btUpdateNow->click();
        });
    }

    struct TButtons
    {
        QString Cancel;
        bool UpdateEnabled = true;
        bool BarVisible = false;
    };

    QList<int> Progress;
    TButtons DuringDownload;

private:
    test::TempDir FTemp;
    QByteArray FOldTmp;
};

QByteArray Installer()
{
    QByteArray body(64 * 1024, '\0');
    for (qsizetype i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 7 % 251);
    return body;
}

TEST_F(UpdateDownload, SavesTheInstallerAndHandsItToTheDesktop)
{
    {
        QFile old(Target()); // an older, larger download is replaced, not appended to
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(200 * 1024, 'x'));
    }
    Server.Serve(kInstallerPath, {.Body = Installer(), .Pieces = 8, .PauseMs = 20});

    EXPECT_FALSE(RunDownload()); // the program ends

    QFile saved(Target());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == Installer());
    EXPECT_EQ(Log.Opened, std::vector<std::string>{Target().toStdString()});
    EXPECT_TRUE(Log.Errors.isEmpty()) << Log.Errors.join('|').toStdString();
    EXPECT_TRUE(Log.WebPages.isEmpty());
    EXPECT_EQ(DuringDownload.Cancel, "Abort");
    EXPECT_FALSE(DuringDownload.UpdateEnabled);
    EXPECT_TRUE(DuringDownload.BarVisible);
    ASSERT_FALSE(Progress.isEmpty());
    EXPECT_TRUE(std::is_sorted(Progress.begin(), Progress.end()));
    EXPECT_GT(Progress.size(), 2) << "progress came only at the end";
    EXPECT_EQ(Progress.back(), 100);
}

TEST_F(UpdateDownload, ChunkedAnswerKeepsTheBarStill)
{
    Server.Serve(kInstallerPath,
                 {.Body = Installer(), .Chunked = true, .Pieces = 4, .PauseMs = 20});
    EXPECT_FALSE(RunDownload());
    QFile saved(Target());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == Installer());
    EXPECT_TRUE(std::all_of(Progress.begin(), Progress.end(), [](int v) { return v == 0; }))
        << "the bar moved to " << Progress.back();
    EXPECT_EQ(Log.Opened.size(), 1u);
}

TEST_F(UpdateDownload, FailuresShowTheBoxOpenTheWebsiteAndEnd)
{
    const QString cancelled = QStringLiteral("Download is cancelled. Please download manually.");
    // The rest of the installer would come only after the test's patience has run out.
    const test::THttpAnswer stalling{.Body = Installer(), .Pieces = 2, .PauseMs = 5000};
    // Acts once, when part of the installer has arrived.
    auto midway = [](std::function<void(TfrmNewVersion&)> f) {
        auto done = std::make_shared<bool>(false);
        return [f, done](TfrmNewVersion& d) {
            if (*done || d.ProgressBar1->value() == 0)
                return;
            *done = true;
            QTimer::singleShot(0, &d, [&d, f] { f(d); });
        };
    };
    struct Case
    {
        const char* What;
        std::function<void(test::TLoopbackServer&)> Set;
        std::function<void(TfrmNewVersion&)> OnProgress;
        QString Message;
    };
    const Case cases[] = {
        {"error status", [](test::TLoopbackServer&) {}, {}, QStringLiteral("HTTP 404 Not Found")},
        {"redirect",
         [](test::TLoopbackServer& s) { s.Redirect(kInstallerPath, "/elsewhere.exe"); },
         {},
         QStringLiteral("HTTP 302 Found (redirected to %1/elsewhere.exe, not followed)")
             .arg(Server.Url().toString())},
        {"Abort", [&](test::TLoopbackServer& s) { s.Serve(kInstallerPath, stalling); },
         midway([](TfrmNewVersion& d) { d.btCancel->click(); }), cancelled},
        {"close box during the download",
         [&](test::TLoopbackServer& s) { s.Serve(kInstallerPath, stalling); },
         midway([](TfrmNewVersion& d) { d.close(); }), cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Log = {};
        Server.Serve(kInstallerPath, {.Status = 404, .Reason = "Not Found"});
        c.Set(Server);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(RunDownload(c.OnProgress));
        EXPECT_LT(clock.elapsed(), 4000) << "Abort waited for the server";
        EXPECT_EQ(Log.Errors, QStringList{kFailed + c.Message});
        EXPECT_EQ(Log.WebPages, QStringList{"https://harrowdale.example"});
        EXPECT_TRUE(Log.Opened.empty());
    }
}

TEST(UpdateConfig, OnlyHttpsOrThisMachineIsTrusted)
{
    const std::pair<const char*, bool> cases[] = {
        {"https://harrowdale.example", true},
        {"https://harrowdale.example/sub/", true},
        {"http://127.0.0.1:8080", true},
        {"http://localhost:8080", true},
        {"http://[::1]:8080", true},
        {"http://harrowdale.example", false},
        {"http://127.0.0.1.harrowdale.example", false},
        {"ftp://127.0.0.1", false},
        {"", false},
    };
    for (const auto& [url, trusted] : cases)
        EXPECT_EQ(update::IsTrustedUpdateUrl(QUrl(QString::fromLatin1(url))), trusted) << url;
}

TEST(UpdateConfig, WebsiteIsTheBuildSettingUnlessOverridden)
{
    const QByteArray old = qgetenv("HARROWDALE_UPDATE_URL");
    qunsetenv("HARROWDALE_UPDATE_URL");
    const update::TUpdateConfig normal = update::DefaultUpdateConfig();
    EXPECT_EQ(normal.Website, QUrl(QStringLiteral(HARROWDALE_WEBSITE)));
    EXPECT_EQ(normal.HomePage, normal.Website);
    EXPECT_EQ(normal.ReadTimeout, 10000ms);
    qputenv("HARROWDALE_UPDATE_URL", "http://127.0.0.1:4567/site");
    const update::TUpdateConfig local = update::DefaultUpdateConfig();
    EXPECT_EQ(local.Website, QUrl(QStringLiteral("http://127.0.0.1:4567/site")));
    EXPECT_EQ(local.HomePage, normal.HomePage);
    EXPECT_EQ(update::EndpointUrl(local, "/download/harrowdale.exe"),
              QUrl(QStringLiteral("http://127.0.0.1:4567/site/download/harrowdale.exe")));
    if (old.isNull())
        qunsetenv("HARROWDALE_UPDATE_URL");
    else
        qputenv("HARROWDALE_UPDATE_URL", old);
}

} // namespace
} // namespace harrowdale
