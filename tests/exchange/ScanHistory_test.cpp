#include "exchange/ScanHistory.h"
#include "exchange/ScanTreeExport.h"
#include "exchange/ScanTreeImport.h"
#include "platform/PrivateFolders.h"
#include "support/NativePath.h"
#include "support/TempDir.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

// A scan of `root` with one file of `size` bytes.
std::unique_ptr<TScanTree> Scan(std::string_view root, std::int64_t size)
{
    test::TreeFixture fx(root);
    fx.File(fx.Root(), "a.log", size);
    fx.Finish();
    return fx.Release();
}

std::vector<std::int64_t> Times(const std::vector<THistoryEntry>& entries)
{
    std::vector<std::int64_t> times;
    for (const THistoryEntry& e : entries)
        times.push_back(e.Time);
    return times;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const platform::TFolderFile& f : platform::TPrivateFolder::Hold(folder).RegularFiles())
        names.push_back(f.Name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ScanHistory, KeepsTheNewestScansOfEachFolderWithinTheLimits)
{
    test::TempDir t;
    TScanHistory history(t.Path(), {3, 1LL << 30});
    const std::string r = test::NativePath("/r"), s = test::NativePath("/s");
    for (std::int64_t time = 1; time <= 5; ++time)
        history.Record(*Scan("/r", time * 100)->Root(), time);
    history.Record(*Scan("/s", 7)->Root(), 2);
    history.Record(*Scan("/s", 8)->Root(), 6);

    const std::vector<THistoryEntry> kept = history.List(r);
    EXPECT_EQ(Times(kept), (std::vector<std::int64_t>{3, 4, 5}));
    EXPECT_EQ(Times(history.List(s)), (std::vector<std::int64_t>{2, 6}));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.back().Bytes, 500);
    EXPECT_EQ(kept.back().Files, 1);
    EXPECT_GT(kept.back().FileSize, 0);
    // The entry is a compressed scan file that reads back as the scan.
    EXPECT_EQ(test::ReadFileBytes(kept.back().Path).substr(0, 2), "\x1f\x8b");
    const TImportResult back = ImportScanFile(kept.back().Path, TScanContext());
    EXPECT_EQ(back.Tree->Root()->FullPath(), r);
    EXPECT_EQ(back.Tree->Root()->TotalSize(), 500);

    // Over the byte limit the oldest of all go first; the scan just written always stays.
    const std::int64_t one = kept.back().FileSize;
    TScanHistory tight(t.Path(), {3, 2 * one + one / 2});
    tight.Record(*Scan("/s", 9)->Root(), 7);
    EXPECT_TRUE(tight.List(r).empty()); // 3, 4 and 5 are older than /s's 6
    EXPECT_EQ(Times(tight.List(s)), (std::vector<std::int64_t>{6, 7}));
    TScanHistory none(t.Path(), {3, 0});
    none.Record(*Scan("/r", 1)->Root(), 8);
    EXPECT_EQ(Times(none.List(r)), (std::vector<std::int64_t>{8}));
    EXPECT_TRUE(none.List(s).empty());

    none.Clear();
    EXPECT_TRUE(Names(t.Path()).empty());
}

TEST(ScanHistory, AStoppedWriteLeavesNoFileAndDropsNone)
{
    test::TempDir t;
    TScanHistory history(t.Path(), {1, 1LL << 30});
    history.Record(*Scan("/r", 10)->Root(), 1);
    const std::vector<std::string> before = Names(t.Path());
    const std::atomic<bool> stop{true};
    EXPECT_THROW(history.Record(*Scan("/r", 20)->Root(), 2, -1, &stop), EExportStopped);
    EXPECT_EQ(Names(t.Path()), before); // no file begun, the older scan not pruned
}

TEST(ScanHistory, DamagedAndForeignFilesAreSkippedAndKept)
{
    test::TempDir t;
    TScanHistory history(t.Path(), {1, 1LL << 30});
    const THistoryEntry good = history.Record(*Scan("/r", 10)->Root(), 100);
    const THistoryEntry other = history.Record(*Scan("/s", 10)->Root(), 100);
    const std::string name = good.Path.substr(t.Path().size() + 1);
    const std::string hash = name.substr(0, 16);
    // Named as scans of /r: one damaged, one recording another folder, one cut short.
    test::WriteFileBytes(t / (hash + "-50-1-1.json.gz"), "garbage");
    test::WriteFileBytes(t / (hash + "-60-1-1.json.gz"), test::ReadFileBytes(other.Path));
    const std::string whole = test::ReadFileBytes(good.Path);
    test::WriteFileBytes(t / (hash + "-70-1-1.json.gz"), whole.substr(0, 5));
    // And files of other forms.
    test::WriteFileBytes(t / "notes.txt", "mine");
    test::WriteFileBytes(t / (hash + "-x-1-1.json.gz"), whole);

    EXPECT_EQ(Times(history.List(test::NativePath("/r"))), (std::vector<std::int64_t>{100}));
    // The per-folder limit counts by name, but only history files are ever removed; and
    // Clear leaves what is not one.
    const THistoryEntry newer = history.Record(*Scan("/r", 20)->Root(), 200);
    EXPECT_EQ(Times(history.List(test::NativePath("/r"))), (std::vector<std::int64_t>{200}));
    // What Clear is about to remove, as its question names it: history files only.
    const THistoryTotals totals = history.Totals();
    EXPECT_EQ(totals.Scans, 2);
    EXPECT_EQ(totals.Bytes, newer.FileSize + other.FileSize);
    history.Clear();
    EXPECT_EQ(Names(t.Path()), (std::vector<std::string>{hash + "-x-1-1.json.gz", "notes.txt"}));
}

} // namespace
} // namespace harrowdale
