// File > "Scan Remote Folder...": the scan arrives through ssh and is shown as an opened
// scan file named by host and folder; a failure says why in one line and keeps the result
// shown. The ssh here is a stand-in that runs the remote command on this machine, with
// harrowdale-scan on its PATH: everything but the connection is the real thing.

#include "support/TempDir.h"
#include "ui/RemoteFolders.h"
#include "ui/ScratchSettings.h"
#include "ui/WindowDriver.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace harrowdale {
namespace {

using test::WindowDriver;
using ui::TCommand;

/// Puts a stand-in ssh first on PATH for the life of the object: host "down" cannot be
/// reached, any other host runs the remote command (the last argument) here.
class FakeSsh
{
public:
    FakeSsh() : FOldPath(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        const std::string bin = FDir.MakeDir("bin");
        test::WriteFileBytes(bin + "/ssh",
                             "#!/bin/sh\n"
                             "for a; do last=$a; case $a in down) echo \"ssh: Could not resolve "
                             "hostname down: Name or service not known\" >&2; exit 255;; esac; "
                             "done\n"
                             "exec /bin/sh -c \"$last\"\n");
        std::filesystem::permissions(bin + "/ssh", std::filesystem::perms::owner_all);
        std::filesystem::create_symlink(HARROWDALE_SCAN_BIN, bin + "/harrowdale-scan");
        ::setenv("PATH", (bin + ":" + FOldPath).c_str(), 1);
    }
    ~FakeSsh() { ::setenv("PATH", FOldPath.c_str(), 1); }

private:
    test::TempDir FDir;
    std::string FOldPath;
};

class RemoteScanWindow : public test::ScratchSettings
{
};

TEST_F(RemoteScanWindow, AFolderOfAnotherMachineIsShownAsAnOpenedScanFile)
{
    FakeSsh ssh;
    test::TempDir t;
    t.MakeDir("data/sub");
    t.MakeFile("data/a.bin", 3000);
    t.MakeFile("data/sub/b.txt", 500);
    WindowDriver w({1000, 700});
    w.Log.PickedRemote = ui::TRemoteFolderChoice{"nas", t / "data"};
    w.Trigger(TCommand::ScanRemoteFolder);
    ASSERT_TRUE(w.WaitIdle());
    ASSERT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    ASSERT_NE(w.Root(), nullptr);
    EXPECT_EQ(w.Root()->FullPath(), t / "data");
    EXPECT_EQ(w.Root()->TotalSize(), 3500);
    EXPECT_EQ(w.Status(), QString::fromStdString("nas:" + t / "data" +
                                                 ": Done. Total files: 2   Total size: 3.4 KB"));
    EXPECT_TRUE(w.Win.windowTitle().startsWith(QString::fromStdString("nas:" + t / "data") +
                                               " - Harrowdale "))
        << w.Win.windowTitle().toStdString();
    EXPECT_FALSE(w.Action(TCommand::RescanFolder)->isEnabled());
    EXPECT_EQ(ui::RecentRemoteHosts(), std::vector<std::string>{"nas"});
    EXPECT_EQ(ui::LastRemoteFolder(), t / "data");

    // Save Scan keeps it as a scan file of that folder.
    w.Log.PickedSaveFile = t / "nas.json";
    w.Trigger(TCommand::SaveScanFile);
    ASSERT_TRUE(w.OpenScan(t / "nas.json"));
    EXPECT_EQ(w.Root()->TotalSize(), 3500);

    // Several hosts join as one result, each named by host and folder.
    w.Log.PickedRemote = ui::TRemoteFolderChoice{"nas, backup", t / "data"};
    w.Trigger(TCommand::ScanRemoteFolder);
    ASSERT_TRUE(w.WaitIdle());
    ASSERT_TRUE(w.Root()->IsSyntheticRoot());
    ASSERT_EQ(w.Root()->Children().size(), 2u);
    std::vector<std::string> names;
    for (const TDirNode* d : w.Root()->Children())
        names.emplace_back(d->Name());
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"backup:" + t / "data", "nas:" + t / "data"}));
    EXPECT_EQ(w.Root()->TotalSize(), 7000);
    EXPECT_EQ(w.Status(), QString::fromStdString("nas:" + t / "data" + ", backup:" + t / "data" +
                                                 ": Done. Total files: 4   Total size: 6.8 KB"));
    EXPECT_EQ(ui::RecentRemoteHosts(), (std::vector<std::string>{"nas, backup", "nas"}));

    // A host that cannot be reached, and one that is not a host: one line each, and the
    // result shown stays.
    for (const auto& [hosts, message] :
         {std::pair<std::string, QString>{"down", "Cannot reach down: ssh: Could not resolve "
                                                  "hostname down: Name or service not known"},
          {"-oProxyCommand=x", "Not a host name: \"-oProxyCommand=x\""}}) {
        w.Log.Errors.clear();
        w.Log.PickedRemote = ui::TRemoteFolderChoice{hosts, t / "data"};
        w.Trigger(TCommand::ScanRemoteFolder);
        ASSERT_TRUE(w.WaitIdle());
        ASSERT_EQ(w.Log.Errors.size(), 1) << hosts;
        EXPECT_EQ(w.Log.Errors[0], message);
        EXPECT_EQ(w.Root()->TotalSize(), 7000);
    }
}

} // namespace
} // namespace harrowdale
