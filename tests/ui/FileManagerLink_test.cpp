// The file manager reached over a private D-Bus session bus, with a fake file manager on
// it that answers, takes calls and never answers, or is not there at all.

#include "support/TempDir.h"
#include "ui/FileManagerLink.h"
#include "ui/Services.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

class FakeFileManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    bool Answers = true;
    QStringList Methods;
    QList<QStringList> Uris;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { Take("ShowItems", uris); }
    void ShowItemProperties(const QStringList& uris, const QString&)
    {
        Take("ShowItemProperties", uris);
    }

private:
    void Take(const QString& method, const QStringList& uris)
    {
        Methods << method;
        Uris << uris;
        if (!Answers)
            setDelayedReply(true); // and never reply
    }
};

// A bus of our own: no service files, so nothing real is ever started on it.
class PrivateBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        const std::string config = FDir / "bus.conf";
        test::WriteFileBytes(config,
                             "<busconfig><type>session</type><listen>unix:dir=" + FDir.Path() +
                                 "</listen><auth>EXTERNAL</auth>"
                                 "<policy context=\"default\"><allow send_destination=\"*\"/>"
                                 "<allow receive_sender=\"*\"/><allow own=\"*\"/>"
                                 "</policy></busconfig>");
        FDaemon.setStandardErrorFile(QProcess::nullDevice());
        FDaemon.start(daemon, {QStringLiteral("--config-file=") + QFile::decodeName(config.c_str()),
                               QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(FDaemon.waitForStarted(5000));
        QElapsedTimer t;
        t.start();
        while (!FDaemon.canReadLine() && t.elapsed() < 5000)
            FDaemon.waitForReadyRead(100);
        const QString address = QString::fromUtf8(FDaemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        Client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("harrowdale-client")));
        Service = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("harrowdale-file-manager")));
        ASSERT_TRUE(Client->isConnected());
        ASSERT_TRUE(Service->isConnected());
    }
    void TearDown() override
    {
        Client.reset();
        Service.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("harrowdale-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("harrowdale-file-manager"));
        if (FDaemon.state() != QProcess::NotRunning) {
            FDaemon.terminate();
            FDaemon.waitForFinished(5000);
        }
    }
    void Offer(FakeFileManager& fm)
    {
        ASSERT_TRUE(Service->registerService(QStringLiteral("org.freedesktop.FileManager1")));
        ASSERT_TRUE(Service->registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fm,
                                            QDBusConnection::ExportAllSlots));
    }

    std::unique_ptr<QDBusConnection> Client, Service;

private:
    test::TempDir FDir;
    QProcess FDaemon;
};

TEST_F(PrivateBus, CallsNeverWaitAndFallBackOncePerFolder)
{
    enum class Mode
    {
        Answers,
        NeverAnswers,
        Absent,
    };
    struct Case
    {
        const char* Name;
        Mode FileManager;
        bool Properties;
    };
    const Case cases[] = {
        {"answers", Mode::Answers, false},
        {"answers properties", Mode::Answers, true},
        {"never answers", Mode::NeverAnswers, false},
        {"never answers properties", Mode::NeverAnswers, true},
        {"absent", Mode::Absent, false},
    };
    const std::vector<std::string> paths = {"/d1/a", "/d1/b\n", "/d2/c", "/d1/sub/e", "/top"};
    const std::vector<std::string> parents = {"/d1", "/d2", "/d1/sub", "/"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeFileManager fm;
        fm.Answers = c.FileManager == Mode::Answers;
        if (c.FileManager != Mode::Absent)
            Offer(fm);
        std::vector<std::string> opened;
        ui::TFileManagerLink link(*Client,
                                  [&](const std::string& folder) { opened.push_back(folder); });
        link.SetTimeout(300);
        if (c.Properties)
            link.ShowItemProperties(paths);
        else
            link.ShowItems(paths);
        // Back before the file manager, which runs on this very thread, has even seen
        // the call: nothing waited for it.
        EXPECT_TRUE(fm.Methods.isEmpty());
        EXPECT_TRUE(opened.empty());

        if (c.FileManager == Mode::Answers) {
            QTRY_COMPARE_WITH_TIMEOUT(fm.Methods.size(), 1, 5000);
            QTest::qWait(400); // past the time-out: the answer came, nothing falls back
            EXPECT_TRUE(opened.empty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(opened.size(), parents.size(), 5000);
            QTest::qWait(100);
            EXPECT_EQ(opened, parents);
        }
        if (c.FileManager != Mode::Absent) {
            ASSERT_EQ(fm.Methods.size(), 1);
            EXPECT_EQ(fm.Methods[0], c.Properties ? "ShowItemProperties" : "ShowItems");
            ASSERT_EQ(fm.Uris[0].size(), 5);
            EXPECT_EQ(fm.Uris[0][1], ui::FileUri("/d1/b\n"));
            Service->unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
            Service->unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        }
    }
}

} // namespace
} // namespace harrowdale

#include "FileManagerLink_test.moc"
