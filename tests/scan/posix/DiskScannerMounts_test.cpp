// What only Linux has: other mounts below a scanned folder, and folders that the
// permission bits close to the user.

#include "scan/DiskScanner.h"
#include "scan/ScanControl.h"
#include "scan/ScanWith.h"
#include "support/TempDir.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale {
namespace {

using test::FindChild;
using test::ScanResult;
using test::ScanWith;
using test::TempDir;

TEST(DiskScanner, OtherMountsAreNotEntered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    TempDir t;
    t.MakeFile("top.bin", 10);
    const std::string tmpfs = t.MakeDir("tmpfs");
    const std::string bind = t.MakeDir("bind");
    t.MakeDir("real");
    t.MakeFile("real/inside.bin", 20);
    if (::mount("none", tmpfs.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount here";
    const std::string realDir = t / "real";
    const bool bound = ::mount(realDir.c_str(), bind.c_str(), nullptr, MS_BIND, nullptr) == 0;
    {
        TempDir inner; // a file on the tmpfs must not be seen
        const std::string f = tmpfs + "/hidden.bin";
        FILE* fp = std::fopen(f.c_str(), "w");
        if (fp != nullptr) {
            std::fputs("hello", fp);
            std::fclose(fp);
        }
    }
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    ::umount(tmpfs.c_str());
    if (bound)
        ::umount(bind.c_str());
    EXPECT_EQ(FindChild(r.Root, "tmpfs"), nullptr);
    if (bound) {
        EXPECT_EQ(FindChild(r.Root, "bind"), nullptr);
    }
    EXPECT_EQ(r.Root->TotalFiles(), 2);
    EXPECT_EQ(r.Root->TotalSize(), 30);
    EXPECT_EQ(r.Root->TotalDirs(), 2);
}

platform::FileIdentity IdOf(const std::string& p)
{
    struct stat st
    {
    };
    ::lstat(p.c_str(), &st);
    return {st.st_dev, st.st_ino};
}

TEST(DiskScanner, AFolderScannedAgainIsReachedAsTheScanReachedIt)
{
    struct Case
    {
        const char* What;
        std::function<bool(const TempDir&)> Change; ///< false: cannot be set up here
        bool Gone;
    };
    auto bind = [](const std::string& from, const std::string& to) {
        return ::geteuid() == 0 &&
               ::mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) == 0;
    };
    const Case cases[] = {
        {"the folder as it was", [](const TempDir&) { return true; }, false},
        {"the folder replaced by a link to a big folder",
         [](const TempDir& t) {
             ::rename((t / "root/a/b").c_str(), (t / "old").c_str());
             t.MakeLink(t / "big", "root/a/b");
             return true;
         },
         true},
        {"a folder on the way replaced by a link",
         [](const TempDir& t) {
             ::rename((t / "root/a").c_str(), (t / "old").c_str());
             t.MakeDir("elsewhere/b");
             t.MakeLink(t / "elsewhere", "root/a");
             return true;
         },
         true},
        {"the folder gone",
         [](const TempDir& t) {
             ::rename((t / "root/a/b").c_str(), (t / "old").c_str());
             return true;
         },
         true},
        {"a bind mount in the folder's place",
         [&](const TempDir& t) { return bind(t / "big", t / "root/a/b"); }, true},
        {"a bind mount on the way",
         [&](const TempDir& t) {
             t.MakeDir("big/b");
             return bind(t / "big", t / "root/a");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TempDir t;
        t.MakeDir("root/a/b/sub");
        t.MakeDir("big");
        t.MakeFile("root/a/b/x.bin", 10);
        t.MakeFile("root/a/b/sub/y.bin", 20);
        t.MakeFile("big/huge.bin", 1000000);
        if (!c.Change(t)) {
            std::printf("[ SKIPPED ] %s: mounting needs root\n", c.What);
            continue;
        }
        TScanContext ctx;
        TScanRequest request;
        request.PathToScan = t / "root/a/b";
        request.WithinRoots = {t / "root"};
        TScanProgressBox progress;
        const TScanOutcome out = RunScanTask(request, ctx, progress);
        ::umount((t / "root/a/b").c_str());
        ::umount((t / "root/a").c_str());
        EXPECT_EQ(out.FolderGone, c.Gone);
        if (c.Gone) {
            EXPECT_FALSE(out.Ok);
            EXPECT_EQ(out.Tree, nullptr);
            continue;
        }
        ASSERT_TRUE(out.Ok);
        const TDirNode* root = out.Tree->Root();
        EXPECT_EQ(root->FullPath(), t / "root/a/b");
        EXPECT_EQ(root->TotalSize(), 30);
        // Every folder knows which one it is, for the removal's check.
        EXPECT_EQ(root->Identity(), IdOf(t / "root/a/b"));
        ASSERT_EQ(root->Children().size(), 1u);
        EXPECT_EQ(root->Children()[0]->Identity(), IdOf(t / "root/a/b/sub"));
    }
}

TEST(DiskScanner, UnreadableFolderIsAnEmptyFolder)
{
    TempDir t;
    t.MakeDir("locked");
    t.MakeFile("locked/x", 5);
    t.MakeFile("open.txt", 3);
    ::chmod(t.Path().c_str(), 0755);
    ::chmod((t / "locked").c_str(), 0);
    // Root reads every folder, so look as an ordinary user would, in a child process.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(10);
        TScanContext ctx;
        const ScanResult r = ScanWith(ctx, t.Path());
        const TDirNode* locked = FindChild(r.Root, "locked");
        const bool ok = locked != nullptr && locked->TotalDirs() == 1 &&
                        locked->TotalFiles() == 0 && r.Dirs == 2 && r.Root->TotalFiles() == 1;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::chmod((t / "locked").c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 10)
        GTEST_SKIP() << "cannot switch to an ordinary user";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace harrowdale
