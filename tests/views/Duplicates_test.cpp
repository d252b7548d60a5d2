#include "platform/Casing.h"
#include "scan/ResultArrays.h"
#include "support/Environment.h"
#include "support/TreeFixture.h"
#include "views/Duplicates.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace harrowdale {
namespace {

// The grouping written the obvious way: one pass with a dictionary from key to {Count, First,
// Group}. The reference the memory-saving implementation must agree with.
std::vector<TDupGroup> ReferenceGroups(const std::vector<const TFileLeaf*>& files)
{
    struct TTemp
    {
        int Count = 0;
        const TFileLeaf* First = nullptr;
        std::size_t Group = SIZE_MAX;
    };
    std::map<std::string, TTemp> temp;
    std::vector<TDupGroup> groups;
    for (const TFileLeaf* f : files) {
        if (f == nullptr)
            continue;
        const std::string k = DuplicateKey(f->Name(), f->Size());
        auto it = temp.find(k);
        if (it != temp.end()) {
            TTemp& t = it->second;
            ++t.Count;
            if (t.Count == 2) {
                TDupGroup g;
                g.FileName = std::string(f->Name());
                g.Size = f->Size();
                g.ModifiedFT = f->ModifiedFT();
                g.Color = DupGroupColor(k);
                g.Files = {t.First, f};
                t.Group = groups.size();
                groups.push_back(std::move(g));
            } else if (t.Group != SIZE_MAX) {
                groups[t.Group].Files.push_back(f);
            }
        } else {
            temp[k] = {1, f, SIZE_MAX};
        }
    }
    return groups;
}

std::int64_t Product(const TDupGroup& g)
{
    return static_cast<std::int64_t>(g.Files.size()) * g.Size;
}

// The reference groups in the order the grouping ranks them: larger products first, and
// equal products by where their first file stands in `files`.
void RankLikeTheGrouping(std::vector<TDupGroup>& groups, const std::vector<const TFileLeaf*>& files)
{
    std::map<const TFileLeaf*, std::size_t> position;
    for (std::size_t i = 0; i < files.size(); ++i)
        position.emplace(files[i], i);
    std::sort(groups.begin(), groups.end(), [&](const TDupGroup& a, const TDupGroup& b) {
        if (Product(a) != Product(b))
            return Product(a) > Product(b);
        return position.at(a.Files.front()) < position.at(b.Files.front());
    });
}

// The same groups, members, names and dates as the one-pass dictionary, in one defined
// order whatever the input's order or size (a big input is grouped on several threads).
void ExpectSameAsReference(const std::vector<const TFileLeaf*>& files)
{
    std::vector<TDupGroup> ref = ReferenceGroups(files);
    RankLikeTheGrouping(ref, files);
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out, {}, SIZE_MAX));
    ASSERT_EQ(out.Groups.size(), ref.size());
    std::size_t members = 0;
    for (std::size_t i = 0; i < ref.size(); ++i) {
        const TDupGroup& g = *out.Groups[i];
        const TDupGroup& r = ref[i];
        EXPECT_EQ(g.FileName, r.FileName) << "group " << i;
        EXPECT_EQ(g.Size, r.Size);
        EXPECT_EQ(g.ModifiedFT, r.ModifiedFT);
        EXPECT_EQ(g.Color, r.Color);
        EXPECT_EQ(g.Files, r.Files) << g.FileName;
        members += g.Files.size();
    }
    EXPECT_EQ(out.ColorByFile.size(), members);
    EXPECT_EQ(out.GroupByFile.size(), members);
    // A cap keeps fewer groups but still counts every group found, however the work was cut.
    EXPECT_EQ(out.GroupsFound, ref.size());
    TDuplicates capped;
    ASSERT_TRUE(BuildDuplicates(files, capped, {}, 10));
    EXPECT_EQ(capped.Groups.size(), std::min<std::size_t>(ref.size(), 10));
    EXPECT_EQ(capped.GroupsFound, ref.size());
}

TEST(Duplicates, KeyAndColour)
{
    EXPECT_EQ(DuplicateKey("a.txt", 1), "A.TXT|1");
    EXPECT_EQ(DuplicateKey("\xC3\xA4"
                           "bc",
                           -5),
              "\xC3\x84"
              "BC|-5");
    const TColor c = DupGroupColor(DuplicateKey("a.txt", 1));
    EXPECT_EQ(RedOf(c), 121);
    EXPECT_EQ(GreenOf(c), 242);
    EXPECT_EQ(BlueOf(c), 39);
}

TEST(Duplicates, SameNameInAnyCaseAndSameSizeFormOneGroup)
{
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* b = fx.Folder(fx.Root(), "b");
    fx.File(a, "Report.PDF", 1000, 111);
    fx.File(b, "report.pdf", 1000, 222);
    fx.File(a, "other.pdf", 1000);
    fx.Finish();
    const std::vector<const TFileLeaf*> files{&a->Leaves()[0], &a->Leaves()[1], &b->Leaves()[0]};

    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out));
    ASSERT_EQ(out.Groups.size(), 1u);
    const TDupGroup& g = *out.Groups[0];
    EXPECT_EQ(g.FileName, "report.pdf"); // spelled as the second member found
    EXPECT_EQ(g.ModifiedFT, 222);
    EXPECT_EQ(g.Size, 1000);
    EXPECT_EQ(g.Color, DupGroupColor("REPORT.PDF|1000"));
    ASSERT_EQ(g.Files.size(), 2u);
    EXPECT_EQ(g.Files[0], &a->Leaves()[0]);
    EXPECT_EQ(g.Files[1], &b->Leaves()[0]);
    EXPECT_EQ(out.ColorByFile.size(), 2u);
    EXPECT_EQ(out.ColorByFile.at(&b->Leaves()[0]), g.Color);
    EXPECT_EQ(out.GroupByFile.at(&a->Leaves()[0]), &g);
    EXPECT_EQ(out.GroupByFile.count(&a->Leaves()[1]), 0u);

    // The other order names the group after the other spelling.
    const std::vector<const TFileLeaf*> swapped{&b->Leaves()[0], &a->Leaves()[1], &a->Leaves()[0]};
    ASSERT_TRUE(BuildDuplicates(swapped, out));
    ASSERT_EQ(out.Groups.size(), 1u);
    EXPECT_EQ(out.Groups[0]->FileName, "Report.PDF");
    EXPECT_EQ(out.Groups[0]->ModifiedFT, 111);
}

TEST(Duplicates, NamesWithTheSameUpperCaseKeyMeetWhetherAsciiOrNot)
{
    // The system's upper-casing decides: ICU's on Linux, CharUpperBuffW's on Windows,
    // which leaves dotless i and long s as they are.
    struct Case
    {
        const char* First;
        const char* Second;
        bool GroupOnLinux;
        bool GroupOnWindows;
    };
    const Case cases[] = {
        {"file.txt", "f\xC4\xB1le.txt", true, false}, // dotless i upper-cases to I (ICU)
        {"f\xC4\xB1le.txt", "FILE.TXT", true, false},
        {"s.txt", "\xC5\xBF.txt", true, false},                         // long s to S (ICU)
        {"longer-name-s.bin", "longer-name-\xC5\xBF.bin", true, false}, // past one word
        {"\xC3\xA4.txt", "\xC3\x84.TXT", true, true},
        {"file.txt", "f\xC3\xAFle.txt", false, false}, // i with diaeresis stays itself
        {"bad\xFF.txt", "BAD\xFF.TXT", true, true},    // bytes that do not decode stay bytes
        {"bad\xFF.txt", "bad\xFE.txt", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.First) + " / " + c.Second);
        const bool group = test::OnWindows() ? c.GroupOnWindows : c.GroupOnLinux;
        test::TreeFixture fx;
        TDirNode* a = fx.Folder(fx.Root(), "a");
        fx.File(a, c.First, 100);
        fx.File(fx.Root(), c.Second, 100);
        fx.Finish();
        TDuplicates out;
        ASSERT_TRUE(BuildDuplicates(FlattenAllFilesFromRoot(fx.Root()).Files, out));
        ASSERT_EQ(out.Groups.size(), group ? 1u : 0u);
        if (group) {
            EXPECT_EQ(out.Groups[0]->Files.size(), 2u);
        }
    }
}

TEST(Duplicates, DifferentSizesOrAloneFormNone)
{
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    fx.File(fx.Root(), "report.pdf", 1001);
    fx.File(a, "report.pdf", 1000);
    fx.File(a, "alone.txt", 5);
    fx.Finish();
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(FlattenAllFilesFromRoot(fx.Root()).Files, out));
    EXPECT_TRUE(out.Groups.empty());
    EXPECT_TRUE(out.ColorByFile.empty());
    EXPECT_TRUE(out.GroupByFile.empty());

    ASSERT_TRUE(BuildDuplicates({}, out));
    EXPECT_TRUE(out.Groups.empty());
}

TEST(Duplicates, AGroupWhoseBytesPassSixtyFourBitsStillRanksFirst)
{
    // Two files of 2^62 bytes hold 2^63 bytes together, one more than 64 signed bits hold:
    // the group's bytes saturate rather than wrap to a negative number.
    std::vector<test::TreeFixture> trees(3);
    trees[0].File(trees[0].Root(), "huge.bin", std::int64_t{1} << 62);
    trees[1].File(trees[1].Root(), "huge.bin", std::int64_t{1} << 62);
    trees[2].File(trees[2].Folder(trees[2].Root(), "a"), "small.bin", 1000);
    trees[2].File(trees[2].Root(), "small.bin", 1000);
    std::vector<const TFileLeaf*> files;
    for (test::TreeFixture& t : trees) {
        t.Finish();
        for (const TFileLeaf* f : FlattenAllFilesFromRoot(t.Root()).Files)
            files.push_back(f);
    }
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out, {}, 1));
    ASSERT_EQ(out.Groups.size(), 1u);
    EXPECT_EQ(out.Groups[0]->FileName, "huge.bin");
}

TEST(Duplicates, MatchesTheOnePassDictionaryOnInterleavedNames)
{
    // Several names in mixed case, interleaved within runs of equal size, in many
    // folders, with sizes that repeat; a group is made by its second member.
    test::TreeFixture fx;
    const char* names[] = {"a.txt", "A.TXT",   "b.txt",        "B.txt",        "a.TXT",
                           "c",     "C",       "\xC3\xA4.doc", "\xC3\x84.DOC", "x|1",
                           "X|1",   "bad\xFF", "BAD\xFF"};
    std::mt19937 rng(1234);
    std::vector<TDirNode*> folders{fx.Root()};
    for (int i = 0; i < 20; ++i)
        folders.push_back(fx.Folder(folders[rng() % folders.size()], "d" + std::to_string(i)));
    for (int i = 0; i < 3000; ++i) {
        const std::int64_t sizes[] = {0, 1, 7, 100, 4096, -3};
        fx.File(folders[rng() % folders.size()], names[rng() % std::size(names)],
                sizes[rng() % std::size(sizes)], static_cast<std::int64_t>(i + 1));
    }
    fx.Finish();
    std::vector<const TFileLeaf*> files = FlattenAllFilesFromRoot(fx.Root()).Files;
    // Shuffle within equal sizes (a sort by size alone leaves their order open).
    std::shuffle(files.begin(), files.end(), rng);
    std::stable_sort(files.begin(), files.end(),
                     [](const TFileLeaf* x, const TFileLeaf* y) { return x->Size() > y->Size(); });
    SCOPED_TRACE("sorted largest first");
    ExpectSameAsReference(files);

    // Ascending order and null entries are handled the same way.
    std::vector<const TFileLeaf*> ascending(files.rbegin(), files.rend());
    ascending.insert(ascending.begin() + 500, nullptr);
    ascending.push_back(nullptr);
    {
        SCOPED_TRACE("ascending with nulls");
        ExpectSameAsReference(ascending);
    }
    // An array not sorted by size at all still gives the dictionary's result.
    std::shuffle(files.begin(), files.end(), rng);
    files.insert(files.begin() + 10, nullptr);
    SCOPED_TRACE("unsorted");
    ExpectSameAsReference(files);
}

TEST(Duplicates, ManyFilesOfOneSize)
{
    // One long run: 20,000 empty files, a tenth of them sharing names.
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    for (int i = 0; i < 20000; ++i)
        fx.File(i % 2 ? a : fx.Root(),
                i % 10 == 0 ? "same" + std::to_string(i % 70) + ".txt" : "f" + std::to_string(i),
                0);
    fx.Finish();
    ExpectSameAsReference(FlattenAllFilesFromRoot(fx.Root()).Files);
}

TEST(Duplicates, BigInputsGroupedOnSeveralThreadsGiveTheSameGroups)
{
    // Enough files for the grouping to cut the size-sorted array in slices for several
    // threads; runs of equal sizes are long, and groups lie in every slice.
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* b = fx.Folder(fx.Root(), "b");
    for (int i = 0; i < 240000; ++i)
        fx.File(i % 3 ? a : b, "n" + std::to_string(i % 1500) + (i % 2 ? ".DAT" : ".dat"),
                (i % 4000) * 7);
    fx.Finish();
    std::vector<const TFileLeaf*> files = FlattenAllFilesFromRoot(fx.Root()).Files;
    {
        SCOPED_TRACE("largest first");
        ExpectSameAsReference(files);
    }
    {
        SCOPED_TRACE("ascending");
        ExpectSameAsReference({files.rbegin(), files.rend()});
    }
    // Sorted but for one file far from its size: the split work sees it and the array is
    // grouped in size order instead.
    std::swap(files[1000], files[200000]);
    SCOPED_TRACE("not sorted");
    ExpectSameAsReference(files);
}

TEST(Duplicates, RankingByFilesTimesSize)
{
    test::TreeFixture fx;
    for (int i = 0; i < 3; ++i)
        fx.File(fx.Folder(fx.Root(), "t" + std::to_string(i)), "three.bin", 100);
    for (int i = 0; i < 2; ++i)
        fx.File(fx.Folder(fx.Root(), "o" + std::to_string(i)), "onefifty.bin", 150);
    for (int i = 0; i < 2; ++i)
        fx.File(fx.Folder(fx.Root(), "k" + std::to_string(i)), "big.bin", 1000);
    for (int i = 0; i < 2; ++i)
        fx.File(fx.Folder(fx.Root(), "z" + std::to_string(i)), "empty", 0);
    fx.Finish();
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(FlattenAllFilesFromRoot(fx.Root()).Files, out));
    ASSERT_EQ(out.Groups.size(), 4u);
    EXPECT_EQ(out.Groups[0]->FileName, "big.bin");
    // 3 x 100 and 2 x 150 are equal (300): the group whose first file comes first in the
    // size-sorted array ranks first.
    EXPECT_EQ(out.Groups[1]->FileName, "onefifty.bin");
    EXPECT_EQ(out.Groups[2]->FileName, "three.bin");
    EXPECT_EQ(Product(*out.Groups[1]), 300);
    EXPECT_EQ(Product(*out.Groups[2]), 300);
    EXPECT_EQ(out.Groups[3]->FileName, "empty"); // 0-byte groups form too, and rank last
    EXPECT_EQ(out.Groups[3]->Files.size(), 2u);
}

// Groups of two files each: `sizes[i]` for group i, named "g<i>".
std::vector<const TFileLeaf*> PairGroups(test::TreeFixture& fx,
                                         const std::vector<std::int64_t>& sizes)
{
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* b = fx.Folder(fx.Root(), "b");
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        fx.File(a, "g" + std::to_string(i), sizes[i]);
        fx.File(b, "G" + std::to_string(i), sizes[i]);
    }
    fx.Finish();
    return FlattenAllFilesFromRoot(fx.Root()).Files;
}

TEST(Duplicates, CapKeepsTheLargest2000)
{
    std::vector<std::int64_t> sizes;
    for (int i = 0; i < 2500; ++i)
        sizes.push_back(i + 1);
    test::TreeFixture fx;
    const auto files = PairGroups(fx, sizes);
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out));
    ASSERT_EQ(out.Groups.size(), kMaxDupGroups);
    EXPECT_EQ(out.GroupsFound, 2500u);
    EXPECT_EQ(out.Groups.front()->Size, 2500);
    EXPECT_EQ(out.Groups.back()->Size, 501);
    for (std::size_t i = 1; i < out.Groups.size(); ++i)
        EXPECT_GT(out.Groups[i - 1]->Size, out.Groups[i]->Size);
    EXPECT_EQ(out.ColorByFile.size(), 2 * kMaxDupGroups);
    EXPECT_EQ(out.GroupByFile.size(), 2 * kMaxDupGroups);
    // Files of dropped groups are in neither map.
    for (const TFileLeaf* f : files)
        EXPECT_EQ(out.GroupByFile.count(f) == 1, f->Size() > 500);
}

TEST(Duplicates, EmptyFileGroupsAreDroppedFirst)
{
    // 1990 groups of 2 x 10 bytes and 20 groups of empty files: 2010 groups.
    std::vector<std::int64_t> sizes(1990, 10);
    sizes.resize(2010, 0);
    test::TreeFixture fx;
    const auto files = PairGroups(fx, sizes);
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out));
    ASSERT_EQ(out.Groups.size(), 2000u);
    for (std::size_t i = 0; i < out.Groups.size(); ++i)
        EXPECT_EQ(out.Groups[i]->Size, i < 1990 ? 10 : 0) << i;
}

TEST(Duplicates, SmallerCapAndNoMaps)
{
    test::TreeFixture fx;
    const auto files = PairGroups(fx, {5, 9, 7, 3});
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out, {}, 2, false));
    ASSERT_EQ(out.Groups.size(), 2u);
    EXPECT_EQ(out.Groups[0]->Size, 9);
    EXPECT_EQ(out.Groups[1]->Size, 7);
    EXPECT_TRUE(out.ColorByFile.empty());
    EXPECT_TRUE(out.GroupByFile.empty());
    ASSERT_TRUE(BuildDuplicates(files, out, {}, 0));
    EXPECT_TRUE(out.Groups.empty());
    EXPECT_EQ(out.GroupsFound, 4u);
}

TEST(Duplicates, ProgressSteps)
{
    test::TreeFixture fx;
    for (int i = 0; i < 1602; ++i)
        fx.File(fx.Root(), "f" + std::to_string(i % 900), 10);
    fx.Finish();
    const auto all = FlattenAllFilesFromRoot(fx.Root()).Files;
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    const auto record = [&calls](std::size_t done, std::size_t total) {
        calls.emplace_back(done, total);
        return true;
    };
    TDuplicates out;
    const std::vector<const TFileLeaf*> first1601(all.begin(), all.begin() + 1601);
    ASSERT_TRUE(BuildDuplicates(first1601, out, record));
    EXPECT_EQ(calls, (std::vector<std::pair<std::size_t, std::size_t>>{
                         {1, 1601}, {801, 1601}, {1601, 1601}}));
    calls.clear();
    ASSERT_TRUE(BuildDuplicates(all, out, record));
    EXPECT_EQ(calls, (std::vector<std::pair<std::size_t, std::size_t>>{
                         {1, 1602}, {801, 1602}, {1601, 1602}, {1602, 1602}}));
    EXPECT_EQ(out.Groups.size(), 702u); // f0..f701 twice
    // A null entry is skipped together with its progress step.
    calls.clear();
    std::vector<const TFileLeaf*> withNull = first1601;
    withNull[800] = nullptr;
    ASSERT_TRUE(BuildDuplicates(withNull, out, record));
    EXPECT_EQ(calls, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 1601}, {1601, 1601}}));
}

TEST(Duplicates, CancellationLeavesNothing)
{
    test::TreeFixture fx;
    const auto files = PairGroups(fx, std::vector<std::int64_t>(1000, 4));
    TDuplicates out;
    ASSERT_TRUE(BuildDuplicates(files, out));
    ASSERT_FALSE(out.Groups.empty());
    // Cancelled at the second progress step, after groups were already found.
    int calls = 0;
    EXPECT_FALSE(
        BuildDuplicates(files, out, [&calls](std::size_t, std::size_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(out.Groups.empty());
    EXPECT_TRUE(out.ColorByFile.empty());
    EXPECT_TRUE(out.GroupByFile.empty());
    // Cancelled at the very last step.
    const std::size_t last = files.size();
    EXPECT_FALSE(BuildDuplicates(files, out,
                                 [last](std::size_t done, std::size_t) { return done != last; }));
    EXPECT_TRUE(out.Groups.empty());
}

TEST(Duplicates, GroupModifiedText)
{
    test::TreeFixture fx;
    fx.File(fx.Root(), "x", 1, 0);
    fx.Finish();
    TDupGroup g;
    EXPECT_EQ(DupGroupModifiedText(g), "");
    g.Files.push_back(&fx.Root()->Leaves()[0]);
    EXPECT_EQ(DupGroupModifiedText(g), ""); // no modification time
}

} // namespace
} // namespace harrowdale
