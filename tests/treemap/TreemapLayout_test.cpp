#include "TreemapTestSupport.h"
#include "support/Environment.h"
#include "support/TreeFixture.h"
#include "treemap/PixelCanvas.h"
#include "treemap/TreemapLayout.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::NativePath;

using test::FileIn;
using test::FilesBelow;

const TTreemapItem* ItemOf(const TTreemapLayout& map, const TFileLeaf* f)
{
    for (const TTreemapItem& it : map.Items())
        if (it.File == f)
            return &it;
    return nullptr;
}

TEST(TreemapLayout, ThreeFilesShareOneRowInProportion)
{
    test::TreeFixture fx("/r");
    test::AddFiles(fx, fx.Root(), {{"a.txt", 50}, {"b.bin", 30}, {"c", 20}});
    fx.Finish();
    const TFileLeaf* a = FileIn(fx.Root(), "a.txt");
    const TFileLeaf* b = FileIn(fx.Root(), "b.bin");
    const TFileLeaf* c = FileIn(fx.Root(), "c");

    TTreemapLayout map;
    const std::vector<const TFileLeaf*> smallestFirst = {c, b, a};
    map.BuildFromFiles(smallestFirst, {0, 0, 100, 50});

    ASSERT_EQ(map.Items().size(), 3u);
    EXPECT_EQ(map.Items()[0].File, a);
    EXPECT_EQ(map.Items()[0].Rect, (TRect{0, 0, 50, 50}));
    EXPECT_EQ(map.Items()[1].Rect, (TRect{50, 0, 80, 50}));
    EXPECT_EQ(map.Items()[2].Rect, (TRect{80, 0, 100, 50}));
    EXPECT_EQ(map.Items()[0].FullPath(), NativePath("/r/a.txt"));
    EXPECT_EQ(map.Items()[0].DisplayText(), "a.txt");
    EXPECT_EQ(map.Items()[0].Ext(), ".txt");
    EXPECT_EQ(map.Items()[2].Ext(), "");
    EXPECT_EQ(map.Items()[1].Size(), 30);
}

TEST(TreemapLayout, RowLengthIsTheRoundedRootFromEightToFortyEight)
{
    const std::pair<std::size_t, int> cases[] = {{0, 8},     {1, 8},     {72, 8},    {100, 10},
                                                 {1000, 32}, {2256, 47}, {2257, 48}, {1000000, 48}};
    for (const auto& [files, perRow] : cases)
        EXPECT_EQ(TTreemapLayout::RowLength(files), perRow) << files << " files";
}

TEST(TreemapLayout, RowsHoldRowLengthFilesAndWidthsFollowSizes)
{
    test::TreeFixture fx("/r");
    test::AddNumberedFiles(fx, fx.Root(), 100, 7);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 1000, 1000});
    ASSERT_EQ(map.Items().size(), 100u);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(map.Items()[i].Rect.Left, static_cast<int>(i % 10) * 100) << i;
        EXPECT_EQ(map.Items()[i].Rect.Top, static_cast<int>(i / 10) * 100) << i;
    }

    test::TreeFixture five("/r");
    for (const int size : {40, 30, 15, 10, 5})
        five.File(five.Root(), "s" + std::to_string(size), size);
    five.Finish();
    map.BuildFromFiles(FilesBelow(five.Root()), {0, 0, 200, 20});
    std::vector<int> widths;
    for (const TTreemapItem& it : map.Items()) {
        EXPECT_EQ(it.Rect.Top, 0);
        EXPECT_EQ(it.Rect.Bottom, 20);
        widths.push_back(it.Rect.Width());
    }
    EXPECT_EQ(widths, (std::vector<int>{80, 60, 30, 20, 10}));
}

TEST(TreemapLayout, EmptyFilesGetAPixelInARowOrNoItemInTheirOwnRow)
{
    test::TreeFixture fx("/r");
    for (const char* name : {"a", "b", "c"})
        fx.File(fx.Root(), name, 3);
    fx.File(fx.Root(), "zero", 0);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 100, 10});
    const TTreemapItem* zero = map.GetItemByPath(NativePath("/r/zero"));
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->Rect, (TRect{99, 0, 100, 10}));

    // Eight files fill the first row; the empty ninth is a row of its own.
    test::TreeFixture rows("/r");
    test::AddNumberedFiles(rows, rows.Root(), 8, 10);
    rows.File(rows.Root(), "zero", 0);
    rows.Finish();
    map.BuildFromFiles(FilesBelow(rows.Root()), {0, 0, 80, 10});
    EXPECT_EQ(map.Items().size(), 8u);
    EXPECT_EQ(map.GetItemByPath(NativePath("/r/zero")), nullptr);
    map.SetSelectedByPaths(std::vector<std::string>{NativePath("/r/zero")});
    EXPECT_TRUE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
}

TEST(TreemapLayout, NothingToLayOutLeavesNoItemsAndNoSelection)
{
    test::TreeFixture fx("/r");
    test::AddFiles(fx, fx.Root(), {{"a", 10}, {"z1", 0}, {"z2", 0}});
    fx.Finish();
    const std::vector<const TFileLeaf*> some = FilesBelow(fx.Root());
    const std::vector<const TFileLeaf*> allEmpty = {FileIn(fx.Root(), "z1"),
                                                    FileIn(fx.Root(), "z2")};
    struct Case
    {
        const char* What;
        std::vector<const TFileLeaf*> Files;
        TRect Target;
    };
    const Case cases[] = {
        {"no files", {}, {0, 0, 50, 50}},
        {"empty target", some, {0, 0, 0, 50}},
        {"inverted target", some, {10, 10, 5, 50}},
        {"files of size 0", allEmpty, {0, 0, 50, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TTreemapLayout map;
        map.BuildFromFiles(some, {0, 0, 50, 50});
        map.SetSingleSelected(&map.Items()[0]);
        map.BuildFromFiles(c.Files, c.Target);
        EXPECT_TRUE(map.Items().empty());
        EXPECT_FALSE(map.HasSelection());
        EXPECT_EQ(map.Primary(), nullptr);
        EXPECT_EQ(map.GetItemByPath(NativePath("/r/a")), nullptr);
        EXPECT_EQ(map.HitTest({1, 1}), nullptr);
    }
}

TEST(TreemapLayout, CellsPushedPastTheEdgeAreFoundAndSelectableButNeverDrawnOrHit)
{
    test::TreeFixture fx("/r");
    test::AddNumberedFiles(fx, fx.Root(), 10, 1);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 4, 4});
    ASSERT_EQ(map.Items().size(), 10u);
    // Row 1: eight cells of at least 1 pixel in a 4-pixel width; row 2 below it.
    EXPECT_EQ(map.Items()[3].Rect, (TRect{3, 0, 4, 3}));
    EXPECT_TRUE(map.Items()[4].Rect.IsEmpty());
    EXPECT_TRUE(map.Items()[7].Rect.IsEmpty());
    EXPECT_EQ(map.Items()[9].Rect, (TRect{2, 3, 4, 4}));

    const TTreemapItem& hidden = map.Items()[5];
    EXPECT_EQ(map.GetItemByPath(hidden.FullPath()), &hidden);
    map.ToggleSelected(&hidden);
    EXPECT_TRUE(map.IsSelected(hidden));
    EXPECT_EQ(map.Primary(), &hidden);

    TPixelCanvas canvas(4, 4);
    map.Paint(canvas);
    EXPECT_FALSE(test::AnyPixel(canvas, kWhite));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const TTreemapItem* hit = map.HitTest({x, y});
            ASSERT_NE(hit, nullptr);
            EXPECT_FALSE(hit->Rect.IsEmpty());
        }
}

TEST(TreemapLayout, HitTestFindsTheCellUnderThePoint)
{
    std::mt19937 random(12345);
    test::TreeFixture fx("/r");
    for (int i = 0; i < 500; ++i)
        fx.File(fx.Root(), "f" + std::to_string(i), random() % 5 == 0 ? 0 : random() % 100000);
    fx.Finish();
    TTreemapLayout map;
    const TRect target{3, 5, 203, 155};
    map.BuildFromFiles(FilesBelow(fx.Root()), target);
    for (int y = target.Top - 1; y <= target.Bottom; ++y)
        for (int x = target.Left - 1; x <= target.Right; ++x) {
            const TTreemapItem* expected = nullptr;
            for (const TTreemapItem& it : map.Items())
                if (it.Rect.Contains({x, y})) {
                    expected = &it;
                    break;
                }
            ASSERT_EQ(map.HitTest({x, y}), expected) << x << "," << y;
        }
}

class TreemapTwoCells : public ::testing::Test
{
protected:
    TreemapTwoCells()
    {
        fx.File(fx.Root(), "a.aaa", 60);
        fx.File(fx.Root(), "b.bbb", 40);
        fx.Finish();
        map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 100, 40});
        a = ItemOf(map, FileIn(fx.Root(), "a.aaa"));
        b = ItemOf(map, FileIn(fx.Root(), "b.bbb"));
    }
    std::vector<TColor> RowOfPixels(int fromX, int toX, int y)
    {
        TPixelCanvas canvas(100, 40);
        map.Paint(canvas);
        std::vector<TColor> out;
        for (int x = fromX; x <= toX; ++x)
            out.push_back(canvas.Pixel(x, y));
        return out;
    }

    test::TreeFixture fx{"/r"};
    TTreemapLayout map;
    const TTreemapItem* a = nullptr;
    const TTreemapItem* b = nullptr;
    const TColor colorA = ColorForExt(".aaa");
    const TColor colorB = ColorForExt(".bbb");
};

TEST_F(TreemapTwoCells, CellsAreFilledInsideABlackOutline)
{
    ASSERT_EQ(a->Rect, (TRect{0, 0, 60, 40}));
    ASSERT_EQ(b->Rect, (TRect{60, 0, 100, 40}));
    EXPECT_EQ(RowOfPixels(0, 2, 20), (std::vector<TColor>{kBlack, colorA, colorA}));
    EXPECT_EQ(RowOfPixels(58, 62, 20),
              (std::vector<TColor>{colorA, kBlack, kBlack, colorB, colorB}));
}

TEST_F(TreemapTwoCells, ASelectionFrameIsCoveredByTheCellsPaintedAfterIt)
{
    map.SetSingleSelected(a);
    EXPECT_EQ(RowOfPixels(0, 2, 20), (std::vector<TColor>{kWhite, kWhite, colorA}));
    EXPECT_EQ(RowOfPixels(57, 61, 20),
              (std::vector<TColor>{colorA, kWhite, kWhite, kBlack, colorB}));
    map.SetSingleSelected(b);
    EXPECT_EQ(RowOfPixels(57, 63, 20),
              (std::vector<TColor>{colorA, colorA, kWhite, kWhite, kWhite, colorB, colorB}));
}

TEST(TreemapLayout, SmallCellsLoseTheGapThenTheOutline)
{
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "big.aaa", 8);
    fx.File(fx.Root(), "small.bbb", 4);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 12, 8});
    ASSERT_EQ(map.Items()[0].Rect, (TRect{0, 0, 8, 8}));
    ASSERT_EQ(map.Items()[1].Rect, (TRect{8, 0, 12, 8}));
    TPixelCanvas canvas(12, 8);
    map.Paint(canvas);
    // 8 x 8: filled to its edge, then outlined.
    EXPECT_TRUE(test::AllPixels(canvas, {1, 1, 7, 7}, ColorForExt(".aaa")));
    EXPECT_EQ(canvas.Pixel(0, 0), kBlack);
    EXPECT_EQ(canvas.Pixel(7, 4), kBlack);
    // 4 x 8: filled whole, no outline.
    EXPECT_TRUE(test::AllPixels(canvas, {8, 0, 12, 8}, ColorForExt(".bbb")));

    map.SetSingleSelected(&map.Items()[1]);
    TPixelCanvas selected(12, 8);
    map.Paint(selected);
    EXPECT_TRUE(test::AllPixels(selected, {7, 0, 10, 8}, kWhite));
}

TEST(TreemapLayout, ToggleAndPrimary)
{
    test::TreeFixture fx("/r");
    for (const char* name : {"a", "b", "c"})
        fx.File(fx.Root(), name, 10);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 90, 10});
    const TTreemapItem* a = map.GetItemByPath(NativePath("/r/a"));
    const TTreemapItem* b = map.GetItemByPath(NativePath("/r/b"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    map.ToggleSelected(a);
    map.ToggleSelected(a);
    EXPECT_FALSE(map.IsSelected(*a));
    EXPECT_EQ(map.Primary(), nullptr);
    EXPECT_FALSE(map.HasSelection());

    map.SetSingleSelected(a);
    map.ToggleSelected(b);
    EXPECT_EQ(map.Primary(), b);
    map.ToggleSelected(a); // another selected item: the primary stays
    EXPECT_FALSE(map.IsSelected(*a));
    EXPECT_EQ(map.Primary(), b);
    map.ToggleSelected(b); // the primary itself
    EXPECT_EQ(map.Primary(), nullptr);
    EXPECT_FALSE(map.HasSelection());

    map.SetSingleSelected(a);
    map.ToggleSelected(nullptr);
    EXPECT_EQ(map.Primary(), a);
    map.SetSingleSelected(nullptr);
    EXPECT_FALSE(map.HasSelection());
}

TEST(TreemapLayout, PathsDifferingInCaseAreTwoItemsEachWithItsOwnPrimary)
{
    if (test::OnWindows())
        GTEST_SKIP() << "a Windows folder cannot hold two names that differ only in case";
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "A.txt", 20);
    fx.File(fx.Root(), "a.txt", 10);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 30, 10});
    const TTreemapItem* upper = map.GetItemByPath(NativePath("/r/A.txt"));
    const TTreemapItem* lower = map.GetItemByPath(NativePath("/r/a.txt"));
    ASSERT_NE(upper, nullptr);
    ASSERT_NE(lower, nullptr);
    EXPECT_NE(upper, lower);

    map.ToggleSelected(upper);
    map.ToggleSelected(lower);
    EXPECT_EQ(map.Primary(), lower);
    // Deselecting the other spelling is deselecting another file: the primary stays.
    map.ToggleSelected(upper);
    EXPECT_EQ(map.Primary(), lower);
    EXPECT_TRUE(map.IsSelected(*lower));
    EXPECT_FALSE(map.IsSelected(*upper));
    map.ToggleSelected(lower);
    EXPECT_EQ(map.Primary(), nullptr);
}

TEST(TreemapLayout, APathInAnotherCaseIsTheSameFileOnWindowsOnly)
{
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "Report.txt", 20);
    fx.File(fx.Root(), "other.txt", 10);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 30, 10});
    const TTreemapItem* exact = map.GetItemByPath(NativePath("/r/Report.txt"));
    ASSERT_NE(exact, nullptr);
    const TTreemapItem* other = map.GetItemByPath(NativePath("/R/REPORT.TXT"));
    map.SetSelectedByPaths(std::vector<std::string>{NativePath("/r/REPORT.TXT")});
    if (test::OnWindows()) {
        EXPECT_EQ(other, exact);
        EXPECT_EQ(map.Primary(), exact);
    } else {
        EXPECT_EQ(other, nullptr);
        EXPECT_EQ(map.Primary(), nullptr);
    }
}

TEST(TreemapLayout, SetSelectedByPathsMakesTheFirstPathWithAnItemThePrimary)
{
    test::TreeFixture fx("/r");
    TDirNode* sub = fx.Folder(fx.Root(), "sub");
    fx.File(fx.Root(), "a", 30);
    fx.File(sub, "b", 20);
    fx.File(sub, "c", 10);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 60, 10});
    const TTreemapItem* a = map.GetItemByPath(NativePath("/r/a"));
    const TTreemapItem* b = map.GetItemByPath(NativePath("/r/sub/b"));
    const TTreemapItem* c = map.GetItemByPath(NativePath("/r/sub/c"));

    map.SetSelectedByPaths(std::vector<std::string>{NativePath("/r/missing"), "",
                                                    NativePath("/r/sub"), NativePath("/r/sub/b"),
                                                    NativePath("/r/a")});
    EXPECT_EQ(map.Primary(), b);
    EXPECT_TRUE(map.IsSelected(*a));
    EXPECT_TRUE(map.IsSelected(*b));
    EXPECT_FALSE(map.IsSelected(*c));

    map.SetSelectedByPaths(std::vector<std::string>{NativePath("/r/missing")});
    EXPECT_TRUE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
    map.SetSelectedByPaths(std::vector<std::string>{""});
    EXPECT_FALSE(map.HasSelection());

    map.SetSelectedByPaths(std::vector<std::string>{NativePath("/r/a")});
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 60, 10});
    EXPECT_FALSE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
}

TEST(TreemapLayout, LargestItemByExtension)
{
    test::TreeFixture fx("/r");
    test::AddFiles(fx, fx.Root(),
                   {{"x.TXT", 30},
                    {"y.txt", 50},
                    {"z.txt", 50},
                    {"README", 40},
                    {"LICENSE", 45},
                    {"empty.bin", 0}});
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(FilesBelow(fx.Root()), {0, 0, 200, 50});

    const TTreemapItem* firstOfTheLargest = nullptr;
    for (const TTreemapItem& it : map.Items())
        if (it.Ext() == ".txt" && it.Size() == 50) {
            firstOfTheLargest = &it;
            break;
        }
    ASSERT_NE(firstOfTheLargest, nullptr);
    EXPECT_EQ(map.GetLargestItemByExt(".txt"), firstOfTheLargest);
    EXPECT_EQ(map.GetLargestItemByExt(".TXT"), firstOfTheLargest);
    EXPECT_EQ(map.GetLargestItemByExt(""), map.GetItemByPath(NativePath("/r/LICENSE")));
    EXPECT_EQ(map.GetLargestItemByExt("(none)"), map.GetItemByPath(NativePath("/r/LICENSE")));
    EXPECT_EQ(map.GetLargestItemByExt(".bin"), map.GetItemByPath(NativePath("/r/empty.bin")));
    EXPECT_EQ(map.GetLargestItemByExt(".jpg"), nullptr);
}

} // namespace
} // namespace harrowdale
