#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "scan/DiskScanner.h"
#include "scan/ResultArrays.h"
#include "scan/ScanWith.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <thread>

namespace harrowdale {
namespace {

using test::AllLeafNames;
using test::FindChild;
using test::FindLeaf;
using test::ScanResult;
using test::ScanWith;
using test::TempDir;

// Names only one of the systems allows: Linux names are bytes (a line break, bytes that
// are no UTF-8); Windows names are UTF-16 (a character beyond the first 65,536, which
// takes two code units) and may end in a blank, which only the long-path form reaches.
struct OddNames
{
    std::string NoExtension; ///< counts under "(none)"
    std::string Unusual;     ///< ".bin"
};

OddNames PlatformOddNames()
{
    if (test::OnWindows())
        return {"trailing blank ", "Gr\xC3\xB6\xC3\x9F"
                                   "e \xF0\x9D\x84\x9E.bin"};
    return {"new\nline", "bad\xff\xfe.bin"};
}

// Odd names and dates that are not there.
void MakeOddTree(const TempDir& t)
{
    const OddNames odd = PlatformOddNames();
    t.MakeDir("sub dir/deeper");
    t.MakeDir("-dash");
    t.MakeFile("plain.txt", 10);
    t.MakeFile("with space.DOC", 2000);
    t.MakeFile(odd.NoExtension, 3);
    t.MakeFile(odd.Unusual, 4096);
    t.MakeFile("-dash/-rf", 5);
    t.MakeFile("sub dir/deeper/Photo.JPG", 123456);
    t.MakeFile("sub dir/zero-date.txt", 7, 0);
    t.MakeFile("sub dir/.hidden", 1);
}

TEST(DiskScanner, OddTreeMatchesAnIndependentWalk)
{
    TempDir t;
    MakeOddTree(t);
    const OddNames odd = PlatformOddNames();
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    const test::WalkTotals walk = test::IndependentWalk(t.Path());

    ASSERT_NE(r.Root, nullptr);
    EXPECT_EQ(r.Root->TotalFiles(), walk.Files);
    EXPECT_EQ(r.Root->TotalDirs(), walk.Dirs);
    EXPECT_EQ(r.Root->TotalSize(), walk.Bytes);
    EXPECT_EQ(r.Root->TotalFiles(), 8);
    EXPECT_EQ(r.Root->TotalDirs(), 4);
    EXPECT_EQ(r.Files, 8);
    EXPECT_EQ(r.Dirs, 4);
    EXPECT_EQ(r.Bytes, r.Root->TotalSize());

    // Names stay bytes, full paths are built from them.
    const TFileLeaf* unusual = FindLeaf(r.Root, odd.Unusual);
    ASSERT_NE(unusual, nullptr);
    EXPECT_EQ(unusual->FullPath(), t / odd.Unusual);
    EXPECT_NE(FindLeaf(r.Root, odd.NoExtension), nullptr);

    const TDirNode* sub = FindChild(r.Root, "sub dir");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->FullPath(), t / "sub dir");
    const TDirNode* deeper = FindChild(sub, "deeper");
    ASSERT_NE(deeper, nullptr);
    EXPECT_EQ(deeper->Leaves()[0].Ext(), ".jpg");
    EXPECT_EQ(deeper->Leaves()[0].FullPath(), t / "sub dir/deeper/Photo.JPG");
    EXPECT_EQ(sub->TotalDirs(), 2);

    // A zero date stays "no date" (a date Windows cannot store: there 0 is 1970).
    const TFileLeaf* zero = FindLeaf(sub, "zero-date.txt");
    ASSERT_NE(zero, nullptr);
    if (!test::OnWindows()) {
        EXPECT_EQ(zero->ModifiedFT(), 0);
        EXPECT_EQ(zero->GetModifiedDateTime(), 0);
        EXPECT_EQ(zero->GetModifiedDateTime(), 0);
    }

    const TExtStat jpg = r.Root->ExtStats().Get(".jpg");
    EXPECT_EQ(jpg.Files, 1);
    EXPECT_EQ(jpg.Bytes, 123456);
    EXPECT_EQ(r.Root->ExtStats().Get("(none)").Files, 2); // odd.NoExtension, "-rf"
}

TEST(DiskScanner, LinksAreNeitherCountedNorEntered)
{
    HARROWDALE_SKIP_WITHOUT_LINKS();
    TempDir t;
    t.MakeDir("sub dir");
    t.MakeFile("plain.txt", 10);
    t.MakeFile("sub dir/inner.bin", 20);
    t.MakeLink("plain.txt", "link-to-file");
    t.MakeLink("sub dir", "link-to-dir");
    t.MakeLink("nowhere", "dangling");
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    ASSERT_NE(r.Root, nullptr);
    EXPECT_EQ(FindLeaf(r.Root, "link-to-file"), nullptr);
    EXPECT_EQ(FindLeaf(r.Root, "dangling"), nullptr);
    EXPECT_EQ(FindChild(r.Root, "link-to-dir"), nullptr);
    EXPECT_EQ(r.Root->TotalFiles(), 2);
    EXPECT_EQ(r.Root->TotalSize(), 30);
    EXPECT_EQ(r.Root->TotalDirs(), 2);
    EXPECT_EQ(r.Dirs, 2);
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

TEST(DiskScanner, FileSystemRootHasNoDoubleSeparator)
{
    // The root is "/" on Linux and "C:" on Windows; its entries are "/usr" and "C:\Users".
    const std::string given = test::OnWindows() ? "C:\\" : "/";
    const std::string root = test::OnWindows() ? "C:" : "/";
    const std::string prefix = test::OnWindows() ? "C:\\" : "/";
    // Only the first level matters: stop once the walk has gone below the root.
    TScanContext ctx;
    auto tree = std::make_unique<TScanTree>();
    TDiskScanner scanner(ctx, *tree);
    scanner.OnProgress = [&](const std::string& path, std::int64_t, std::int64_t) {
        if (path != root)
            ctx.Cancel();
    };
    TDirNode* node = scanner.Scan(given);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->FullPath(), root);
    EXPECT_EQ(node->Name(), root);
    for (const TDirNode* c : node->Children())
        EXPECT_EQ(c->FullPath(), prefix + std::string(c->Name()));
    for (const TFileLeaf& f : node->Leaves())
        EXPECT_EQ(f.FullPath(), prefix + std::string(f.Name()));
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
    std::vector<Case> cases = {
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
    // Windows cannot store "no date": its "undated" file is from 1970 and excluded.
    if (test::OnWindows())
        cases.back().Expected.pop_back();
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
        // The character counts code points: "ä" is one.
        {"ä*.[txt", "The mask \"ä*.[txt\" is not valid: the \"[\" at character 4 is never "
                    "closed."},
        {"x[]", "The mask \"x[]\" is not valid: the set at character 2 is empty."},
        {"[-a]", "The mask \"[-a]\" is not valid: the range at character 2 has no start."},
        {"[!]", "The mask \"[!]\" is not valid: the set at character 1 is empty."},
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

// A real folder of the system, big enough to take a while to scan.
std::string BigSystemFolder()
{
    if (!test::OnWindows())
        return "/usr";
    const char* windows = std::getenv("SystemRoot");
    return windows != nullptr ? windows : "C:\\windows";
}

TEST(DiskScanner, ProgressIsThrottledTo80ms)
{
    // Stop after a handful of reports.
    const std::string root = BigSystemFolder();
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
    // The clock read here runs after the scanner's own: on a loaded machine one report can
    // reach the callback late and the next on time, so a gap is only bounded from below
    // loosely. Unthrottled reports would come microseconds apart.
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(40));
}

TEST(DiskScanner, RealTreeMatchesAnIndependentWalk)
{
    std::string root = BigSystemFolder();
    platform::AppendPathComponent(root, test::OnWindows() ? "system32" : "include");
    if (!platform::DirectoryExists(root))
        GTEST_SKIP();
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, root);
    const test::WalkTotals walk = test::IndependentWalk(root);
    EXPECT_EQ(r.Root->TotalFiles(), walk.Files);
    EXPECT_EQ(r.Root->TotalDirs(), walk.Dirs);
    EXPECT_EQ(r.Root->TotalSize(), walk.Bytes);
}

// Enough folders to keep several threads busy, odd names, empty folders, and a file with
// three links in two folders.
void MakeBusyTree(const TempDir& t)
{
    const std::string odd = test::OnWindows() ? "\xC3\xA9 " : "\xff";
    for (int i = 0; i < 12; ++i) {
        const std::string top = "t" + std::to_string(i);
        for (int j = 0; j < 6; ++j) {
            const std::string mid = top + "/m" + std::to_string(j) + (j % 2 ? odd : "");
            t.MakeDir(mid + "/leaf");
            for (int k = 0; k < 8; ++k)
                t.MakeFile(mid + "/f" + std::to_string(k) + (k % 3 ? ".txt" : ".BIN"),
                           i * 100 + j * 10 + k, 1600000000 + k);
            t.MakeFile(mid + "/leaf/x.dat", j);
        }
        t.MakeDir(top + "/empty");
    }
    t.MakeFile("t0/m0/linked.bin", 777);
    t.MakeHardLink("t0/m0/linked.bin", "t0/m0/second.bin");
    t.MakeHardLink("t0/m0/linked.bin", "t11/m5" + odd + "/third.bin");
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
    // The linked file once; Windows' listing does not say which files are linked.
    ASSERT_EQ(reference.Root->TotalFiles(), 12 * 6 * 9 + (test::OnWindows() ? 3 : 1));
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

} // namespace
} // namespace harrowdale
