#include "platform/FileSystem.h"
#include "scan/DiskScanner.h"
#include "scan/ResultArrays.h"
#include "support/TempDir.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace harrowdale {
namespace {

using test::TempDir;

struct ScanResult
{
    std::unique_ptr<TScanTree> Tree;
    TDirNode* Root = nullptr;
    std::int64_t Files = 0, Dirs = 0, Bytes = 0;
};

ScanResult ScanWith(const TScanContext& ctx, const std::string& path,
                    const TWalkSettings* settings = nullptr)
{
    ScanResult r;
    r.Tree = std::make_unique<TScanTree>();
    TDiskScanner scanner(ctx, *r.Tree);
    if (settings != nullptr) {
        const unsigned threads = scanner.WalkSettings().Threads; // the context's
        scanner.WalkSettings() = *settings;
        scanner.WalkSettings().Threads = threads;
    }
    r.Root = scanner.Scan(path);
    r.Tree->SetRoot(r.Root);
    r.Files = scanner.Files();
    r.Dirs = scanner.Dirs();
    r.Bytes = scanner.Bytes();
    return r;
}

const TFileLeaf* FindLeaf(const TDirNode* node, std::string_view name)
{
    for (const TFileLeaf& f : node->Leaves())
        if (f.Name() == name)
            return &f;
    return nullptr;
}

const TDirNode* FindChild(const TDirNode* node, std::string_view name)
{
    for (const TDirNode* c : node->Children())
        if (c->Name() == name)
            return c;
    return nullptr;
}

std::vector<std::string> AllLeafNames(const TDirNode* root)
{
    std::vector<std::string> names;
    std::vector<const TDirNode*> stack{root};
    while (!stack.empty()) {
        const TDirNode* n = stack.back();
        stack.pop_back();
        for (const TFileLeaf& f : n->Leaves())
            names.emplace_back(f.Name());
        for (const TDirNode* c : n->Children())
            stack.push_back(c);
    }
    return names;
}

// Odd names, links of every kind and dates that are not there.
void MakeOddTree(const TempDir& t)
{
    t.MakeDir("sub dir/deeper");
    t.MakeDir("-dash");
    t.MakeFile("plain.txt", 10);
    t.MakeFile("with space.DOC", 2000);
    t.MakeFile("new\nline", 3);
    t.MakeFile("bad\xff\xfe.bin", 4096);
    t.MakeFile("-dash/-rf", 5);
    t.MakeFile("sub dir/deeper/Photo.JPG", 123456);
    t.MakeFile("sub dir/zero-date.txt", 7, 0);
    t.MakeFile("sub dir/.hidden", 1);
    t.MakeLink("plain.txt", "link-to-file");
    t.MakeLink("sub dir", "link-to-dir");
    t.MakeLink("nowhere", "dangling");
    if (::mkfifo((t / "pipe").c_str(), 0644) != 0)
        throw std::runtime_error("mkfifo failed");
}

TEST(DiskScanner, OddTreeMatchesAnIndependentWalk)
{
    TempDir t;
    MakeOddTree(t);
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    const test::WalkTotals walk = test::IndependentWalk(t.Path());

    ASSERT_NE(r.Root, nullptr);
    EXPECT_EQ(r.Root->TotalFiles(), walk.Files);
    EXPECT_EQ(r.Root->TotalDirs(), walk.Dirs);
    EXPECT_EQ(r.Root->TotalSize(), walk.Bytes);
    EXPECT_EQ(r.Root->TotalFiles(), 9);
    EXPECT_EQ(r.Root->TotalDirs(), 4);
    EXPECT_EQ(r.Files, 9);
    EXPECT_EQ(r.Dirs, 4);
    EXPECT_EQ(r.Bytes, r.Root->TotalSize());

    // Names stay bytes, full paths are built from them.
    const TFileLeaf* bad = FindLeaf(r.Root, "bad\xff\xfe.bin");
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->FullPath(), t.Path() + "/bad\xff\xfe.bin");
    EXPECT_NE(FindLeaf(r.Root, "new\nline"), nullptr);
    EXPECT_EQ(FindLeaf(r.Root, "link-to-file"), nullptr);
    EXPECT_EQ(FindLeaf(r.Root, "dangling"), nullptr);
    EXPECT_EQ(FindChild(r.Root, "link-to-dir"), nullptr);
    // A fifo counts as a file, marked as not a regular one.
    const TFileLeaf* pipe = FindLeaf(r.Root, "pipe");
    ASSERT_NE(pipe, nullptr);
    EXPECT_TRUE(pipe->IsNotRegular());
    EXPECT_FALSE(FindLeaf(r.Root, "plain.txt")->IsNotRegular());

    const TDirNode* sub = FindChild(r.Root, "sub dir");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->FullPath(), t.Path() + "/sub dir");
    const TDirNode* deeper = FindChild(sub, "deeper");
    ASSERT_NE(deeper, nullptr);
    EXPECT_EQ(deeper->Leaves()[0].Ext(), ".jpg");
    EXPECT_EQ(deeper->Leaves()[0].FullPath(), t.Path() + "/sub dir/deeper/Photo.JPG");
    EXPECT_EQ(sub->TotalDirs(), 2);

    // A zero date stays "no date".
    const TFileLeaf* zero = FindLeaf(sub, "zero-date.txt");
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->ModifiedFT(), 0);
    EXPECT_EQ(zero->GetModifiedDateTime(), 0);
    EXPECT_EQ(zero->GetModifiedDateTime(), 0);

    const TExtStat jpg = r.Root->ExtStats().Get(".jpg");
    EXPECT_EQ(jpg.Files, 1);
    EXPECT_EQ(jpg.Bytes, 123456);
    EXPECT_EQ(r.Root->ExtStats().Get("(none)").Files, 3); // "new\nline", "-rf", "pipe"
}

TEST(DiskScanner, EmptyAndTrailingSlashRoots)
{
    TempDir t;
    t.MakeDir("empty");
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t / "empty/");
    ASSERT_NE(r.Root, nullptr);
    EXPECT_EQ(r.Root->FullPath(), t / "empty");
    EXPECT_EQ(r.Root->Name(), "empty");
    EXPECT_EQ(r.Root->TotalDirs(), 1);
    EXPECT_EQ(r.Root->TotalFiles(), 0);
    EXPECT_EQ(r.Root->TotalSize(), 0);
    EXPECT_EQ(r.Dirs, 1);
    EXPECT_TRUE(r.Root->ExtStats().Empty());
}

TEST(DiskScanner, FileSystemRootHasNoDoubleSlash)
{
    // Only the first level matters: stop once the walk has gone below the root.
    TScanContext ctx;
    auto tree = std::make_unique<TScanTree>();
    TDiskScanner scanner(ctx, *tree);
    scanner.OnProgress = [&](const std::string& path, std::int64_t, std::int64_t) {
        if (path != "/")
            ctx.Cancel();
    };
    TDirNode* root = scanner.Scan("/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FullPath(), "/");
    EXPECT_EQ(root->Name(), "/");
    for (const TDirNode* c : root->Children())
        EXPECT_EQ(c->FullPath(), "/" + std::string(c->Name()));
    for (const TFileLeaf& f : root->Leaves())
        EXPECT_EQ(f.FullPath(), "/" + std::string(f.Name()));
}

TEST(DiskScanner, ExclusionFilters)
{
    TempDir t;
    t.MakeDir("cache");
    t.MakeFile("small.bin", 1023);
    t.MakeFile("limit.bin", 1024);
    t.MakeFile("a.jpg", 5000);
    t.MakeFile("cache/b.txt", 5000);
    // 2020-01-01 00:00:00 UTC and the epoch (no date).
    t.MakeFile("old.txt", 5000, 1577836800);
    t.MakeFile("undated.txt", 5000, 0);

    struct Case
    {
        const char* Label;
        bool LessThan;
        std::int64_t Limit;
        std::vector<std::string> Masks;
        bool Before;
        std::vector<std::string> Expected;
    };
    const std::vector<Case> cases = {
        {"1024 excludes 1023 only",
         true,
         1024,
         {},
         false,
         {"limit.bin", "a.jpg", "b.txt", "old.txt", "undated.txt"}},
        {"limit 0 excludes nothing",
         true,
         0,
         {},
         false,
         {"small.bin", "limit.bin", "a.jpg", "b.txt", "old.txt", "undated.txt"}},
        {"masks by name and by path, any case",
         false,
         0,
         {"*.JPG", "*cache*"},
         false,
         {"small.bin", "limit.bin", "old.txt", "undated.txt"}},
        {"[set] and ?",
         false,
         0,
         {"[a-c].???"},
         false,
         {"small.bin", "limit.bin", "old.txt", "undated.txt"}},
        {"modified before excludes dated older files only",
         false,
         0,
         {},
         true,
         {"small.bin", "limit.bin", "a.jpg", "b.txt", "undated.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TScanContext ctx;
        ctx.ExcludeLessThan = c.LessThan;
        ctx.LessThanBytes = c.Limit;
        ctx.ExcludePattern = !c.Masks.empty();
        ctx.PatternMasks = c.Masks;
        ctx.ExcludeModifiedBefore = c.Before;
        ctx.ModifiedBefore = *EncodeDateTime({2024, 1, 1, 0, 0, 0, 0});
        const ScanResult r = ScanWith(ctx, t.Path());
        std::vector<std::string> names = AllLeafNames(r.Root);
        std::vector<std::string> expected = c.Expected;
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        // Excluded files still count as bytes met.
        EXPECT_EQ(r.Bytes, 1023 + 1024 + 4 * 5000);
        EXPECT_EQ(r.Files, static_cast<std::int64_t>(expected.size()));
    }
}

TEST(DiskScanner, ModifiedExactlyAtTheLimitIsIncluded)
{
    TempDir t;
    const std::int64_t when = 1700000000;
    t.MakeFile("edge.txt", 1, when);
    TScanContext ctx;
    ctx.ExcludeModifiedBefore = true;
    ctx.ModifiedBefore = FileTimeToLocalDateTime(platform::UnixTimeToTicks(when, 0));
    EXPECT_EQ(ScanWith(ctx, t.Path()).Root->TotalFiles(), 1);
}

TEST(DiskScanner, InvalidMaskFailsTheScanWithItsPosition)
{
    TempDir t;
    t.MakeFile("a.txt", 1);
    struct Case
    {
        const char* Mask;
        const char* Message;
    };
    const Case cases[] = {
        {"*.[txt", "'*.[TXT' is an invalid mask at (7)"},
        {"[]", "'[]' is an invalid mask at (2)"},
        {"[-a]", "'[-A]' is an invalid mask at (2)"},
        {"[!]", "'[!]' is an invalid mask at (3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        TScanContext ctx;
        ctx.ExcludePattern = true;
        ctx.PatternMasks = {"*.none", c.Mask};
        auto tree = std::make_unique<TScanTree>();
        TDiskScanner scanner(ctx, *tree);
        try {
            scanner.Scan(t.Path());
            ADD_FAILURE() << "no error";
        } catch (const EMaskException& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
    }
}

TEST(DiskScanner, CancellationBeforeAndDuring)
{
    TempDir t;
    for (int d = 0; d < 20; ++d)
        for (int f = 0; f < 20; ++f)
            t.MakeFile(t.MakeDir("d" + std::to_string(d)).substr(t.Path().size() + 1) + "/f" +
                           std::to_string(f),
                       1);
    {
        TScanContext ctx;
        ctx.Cancel();
        EXPECT_EQ(ScanWith(ctx, t.Path()).Root, nullptr);
    }
    {
        // Cancel from the progress callback: the walk stops at the next entry.
        TScanContext ctx;
        auto tree = std::make_unique<TScanTree>();
        TDiskScanner scanner(ctx, *tree);
        int calls = 0;
        scanner.OnProgress = [&](const std::string&, std::int64_t, std::int64_t) {
            ++calls;
            ctx.Cancel();
        };
        std::this_thread::sleep_for(std::chrono::milliseconds(90));
        TDirNode* root = scanner.Scan(t.Path());
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(calls, 1);
        EXPECT_LT(root->TotalFiles(), 400);
    }
}

TEST(DiskScanner, ProgressIsThrottledTo80ms)
{
    // A real tree big enough to take a while; stop after a handful of reports.
    const std::string root = "/usr";
    TScanContext ctx;
    auto tree = std::make_unique<TScanTree>();
    TDiskScanner scanner(ctx, *tree);
    std::vector<std::chrono::steady_clock::time_point> times;
    std::int64_t lastFiles = -1;
    scanner.OnProgress = [&](const std::string& path, std::int64_t files, std::int64_t) {
        EXPECT_EQ(path.rfind(root, 0), 0u) << path;
        EXPECT_GE(files, lastFiles);
        lastFiles = files;
        times.push_back(std::chrono::steady_clock::now());
        if (times.size() == 4)
            ctx.Cancel();
    };
    const auto start = std::chrono::steady_clock::now();
    scanner.Scan(root);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Each report waits for 80 ms since the last one (or since the counters were reset).
    EXPECT_LE(static_cast<std::int64_t>(times.size()),
              std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 80 + 1);
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(79));
}

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
                        locked->TotalFiles() == 0 && locked->ReadError() && !r.Root->ReadError() &&
                        r.Dirs == 2 && r.Root->TotalFiles() == 1;
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

TEST(DiskScanner, RealTreeMatchesAnIndependentWalk)
{
    const std::string root = "/usr/include";
    if (!platform::DirectoryExists(root))
        GTEST_SKIP();
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, root);
    const test::WalkTotals walk = test::IndependentWalk(root);
    EXPECT_EQ(r.Root->TotalFiles(), walk.Files);
    EXPECT_EQ(r.Root->TotalDirs(), walk.Dirs);
    EXPECT_EQ(r.Root->TotalSize(), walk.Bytes);
}

TEST(DiskScanner, DeepChainIsCountedExactly)
{
    // Far past the 4,096 bytes a path may have: every folder is opened from its parent.
    constexpr int kDepth = 50000, kEvery = 1000;
    TempDir t(test::MemoryScratchBase()); // 50,000 folders: far faster in memory
    test::MakeFolderChain(t.Path(), kDepth, kEvery, 3);
    TScanContext ctx;
    ctx.Threads = 3;
    const ScanResult r = ScanWith(ctx, t.Path());
    ASSERT_NE(r.Root, nullptr);
    EXPECT_EQ(r.Root->TotalDirs(), kDepth + 1);
    EXPECT_EQ(r.Dirs, kDepth + 1);
    EXPECT_EQ(r.Root->TotalFiles(), kDepth / kEvery);
    EXPECT_EQ(r.Root->TotalSize(), 3 * (kDepth / kEvery));
    const TDirNode* n = r.Root;
    int depth = 0;
    bool anyError = n->ReadError();
    while (!n->Children().empty()) {
        n = n->Children()[0];
        ++depth;
        anyError = anyError || n->ReadError();
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_FALSE(anyError);
    EXPECT_EQ(n->FullPath().size(), t.Path().size() + 2 * kDepth);
    ASSERT_EQ(n->Leaves().size(), 1u);
    EXPECT_EQ(n->Leaves()[0].FullPath(), n->FullPath() + "/f");
}

TEST(DiskScanner, FolderSwappedDuringTheWalkIsNeverFollowed)
{
    // root/x/a/b/inner.bin; when a has been listed, before b is opened, the test swaps
    // b or a itself for a link to a folder outside, or a for another real folder that
    // also holds a "b". A handle budget of 3 makes a give its handle up and reopen from
    // its parent; a budget of 1 makes it reopen from the root, through x.
    enum class Swap
    {
        ChildForLink,
        FolderForLink,
        FolderForAnother
    };
    struct Case
    {
        const char* Label;
        Swap What;
        std::size_t Budget; // 0: the platform's
        bool BListed;       // b is a folder of the tree
        bool InnerCounted;
        bool BUnreadable;
    };
    const Case cases[] = {
        {"b becomes a link; a kept open", Swap::ChildForLink, 0, false, false, false},
        {"b becomes a link; a reopened from x", Swap::ChildForLink, 3, false, false, false},
        {"b becomes a link; a reopened from the root", Swap::ChildForLink, 1, false, false, false},
        {"a becomes a link; a kept open", Swap::FolderForLink, 0, true, true, false},
        {"a becomes a link; a reopened from x", Swap::FolderForLink, 3, true, false, true},
        {"a becomes a link; a reopened from the root", Swap::FolderForLink, 1, true, false, true},
        {"a replaced; a kept open", Swap::FolderForAnother, 0, true, true, false},
        {"a replaced; a reopened from x", Swap::FolderForAnother, 3, true, false, true},
        {"a replaced; a reopened from the root", Swap::FolderForAnother, 1, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TempDir t, outside;
        t.MakeFile("top.bin", 5);
        t.MakeDir("x/a/b");
        t.MakeFile("x/a/a-file", 1);
        t.MakeFile("x/a/b/inner.bin", 10);
        outside.MakeDir("b");
        outside.MakeFile("b/secret.bin", 1000);
        outside.MakeDir("other/b");
        outside.MakeFile("other/b/secret.bin", 1000);

        TWalkSettings settings;
        settings.HandleBudget = c.Budget;
        settings.OnFolderListed = [&](const TDirNode* n) {
            if (n->Name() != "a")
                return;
            if (c.What == Swap::ChildForLink) {
                ASSERT_EQ(std::rename((t / "x/a/b").c_str(), (t / "b-moved").c_str()), 0);
                t.MakeLink(outside.Path(), "x/a/b");
                return;
            }
            ASSERT_EQ(std::rename((t / "x/a").c_str(), (t / "a-moved").c_str()), 0);
            if (c.What == Swap::FolderForLink)
                t.MakeLink(outside.Path(), "x/a");
            else
                ASSERT_EQ(std::rename((outside / "other").c_str(), (t / "x/a").c_str()), 0);
        };
        TScanContext ctx;
        const ScanResult r = ScanWith(ctx, t.Path(), &settings);
        ASSERT_NE(r.Root, nullptr);
        const std::vector<std::string> names = AllLeafNames(r.Root);
        EXPECT_EQ(std::count(names.begin(), names.end(), "secret.bin"), 0);
        EXPECT_EQ(r.Root->TotalFiles(), c.InnerCounted ? 3 : 2);
        EXPECT_EQ(r.Root->TotalSize(), c.InnerCounted ? 16 : 6);
        EXPECT_EQ(r.Root->TotalDirs(), c.BListed ? 4 : 3);
        const TDirNode* x = FindChild(r.Root, "x");
        const TDirNode* a = x ? FindChild(x, "a") : nullptr;
        ASSERT_NE(a, nullptr);
        const TDirNode* b = FindChild(a, "b");
        ASSERT_EQ(b != nullptr, c.BListed);
        if (b != nullptr) {
            EXPECT_EQ(b->ReadError(), c.BUnreadable);
        }
    }
}

// Enough folders to keep several threads busy, odd names, empty folders, and a file with
// three links in two folders.
void MakeBusyTree(const TempDir& t)
{
    for (int i = 0; i < 12; ++i) {
        const std::string top = "t" + std::to_string(i);
        for (int j = 0; j < 6; ++j) {
            const std::string mid = top + "/m" + std::to_string(j) + (j % 2 ? "\xff" : "");
            t.MakeDir(mid + "/leaf");
            for (int k = 0; k < 8; ++k)
                t.MakeFile(mid + "/f" + std::to_string(k) + (k % 3 ? ".txt" : ".BIN"),
                           i * 100 + j * 10 + k, 1600000000 + k);
            t.MakeFile(mid + "/leaf/x.dat", j);
        }
        t.MakeDir(top + "/empty");
    }
    t.MakeFile("t0/m0/linked.bin", 777);
    if (::link((t / "t0/m0/linked.bin").c_str(), (t / "t0/m0/second.bin").c_str()) != 0 ||
        ::link((t / "t0/m0/linked.bin").c_str(), (t / "t11/m5\xff/third.bin").c_str()) != 0)
        throw std::runtime_error("link failed");
}

// Node by node: names, order, totals, flags, files with every field, extension tables.
void ExpectSameTree(const TDirNode* a, const TDirNode* b)
{
    std::vector<std::pair<const TDirNode*, const TDirNode*>> stack{{a, b}};
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        SCOPED_TRACE(x->FullPath());
        ASSERT_EQ(x->Name(), y->Name());
        EXPECT_EQ(x->TotalSize(), y->TotalSize());
        EXPECT_EQ(x->TotalFiles(), y->TotalFiles());
        EXPECT_EQ(x->TotalDirs(), y->TotalDirs());
        EXPECT_EQ(x->ReadError(), y->ReadError());
        ASSERT_EQ(x->Leaves().size(), y->Leaves().size());
        for (std::size_t i = 0; i < x->Leaves().size(); ++i) {
            const TFileLeaf& f = x->Leaves()[i];
            const TFileLeaf& g = y->Leaves()[i];
            EXPECT_EQ(f.Name(), g.Name());
            EXPECT_EQ(f.Size(), g.Size());
            EXPECT_EQ(f.ApparentSize(), g.ApparentSize());
            EXPECT_EQ(f.AllocatedSize(), g.AllocatedSize());
            EXPECT_EQ(f.ModifiedFT(), g.ModifiedFT());
            EXPECT_EQ(f.Ext(), g.Ext());
            EXPECT_EQ(f.IsNotRegular(), g.IsNotRegular());
            EXPECT_EQ(f.HasLinks(), g.HasLinks());
        }
        const TExtStatsView ex = x->ExtStats(), ey = y->ExtStats();
        ASSERT_EQ(ex.Count(), ey.Count());
        for (std::size_t i = 0; i < ex.Count(); ++i) {
            EXPECT_EQ(ex.Key(ex.Entries()[i]), ey.Key(ey.Entries()[i]));
            EXPECT_EQ(ex.Entries()[i].Bytes, ey.Entries()[i].Bytes);
            EXPECT_EQ(ex.Entries()[i].Files, ey.Entries()[i].Files);
        }
        ASSERT_EQ(x->Children().size(), y->Children().size());
        for (std::size_t i = 0; i < x->Children().size(); ++i)
            stack.emplace_back(x->Children()[i], y->Children()[i]);
    }
}

std::vector<std::string> FlattenedPaths(const TDirNode* root)
{
    std::vector<std::string> paths;
    for (const TFileLeaf* f : FlattenAllFilesFromRoot(root).Files)
        paths.push_back(f->FullPath());
    return paths;
}

TEST(DiskScanner, AnyNumberOfThreadsBuildsTheSameTree)
{
    TempDir t;
    MakeBusyTree(t);
    TScanContext one;
    one.Threads = 1;
    const ScanResult reference = ScanWith(one, t.Path());
    ASSERT_EQ(reference.Root->TotalFiles(), 12 * 6 * 9 + 1); // the linked file once
    const std::vector<std::string> flat = FlattenedPaths(reference.Root);

    struct Case
    {
        unsigned Threads;
        std::size_t Budget;
    };
    // Races show only sometimes: each case runs a few times.
    for (const Case c : {Case{2, 0}, Case{3, 0}, Case{8, 0}, Case{16, 0}, Case{4, 3}, Case{4, 1},
                         Case{8, 0}, Case{16, 0}, Case{8, 0}, Case{16, 0}}) {
        SCOPED_TRACE(std::to_string(c.Threads) + " threads, handle budget " +
                     std::to_string(c.Budget));
        TScanContext ctx;
        ctx.Threads = c.Threads;
        TWalkSettings settings;
        settings.HandleBudget = c.Budget;
        const ScanResult r = ScanWith(ctx, t.Path(), &settings);
        ExpectSameTree(reference.Root, r.Root);
        EXPECT_EQ(r.Files, reference.Files);
        EXPECT_EQ(r.Dirs, reference.Dirs);
        EXPECT_EQ(r.Bytes, reference.Bytes);
        EXPECT_EQ(FlattenedPaths(r.Root), flat);
    }
}

TEST(DiskScanner, FolderIsFinishedOnlyAfterEveryThreadIsDoneWithIt)
{
    // A binary tree of folders: every range holds folders only, so the subtrees a thread
    // hands out can all be finished by others while it still holds the folder. The hook
    // makes that moment long.
    TempDir t(test::MemoryScratchBase());
    std::vector<std::string> level{""};
    for (int depth = 0; depth < 6; ++depth) {
        std::vector<std::string> next;
        for (const std::string& p : level)
            for (const char* c : {"l", "r"})
                next.push_back(
                    t.MakeDir(p + (p.empty() ? "" : "/") + c).substr(t.Path().size() + 1));
        level = next;
    }
    for (const std::string& p : level)
        t.MakeFile(p + "/f", 1);
    TWalkSettings settings;
    settings.OnRangeOpened = [](const TDirNode* folder) {
        int depth = 0;
        for (const TDirNode* n = folder; n->Parent() != nullptr; n = n->Parent())
            ++depth;
        if (depth >= 1 && depth <= 3) // long enough for the subtrees below to be done
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
    };
    TScanContext ctx;
    ctx.Threads = 8;
    const ScanResult r = ScanWith(ctx, t.Path(), &settings);
    EXPECT_EQ(r.Root->TotalDirs(), 127);
    EXPECT_EQ(r.Root->TotalFiles(), 64);
    EXPECT_EQ(r.Dirs, 127);
    EXPECT_EQ(r.Files, 64);
}

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr)
        return out;
    std::array<char, 256> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    ::pclose(p);
    return out;
}

// What du counts for a tree, less what it counts for the folders themselves (a scan
// counts files only): one file system, sizes in bytes, each file once.
std::int64_t DuFiles(const std::string& root, bool apparent)
{
    const std::string du = Shell(std::string("du -s -x -B1 ") +
                                 (apparent ? "--apparent-size " : "") + "'" + root + "'");
    std::int64_t folders = 0;
    static thread_local std::int64_t* sum = nullptr;
    static thread_local bool byLength = false;
    sum = &folders;
    byLength = apparent;
    ::nftw(
        root.c_str(),
        [](const char*, const struct stat* st, int flag, struct FTW*) {
            if (flag == FTW_D)
                *sum += byLength ? st->st_size : st->st_blocks * 512;
            return 0;
        },
        16, FTW_PHYS | FTW_MOUNT);
    return std::atoll(du.c_str()) - folders;
}

// The name that comes first in the folder's listing among `names`.
std::string FirstListed(const std::string& folder, const std::vector<std::string>& names)
{
    DIR* d = ::opendir(folder.c_str());
    std::string first;
    while (const dirent* e = d ? ::readdir(d) : nullptr)
        if (std::find(names.begin(), names.end(), e->d_name) != names.end()) {
            first = e->d_name;
            break;
        }
    if (d != nullptr)
        ::closedir(d);
    return first;
}

TEST(DiskScanner, HardLinksCountOnceAsDuDoesOrEveryTime)
{
    TempDir t;
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeDir("c");
    t.MakeDir("d");
    t.MakeFile("a/one", 100000);
    t.MakeFile("b/x", 5000);
    t.MakeFile("d/plain", 300);
    for (const auto& [from, to] :
         {std::pair{"a/one", "a/two"}, std::pair{"a/one", "a/three"}, std::pair{"b/x", "c/y"}})
        ASSERT_EQ(::link((t / from).c_str(), (t / to).c_str()), 0);
    const std::int64_t met = 3 * 100000 + 2 * 5000 + 300;

    for (const unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        TScanContext once;
        once.Threads = threads;
        const ScanResult r = ScanWith(once, t.Path());
        EXPECT_EQ(r.Root->TotalSize(), DuFiles(t.Path(), true));
        EXPECT_EQ(r.Root->TotalSize(), 105300);
        EXPECT_EQ(r.Root->TotalFiles(), 3);
        EXPECT_EQ(r.Files, 3);
        EXPECT_EQ(r.Bytes, met); // every link was met
        EXPECT_EQ(r.Root->ExtStats().Get("(none)").Files, 3);
        // The first link in the tree's order is the one that counts.
        const TDirNode* a = FindChild(r.Root, "a");
        ASSERT_EQ(a->Leaves().size(), 1u);
        EXPECT_EQ(a->Leaves()[0].Name(), FirstListed(t / "a", {"one", "two", "three"}));
        const std::string firstFolder = FirstListed(t.Path(), {"b", "c"});
        EXPECT_EQ(FindChild(r.Root, firstFolder)->TotalFiles(), 1);
        EXPECT_EQ(FindChild(r.Root, firstFolder == "b" ? "c" : "b")->TotalFiles(), 0);
        EXPECT_EQ(r.Tree->HardLinks(), THardLinks::Once);
        const TLinkInfo* info = r.Tree->LinkInfo(&a->Leaves()[0]);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->Links, 3u);

        TScanContext each;
        each.Threads = threads;
        each.CountEveryHardLink = true;
        const ScanResult e = ScanWith(each, t.Path());
        EXPECT_EQ(e.Root->TotalSize(), met);
        EXPECT_EQ(e.Root->TotalFiles(), 6);
        EXPECT_EQ(e.Files, 6);
        EXPECT_EQ(e.Tree->HardLinks(), THardLinks::Each);
    }

    // One scanner over two folders, as over two drives: the second link is a repeat.
    TScanContext ctx;
    TScanTree tree;
    TDiskScanner scanner(ctx, tree);
    EXPECT_EQ(scanner.Scan(t / "b")->TotalFiles(), 1);
    EXPECT_EQ(scanner.Scan(t / "c")->TotalFiles(), 0);
    EXPECT_EQ(scanner.Files(), 1);
    EXPECT_EQ(scanner.Bytes(), 10000);
}

// Writes `bytes` of data at `offset` into a new file whose length is `length`.
void MakeDataFile(const std::string& path, std::int64_t length, std::int64_t offset,
                  std::int64_t bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string data(static_cast<std::size_t>(bytes), 'x');
    if (fd < 0 || ::pwrite(fd, data.data(), data.size(), offset) != bytes ||
        ::ftruncate(fd, length) != 0 || ::fsync(fd) != 0)
        throw std::runtime_error("cannot write " + path);
    ::close(fd);
}

TEST(DiskScanner, SizeOnDiskMatchesDuAndDrivesTheSizeFilter)
{
    TempDir t;
    t.MakeDir("sub");
    MakeDataFile(t / "sparse.img", 8 << 20, 1 << 20, 4096); // 8 MiB long, one block
    MakeDataFile(t / "sub/dense.bin", 100 * 1024, 0, 100 * 1024);
    t.MakeFile("empty.txt", 0);
    struct stat sparse
    {
    };
    ASSERT_EQ(::stat((t / "sparse.img").c_str(), &sparse), 0);
    const std::int64_t sparseBlocks = sparse.st_blocks * 512;
    ASSERT_LT(sparseBlocks, 64 * 1024) << "the file system does not keep holes";

    struct Case
    {
        bool OnDisk;
        bool Filter; // leave out files under 64 KiB, by the measure counted
        std::vector<std::string> Names;
    };
    const Case cases[] = {
        {false, false, {"dense.bin", "empty.txt", "sparse.img"}},
        {true, false, {"dense.bin", "empty.txt", "sparse.img"}},
        {false, true, {"dense.bin", "sparse.img"}},
        {true, true, {"dense.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.OnDisk ? "on disk" : "apparent") + (c.Filter ? ", filter" : ""));
        TScanContext ctx;
        ctx.SizeOnDisk = c.OnDisk;
        ctx.ExcludeLessThan = c.Filter;
        ctx.LessThanBytes = 64 * 1024;
        const ScanResult r = ScanWith(ctx, t.Path());
        std::vector<std::string> names = AllLeafNames(r.Root);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.Names);
        const std::int64_t du = DuFiles(t.Path(), !c.OnDisk);
        EXPECT_EQ(r.Bytes, du); // met: every file, by the measure counted
        if (!c.Filter) {
            EXPECT_EQ(r.Root->TotalSize(), du);
        }
        EXPECT_EQ(r.Tree->SizeKind(), c.OnDisk ? TSizeKind::OnDisk : TSizeKind::Apparent);
        const TFileLeaf* img = FindLeaf(r.Root, "sparse.img");
        if (img != nullptr) {
            EXPECT_EQ(img->ApparentSize(), 8 << 20);
            EXPECT_EQ(img->AllocatedSize(), sparseBlocks);
            EXPECT_EQ(img->Size(), c.OnDisk ? sparseBlocks : 8 << 20);
        }
    }
}

} // namespace
} // namespace harrowdale
