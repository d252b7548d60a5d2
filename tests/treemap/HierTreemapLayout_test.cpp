#include "TreemapTestSupport.h"
#include "platform/Paths.h"
#include "support/Environment.h"
#include "support/TreeFixture.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/PixelCanvas.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::NativePath;

using test::FileIn;

const THierItem* ItemAt(const THierTreemapLayout& map, std::string_view path)
{
    for (const THierItem& it : map.Items())
        if (it.FullPath() == path)
            return &it;
    return nullptr;
}

TEST(HierMap, SevenFilesAreSquarified)
{
    test::TreeFixture fx("/r");
    const std::pair<const char*, int> files[] = {{"f6a", 6}, {"f6b", 6}, {"f4", 4}, {"f3", 3},
                                                 {"f2a", 2}, {"f2b", 2}, {"f1", 1}};
    for (const auto& [name, size] : files)
        fx.File(fx.Root(), name, size);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 600, 400});

    // The cells (0,0,300,200), (0,200,300,400), (300,0,472,233), (472,0,600,233),
    // (300,233,420,400), (420,233,540,400), (540,233,600,400), each shrunk by 1.
    const std::vector<TRect> expected = {
        {1, 1, 299, 199},     {1, 201, 299, 399},   {301, 1, 471, 232},  {473, 1, 599, 232},
        {301, 234, 419, 399}, {421, 234, 539, 399}, {541, 234, 599, 399}};
    ASSERT_EQ(map.Items().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(map.Items()[i].Rect, expected[i]) << i;
        EXPECT_EQ(map.Items()[i].Kind, hkFile);
        EXPECT_EQ(map.Items()[i].Depth, 0);
    }
    // Equal sizes may come in either order; the others have their own cells.
    EXPECT_EQ(map.Items()[0].Size(), 6);
    EXPECT_EQ(map.Items()[2].FileLeaf()->Name(), "f4");
    EXPECT_EQ(map.Items()[3].FileLeaf()->Name(), "f3");
    EXPECT_EQ(map.Items()[6].FileLeaf()->Name(), "f1");
}

TEST(HierMap, ItemsComeInPreOrderWithTheirDepth)
{
    test::TreeFixture fx("/r");
    TDirNode* a = fx.Folder(fx.Root(), "A");
    TDirNode* b = fx.Folder(a, "B");
    fx.File(a, "x.TXT", 50);
    fx.File(b, "y.jpg", 25);
    fx.File(fx.Root(), "z.bin", 25);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 100, 100});

    struct Expected
    {
        std::string Path;
        THierKind Kind;
        int Depth;
    };
    const Expected expected[] = {{NativePath("/r/A"), hkDir, 0},
                                 {NativePath("/r/A/x.TXT"), hkFile, 1},
                                 {NativePath("/r/A/B"), hkDir, 1},
                                 {NativePath("/r/A/B/y.jpg"), hkFile, 2},
                                 {NativePath("/r/z.bin"), hkFile, 0}};
    ASSERT_EQ(map.Items().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const THierItem& it = map.Items()[i];
        EXPECT_EQ(it.FullPath(), expected[i].Path);
        EXPECT_EQ(it.UpperPath(), platform::PathKey(expected[i].Path));
        EXPECT_EQ(it.Kind, expected[i].Kind);
        EXPECT_EQ(it.Depth, expected[i].Depth);
    }
    const THierItem* folder = ItemAt(map, NativePath("/r/A"));
    EXPECT_EQ(folder->Dir(), a);
    EXPECT_EQ(folder->FileLeaf(), nullptr);
    EXPECT_EQ(folder->Size(), 75);
    EXPECT_EQ(folder->ExtLower(), "");
    EXPECT_EQ(ItemAt(map, NativePath("/r/A/x.TXT"))->ExtLower(), ".txt");
    EXPECT_EQ(ItemAt(map, NativePath("/r/A/x.TXT"))->FileLeaf(), FileIn(a, "x.TXT"));
}

TEST(HierMap, NothingOrLessIsPlaced)
{
    test::TreeFixture fx("/r");
    TDirNode* empty = fx.Folder(fx.Root(), "empty");
    fx.File(empty, "zero", 0);
    test::AddFiles(fx, fx.Root(), {{"big", 80}, {"s1", 4}, {"s2", 4}});
    fx.Finish();
    struct Case
    {
        const char* What;
        const TDirNode* Root;
        TRect Target;
        std::size_t Items;
    };
    const Case cases[] = {
        {"no root", nullptr, {0, 0, 50, 50}, 0},
        {"empty target", fx.Root(), {0, 0, 50, 0}, 0},
        {"root of size 0", empty, {0, 0, 50, 50}, 0},
        {"the first entry uses the rectangle up", fx.Root(), {0, 0, 4, 2}, 1},
        {"size 0 gets no item", fx.Root(), {0, 0, 50, 50}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        THierTreemapLayout map;
        map.BuildFromRootSquarified(c.Root, c.Target);
        EXPECT_EQ(map.Items().size(), c.Items);
    }

    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 50, 50});
    EXPECT_EQ(ItemAt(map, NativePath("/r/empty")), nullptr);
    map.SetSelectedByUpperPaths(std::vector<std::string>{NativePath("/r/empty/zero")});
    EXPECT_TRUE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
}

TEST(HierMap, SmallFoldersShareTheirRectangleAndLoseTheOutline)
{
    test::TreeFixture fx("/r");
    TDirNode* a = fx.Folder(fx.Root(), "A");
    fx.File(a, "f.dat", 10);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 9, 9});
    ASSERT_EQ(map.Items().size(), 2u);
    EXPECT_EQ(map.Items()[0].Rect, (TRect{0, 0, 9, 9}));
    EXPECT_EQ(map.Items()[1].Rect, (TRect{0, 0, 9, 9}));
    EXPECT_EQ(map.HitTest({4, 4}), &map.Items()[1]);

    map.BuildFromRootSquarified(fx.Root(), {0, 0, 5, 5});
    TPixelCanvas canvas(5, 5);
    map.Paint(canvas);
    EXPECT_TRUE(test::AllPixels(canvas, {0, 0, 5, 5}, ColorForExt(".dat")));
}

TEST(HierMap, HitsTheInnermostItemAndFoldersShowOnlyAsOutlines)
{
    test::TreeFixture fx("/r");
    TDirNode* a = fx.Folder(fx.Root(), "A");
    fx.File(a, "f.dat", 100);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 100, 100});
    const THierItem* folder = ItemAt(map, NativePath("/r/A"));
    const THierItem* file = ItemAt(map, NativePath("/r/A/f.dat"));
    ASSERT_EQ(folder->Rect, (TRect{1, 1, 99, 99}));
    ASSERT_EQ(file->Rect, (TRect{2, 2, 98, 98}));
    EXPECT_EQ(map.HitTest({1, 50}), folder); // the folder's 1-pixel margin
    EXPECT_EQ(map.HitTest({2, 50}), file);
    EXPECT_EQ(map.HitTest({0, 0}), nullptr);

    TPixelCanvas canvas(100, 100);
    map.Paint(canvas);
    EXPECT_EQ(canvas.Pixel(0, 50), kBlack);
    EXPECT_EQ(canvas.Pixel(1, 50), kBlack); // folder outline
    EXPECT_EQ(canvas.Pixel(2, 50), kBlack); // file outline
    EXPECT_EQ(canvas.Pixel(3, 50), ColorForExt(".dat"));

    // Frames come after every item, so the file does not cover its folder's frame.
    map.SetSingleSelected(folder);
    TPixelCanvas framed(100, 100);
    map.Paint(framed);
    EXPECT_TRUE(test::AllPixels(framed, {0, 3, 3, 97}, kWhite)); // x = 2: the file's outline
    EXPECT_EQ(framed.Pixel(3, 50), ColorForExt(".dat"));
}

TEST(HierMap, SelectsByExtension)
{
    test::TreeFixture fx("/r");
    TDirNode* sub = fx.Folder(fx.Root(), "sub");
    fx.File(sub, "e", 60);
    test::AddFiles(fx, fx.Root(), {{"a.TXT", 50}, {"b.txt", 40}, {"c", 30}, {"d.jpg", 20}});
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 200, 200});
    const auto selectedFiles = [&] {
        std::vector<std::string> out;
        for (const THierItem& it : map.Items())
            if (map.IsSelected(it))
                out.push_back(it.FullPath());
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::vector<std::string> noExt = {NativePath("/r/c"), NativePath("/r/sub/e")};

    map.SetSelectedByExts(std::vector<std::string>{""});
    EXPECT_EQ(selectedFiles(), noExt);
    EXPECT_EQ(map.Primary(), ItemAt(map, NativePath("/r/sub/e"))); // first in pre-order
    map.SetSelectedByExts(std::vector<std::string>{"(none)"});
    EXPECT_EQ(selectedFiles(), noExt);

    map.SetSelectedByExts(std::vector<std::string>{".TXT"});
    EXPECT_EQ(selectedFiles(),
              (std::vector<std::string>{NativePath("/r/a.TXT"), NativePath("/r/b.txt")}));

    map.SetSelectedByExts(std::vector<std::string>{".png", ".jpg", ".txt"});
    EXPECT_EQ(selectedFiles(),
              (std::vector<std::string>{NativePath("/r/a.TXT"), NativePath("/r/b.txt"),
                                        NativePath("/r/d.jpg")}));
    EXPECT_EQ(map.Primary(), ItemAt(map, NativePath("/r/d.jpg")));

    map.SetSelectedByExts(std::vector<std::string>{".png"});
    EXPECT_FALSE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
}

TEST(HierMap, SelectsByPathOrEntryAndTogglesAroundThePrimary)
{
    test::TreeFixture fx("/r");
    TDirNode* sub = fx.Folder(fx.Root(), "sub");
    fx.File(sub, "x", 60);
    fx.File(fx.Root(), "y", 50);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 100, 100});
    const THierItem* folder = ItemAt(map, NativePath("/r/sub"));
    const THierItem* x = ItemAt(map, NativePath("/r/sub/x"));
    const THierItem* y = ItemAt(map, NativePath("/r/y"));

    map.SetSelectedByUpperPaths(std::vector<std::string>{
        NativePath("/r/none"), NativePath("/r/sub/x"), NativePath("/r/sub")});
    EXPECT_EQ(map.Primary(), x);
    EXPECT_TRUE(map.IsSelected(*folder));
    EXPECT_FALSE(map.IsSelected(*y));

    // By entry the same: the root and entries without an item select nothing, the first
    // entry with one is the primary.
    const TEntryRef entries[] = {TEntryRef(fx.Root()), TEntryRef(x->FileLeaf()),
                                 TEntryRef(folder->Dir())};
    map.SetSelectedEntries(entries);
    EXPECT_EQ(map.Primary(), x);
    EXPECT_TRUE(map.IsSelected(*folder));
    EXPECT_FALSE(map.IsSelected(*y));
    map.SetSelectedEntries({});
    EXPECT_FALSE(map.HasSelection());

    map.SetSingleSelected(x);
    map.ToggleSelected(y);
    EXPECT_EQ(map.Primary(), y);
    map.ToggleSelected(x);
    EXPECT_EQ(map.Primary(), y);
    map.ToggleSelected(y);
    EXPECT_EQ(map.Primary(), nullptr);
    EXPECT_FALSE(map.HasSelection());

    map.SetSingleSelected(y);
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 100, 100});
    EXPECT_FALSE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
}

TEST(HierMap, NamesDifferingInCaseAreDifferentItems)
{
    if (test::OnWindows())
        GTEST_SKIP() << "a Windows folder cannot hold two names that differ only in case";
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "a.txt", 20);
    fx.File(fx.Root(), "A.txt", 10);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 100, 100});
    const THierItem* lower = ItemAt(map, "/r/a.txt");
    const THierItem* upper = ItemAt(map, "/r/A.txt");
    ASSERT_NE(lower, upper);

    map.SetSelectedByUpperPaths(std::vector<std::string>{"/r/A.txt"});
    EXPECT_EQ(map.Primary(), upper);
    EXPECT_FALSE(map.IsSelected(*lower));

    // Taking the other spelling out of the selection keeps this one as the primary.
    map.SetSingleSelected(lower);
    map.ToggleSelected(upper);
    EXPECT_EQ(map.Primary(), upper);
    map.ToggleSelected(lower);
    EXPECT_EQ(map.Primary(), upper);
    EXPECT_TRUE(map.IsSelected(*upper));
    EXPECT_FALSE(map.IsSelected(*lower));
}

TEST(HierMap, DeepTreesNeedNoDeepStack)
{
    // A folder under 10 pixels passes its whole rectangle down, so every level of a
    // deep chain is placed.
    constexpr int kDepth = 50000;
    TScanTree tree;
    TDirNode* root = tree.NewScanRoot(NativePath("/deep"));
    tree.SetRoot(root);
    std::vector<TDirNode*> chain{root};
    for (int i = 0; i < kDepth; ++i)
        chain.push_back(tree.NewChild(chain.back(), "d"));
    const TNewFile file{tree.StoreName("f"), 7, 0, 0};
    tree.SetLeaves(chain.back(), std::span(&file, 1));
    for (std::size_t i = chain.size() - 1; i > 0; --i)
        tree.SetChildren(chain[i - 1], std::span(&chain[i], 1));

    THierTreemapLayout map;
    map.BuildFromRootSquarified(root, {0, 0, 9, 9});
    ASSERT_EQ(map.Items().size(), static_cast<std::size_t>(kDepth) + 1);
    EXPECT_EQ(map.Items().back().Kind, hkFile);
    EXPECT_EQ(map.Items().back().Depth, kDepth);
}

} // namespace
} // namespace harrowdale
