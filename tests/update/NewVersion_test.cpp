// The start-up update check against a real HTTP server on 127.0.0.1: which answers show
// the dialog, what it says, and what the download, Abort and failures do.

#include "support/TempDir.h"
#include "ui/FakeServices.h"
#include "update/HttpClient.h"
#include "update/LoopbackServer.h"
#include "update/NewVersionCheck.h"
#include "update/NewVersionDialog.h"
#include "update/UpdateCheck.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QNetworkInterface>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace harrowdale {
namespace {

using namespace std::chrono_literals;
using update::TfrmNewVersion;

const QByteArray kVersionPath = "/download/version/harrowdale-version.html";
const QByteArray kChangesPath = "/download/version/harrowdale-changes.html";
const QByteArray kInstallerPath = "/download/harrowdale_amd64.deb";
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
        c.CheckDeadline = 1000ms;        // the program waits 10 s
        c.DownloadStallTimeout = 2000ms; // and 30 s
        if (Adjust)
            Adjust(c);
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

    /// Changes Config() for one test or case.
    std::function<void(update::TUpdateConfig&)> Adjust;
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
    // Pieces 200 ms apart, all in before the deadline.
    Server.Redirect(kVersionPath, "/moved/version");
    Server.Serve("/moved/version", {.Body = "23/22"});
    Server.Serve(kChangesPath, {.Body = "one\ntwo\nthree\n", .Pieces = 3, .PauseMs = 200});
    update::TNewVersionState state;
    ASSERT_TRUE(update::CheckForNewVersion(Config(), state));
    EXPECT_EQ(state.NewVersionMessage,
              "The new version 2.3 is available\n\nWhat's new:\none\ntwo\nthree\n");
}

TEST_F(UpdateCheck, AnswersPastTheDeadlineOrTheSizeCapShowNoDialog)
{
    // A version file of exactly `size` bytes: the line, then padding lines.
    auto versionFile = [](qsizetype size) {
        QByteArray body = "23/22\n";
        body += QByteArray(size - body.size(), 'x');
        return body;
    };
    struct Case
    {
        const char* What;
        test::THttpAnswer Version;
        bool Dialog;
    };
    const Case cases[] = {
        {"a trickle that never stops for long",
         {.Body = "23/22\n", .Pieces = 6, .PauseMs = 300},
         false},
        {"an endless chunked answer",
         {.Body = QByteArray(16 * 1024, 'x'), .Pieces = 1, .PauseMs = 1, .Endless = true},
         false},
        {"64 KiB", {.Body = versionFile(64 * 1024)}, true},
        {"64 KiB and one byte", {.Body = versionFile(64 * 1024 + 1)}, false},
        {"64 KiB and one byte, chunked",
         {.Body = versionFile(64 * 1024 + 1), .Chunked = true, .Pieces = 4},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        test::TLoopbackServer server;
        server.Serve(kVersionPath, c.Version);
        server.Serve(kChangesPath, {.Body = "x"});
        update::TUpdateConfig config = Config();
        config.Website = server.Url();
        update::TNewVersionState state;
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(update::CheckForNewVersion(config, state), c.Dialog);
        EXPECT_LT(clock.elapsed(), 3000) << "not bounded by the deadline";
    }
}

TEST_F(UpdateCheck, OneDeadlineCoversBothRequests)
{
    // Each answer takes 600 ms, within the deadline alone; the two together are not.
    Server.Serve(kVersionPath, {.Body = "23/22\n", .Pieces = 2, .PauseMs = 600});
    Server.Serve(kChangesPath, {.Body = "one\ntwo\n", .Pieces = 2, .PauseMs = 600});
    update::TNewVersionState state;
    EXPECT_FALSE(update::CheckForNewVersion(Config(), state));
    EXPECT_EQ(Server.Requested, (QList<QByteArray>{kVersionPath, kChangesPath}));

    // With room for both, the same answers show the dialog.
    update::TUpdateConfig roomy = Config();
    roomy.CheckDeadline = 3000ms;
    EXPECT_TRUE(update::CheckForNewVersion(roomy, state));
}

TEST_F(UpdateCheck, AnswerHeadsAreCapped)
{
    // Header lines of `n` names each.
    auto headers = [](int n) {
        QList<QByteArray> lines;
        for (int i = 0; i < n; ++i)
            lines << "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(20, 'v');
        return lines;
    };
    struct Case
    {
        const char* What;
        test::THttpAnswer Answer;
        QString Error; // "" when the answer is taken
    };
    const Case cases[] = {
        {"an endless header line",
         {.EndlessHead = "X-Endless: " + QByteArray(4096, 'a')},
         "A line of the answer's head is longer than 8192 bytes"},
        {"endless header lines",
         {.EndlessHead = "X-Again: a\r\n"},
         "The answer has more than 100 header lines"},
        {"endless long header lines",
         {.EndlessHead = "X-Again: " + QByteArray(8000, 'a') + "\r\n"},
         "The answer's head is longer than 65536 bytes"},
        {"a line at the cap", {.Body = "23/22", .Headers = {"X: " + QByteArray(8189, 'a')}}, ""},
        {"a line one byte longer",
         {.Body = "23/22", .Headers = {"X: " + QByteArray(8190, 'a')}},
         "A line of the answer's head is longer than 8192 bytes"},
        {"98 header lines (and Content-Length, Connection)",
         {.Body = "23/22", .Headers = headers(98)},
         ""},
        {"99 header lines",
         {.Body = "23/22", .Headers = headers(99)},
         "The answer has more than 100 header lines"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        test::TLoopbackServer server;
        server.Serve("/v", c.Answer);
        update::THttpOptions options;
        options.Deadline = 5000ms;
        update::THttpClient client(options);
        QString error;
        QElapsedTimer clock;
        clock.start();
        const std::optional<QByteArray> body = client.Get(server.Url().resolved(QUrl("/v")), error);
        EXPECT_EQ(error, c.Error);
        EXPECT_EQ(body.has_value(), c.Error.isEmpty());
        EXPECT_LT(clock.elapsed(), 2000) << "ended by the deadline, not by the cap";
    }
}

TEST(UpdateConfig, RedirectsGoOnlyToHttpsOrFromThisMachineToThisMachine)
{
    struct Case
    {
        const char* Configured;
        const char* Target;
        bool Allowed;
    };
    const Case cases[] = {
        {"https://harrowdale.example", "https://mirror.example/v.html", true},
        {"https://harrowdale.example", "http://mirror.example/v.html", false},
        {"https://harrowdale.example", "http://127.0.0.1:8080/v.html", false},
        {"http://127.0.0.1:8080", "http://127.0.0.1:9090/v.html", true},
        {"http://127.0.0.1:8080", "http://localhost/v.html", true},
        {"http://127.0.0.1:8080", "https://harrowdale.example/v.html", true},
        {"http://127.0.0.1:8080", "http://192.0.2.7/v.html", false},
        {"http://127.0.0.1:8080", "ftp://127.0.0.1/v.html", false},
        {"http://[::1]:8080", "http://[::1]:9090/v.html", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(update::IsAllowedRedirect(QUrl(QString::fromLatin1(c.Configured)),
                                            QUrl(QString::fromLatin1(c.Target))),
                  c.Allowed)
            << c.Configured << " -> " << c.Target;
}

// An address of this machine that is not a loopback address, if it has one.
std::optional<QHostAddress> OutwardAddress()
{
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() && !a.isLinkLocal())
            return a;
    return std::nullopt;
}

TEST_F(UpdateCheck, RedirectsArePoliced)
{
    // A chain of `hops` redirects on this machine ending at the version file.
    auto chain = [](test::TLoopbackServer& s, int hops) {
        QByteArray from = kVersionPath;
        for (int i = 1; i <= hops; ++i) {
            const QByteArray to = i == hops ? "/final" : "/hop" + QByteArray::number(i);
            s.Redirect(from, to);
            from = to;
        }
        s.Serve("/final", {.Body = "23/22"});
        s.Serve(kChangesPath, {.Body = "x"});
    };
    for (const auto& [hops, dialog] : {std::pair{10, true}, std::pair{11, false}}) {
        SCOPED_TRACE(hops);
        test::TLoopbackServer server;
        chain(server, hops);
        update::TUpdateConfig config = Config();
        config.Website = server.Url();
        update::TNewVersionState state;
        EXPECT_EQ(update::CheckForNewVersion(config, state), dialog);
    }

    const std::optional<QHostAddress> outward = OutwardAddress();
    if (!outward)
        GTEST_SKIP() << "this machine has no address but loopback to redirect to";
    test::TLoopbackServer elsewhere(*outward);
    elsewhere.Serve("/v", {.Body = "23/22"});
    Server.Redirect(kVersionPath, elsewhere.Url().toEncoded() + "/v");
    Server.Serve(kChangesPath, {.Body = "x"});
    update::TNewVersionState state;
    EXPECT_FALSE(update::CheckForNewVersion(Config(), state));
    EXPECT_TRUE(elsewhere.Requested.isEmpty()) << "plain HTTP to another machine was followed";
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

    const test::TempDir& Temp() const { return FTemp; }

    /// The installer the download saved: the one file in the one new folder of the
    /// temporary folder, with the folder's and the file's modes; "" when there is none.
    std::string Saved(mode_t* folderMode = nullptr, mode_t* fileMode = nullptr) const
    {
        std::string found;
        for (const QString& name : QDir(QString::fromStdString(FTemp.Path()))
                                       .entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const std::string folder = FTemp / name.toStdString();
            const std::string file = folder + "/harrowdale_amd64.deb";
            struct stat st
            {
            };
            if (!name.startsWith("harrowdale-") || ::lstat(file.c_str(), &st) != 0)
                continue;
            EXPECT_TRUE(found.empty()) << "more than one download folder";
            found = file;
            if (fileMode != nullptr)
                *fileMode = st.st_mode;
            if (folderMode != nullptr && ::lstat(folder.c_str(), &st) == 0)
                *folderMode = st.st_mode;
        }
        return found;
    }

    /// Folders a download made in the temporary folder, with or without a file.
    int DownloadFolders() const
    {
        return static_cast<int>(QDir(QString::fromStdString(FTemp.Path()))
                                    .entryList({QStringLiteral("harrowdale-*")}, QDir::Dirs)
                                    .size());
    }

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

TEST_F(UpdateDownload, SavesTheInstallerPrivatelyAndHandsItToTheDesktop)
{
    // What another user of the temporary folder may have planted under the names a
    // download could take: a link to a file of the user's, and an executable file.
    const std::string victim = Temp().MakeFile("victim.txt", 5);
    Temp().MakeLink(victim, "qel_update.exe");
    const std::string planted = Temp().MakeFile("harrowdale_amd64.deb", 3);
    ::chmod(planted.c_str(), 0755);
    Server.Serve(kInstallerPath, {.Body = Installer(), .Pieces = 8, .PauseMs = 20});

    EXPECT_FALSE(RunDownload()); // the program ends

    mode_t folderMode = 0;
    mode_t fileMode = 0;
    const std::string saved = Saved(&folderMode, &fileMode);
    ASSERT_FALSE(saved.empty());
    QFile file(QString::fromStdString(saved));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == Installer());
    EXPECT_TRUE(S_ISDIR(folderMode));
    EXPECT_EQ(folderMode & 07777, 0700u);
    EXPECT_TRUE(S_ISREG(fileMode));
    EXPECT_EQ(fileMode & 07777, 0600u);
    EXPECT_EQ(QFileInfo(QString::fromStdString(victim)).size(), 5);
    EXPECT_EQ(QFileInfo(QString::fromStdString(planted)).size(), 3);
    // Only the new file, the package, handed to the desktop's default application (its
    // package installer), never run.
    EXPECT_EQ(Log.Opened, std::vector<std::string>{saved});
    EXPECT_TRUE(saved.ends_with("/harrowdale_amd64.deb")) << saved;
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
    QFile saved(QString::fromStdString(Saved()));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == Installer());
    EXPECT_TRUE(std::all_of(Progress.begin(), Progress.end(), [](int v) { return v == 0; }))
        << "the bar moved to " << Progress.back();
    EXPECT_EQ(Log.Opened.size(), 1u);
}

TEST_F(UpdateDownload, FailuresShowTheBoxOpenTheWebsiteAndEndLeavingNoPartialFile)
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
    auto serve = [](test::THttpAnswer answer) {
        return [answer](test::TLoopbackServer& s) { s.Serve(kInstallerPath, answer); };
    };
    auto capAt32K = [](update::TUpdateConfig& c) { c.MaxInstallerBytes = 32 * 1024; };
    const QString tooLong = QStringLiteral("The answer is longer than 32768 bytes");
    struct Case
    {
        const char* What;
        std::function<void(test::TLoopbackServer&)> Set;
        std::function<void(TfrmNewVersion&)> OnProgress;
        QString Message;
        std::function<void(update::TUpdateConfig&)> Adjust = {};
    };
    const Case cases[] = {
        {"error status", [](test::TLoopbackServer&) {}, {}, QStringLiteral("HTTP 404 Not Found")},
        {"redirect loop",
         [](test::TLoopbackServer& s) {
             s.Redirect(kInstallerPath, "/loop");
             s.Redirect("/loop", kInstallerPath);
         },
         {},
         QStringLiteral("More than 10 redirects")},
        {"Abort", serve(stalling), midway([](TfrmNewVersion& d) { d.btCancel->click(); }),
         cancelled},
        {"close box during the download", serve(stalling),
         midway([](TfrmNewVersion& d) { d.close(); }), cancelled},
        {"stalled",
         serve(stalling),
         {},
         QStringLiteral("The transfer stalled: nothing came for 0.3 s"),
         [](update::TUpdateConfig& c) { c.DownloadStallTimeout = 300ms; }},
        {"longer than the cap",
         serve({.Body = Installer(), .Pieces = 4, .PauseMs = 20}),
         {},
         tooLong,
         capAt32K},
        {"longer than the cap, chunked",
         serve({.Body = Installer(), .Chunked = true, .Pieces = 4, .PauseMs = 20}),
         {},
         tooLong,
         capAt32K},
        {"endless",
         serve({.Body = Installer(), .PauseMs = 1, .Endless = true}),
         {},
         tooLong,
         capAt32K},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Log = {};
        Adjust = c.Adjust;
        Server.Serve(kInstallerPath, {.Status = 404, .Reason = "Not Found"});
        c.Set(Server);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(RunDownload(c.OnProgress));
        EXPECT_LT(clock.elapsed(), 4000) << "the download waited for the server";
        EXPECT_EQ(Log.Errors, QStringList{kFailed + c.Message});
        EXPECT_EQ(Log.WebPages, QStringList{"https://harrowdale.example"});
        EXPECT_TRUE(Log.Opened.empty());
        EXPECT_EQ(DownloadFolders(), 0) << "the partial download was left";
    }
}

TEST_F(UpdateDownload, RedirectsAreFollowedUnderTheCheckRules)
{
    // A mirror on this machine, two hops away: followed, and the file keeps its name.
    Server.Redirect(kInstallerPath, "/mirror");
    Server.Redirect("/mirror", "/mirror/pool/h.deb");
    Server.Serve("/mirror/pool/h.deb", {.Body = Installer(), .Pieces = 2, .PauseMs = 20});
    EXPECT_FALSE(RunDownload());
    const std::string saved = Saved();
    ASSERT_FALSE(saved.empty());
    QFile file(QString::fromStdString(saved));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == Installer());
    EXPECT_EQ(Log.Opened, std::vector<std::string>{saved});
    EXPECT_TRUE(Log.Errors.isEmpty()) << Log.Errors.join('|').toStdString();

    // A hop the check would not take is not taken here either (which hops those are is
    // UpdateConfig's test): another scheme, to a server that would answer it.
    test::TLoopbackServer elsewhere;
    elsewhere.Serve("/h.deb", {.Body = Installer()});
    QUrl target = elsewhere.Url().resolved(QUrl(QStringLiteral("/h.deb")));
    target.setScheme(QStringLiteral("ftp"));
    Server.Redirect(kInstallerPath, target.toEncoded());
    Log = {};
    ::unlink(saved.c_str());
    ::rmdir(QFileInfo(QString::fromStdString(saved)).path().toLocal8Bit().constData());
    EXPECT_FALSE(RunDownload());
    EXPECT_EQ(Log.Errors, QStringList{kFailed + "Redirect to " + target.toString() + " refused"});
    EXPECT_TRUE(elsewhere.Requested.isEmpty());
    EXPECT_EQ(DownloadFolders(), 0);
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
    EXPECT_EQ(normal.CheckDeadline, 10000ms);
    EXPECT_EQ(normal.MaxAnswerBytes, 64 * 1024);
    EXPECT_EQ(normal.DownloadStallTimeout, 30000ms);
    EXPECT_EQ(normal.MaxInstallerBytes, qint64(1) << 30);
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
