#include "TreemapTestSupport.h"
#include "platform/Paths.h"
#include "support/TreeFixture.h"
#include "treemap/DupTreemapLayout.h"
#include "treemap/PixelCanvas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace harrowdale {
namespace {

using test::NativePath;

using test::FileIn;

const TColor kGroup1 = RGB(200, 40, 40);
const TColor kGroup2 = RGB(40, 200, 40);
const TColor kGroup3 = RGB(40, 40, 200);

// Duplicates in a/x and b (two there); c holds none; z only one of size 0; m one of each.
class DupMapTree : public ::testing::Test
{
protected:
    DupMapTree()
    {
        TDirNode* a = fx.Folder(fx.Root(), "a");
        TDirNode* x = fx.Folder(a, "x");
        TDirNode* b = fx.Folder(fx.Root(), "b");
        TDirNode* c = fx.Folder(fx.Root(), "c");
        TDirNode* z = fx.Folder(fx.Root(), "z");
        TDirNode* m = fx.Folder(fx.Root(), "m");
        fx.File(x, "f.txt", 10);
        test::AddFiles(fx, b, {{"f.txt", 10}, {"g.txt", 5}, {"n.dat", 6}});
        fx.File(c, "h.bin", 7);
        fx.File(z, "zero.txt", 0);
        fx.File(m, "zero.txt", 0);
        fx.File(m, "k.dat", 4);
        fx.Finish();
        colors = {{FileIn(x, "f.txt"), kGroup1},    {FileIn(b, "f.txt"), kGroup1},
                  {FileIn(b, "n.dat"), kGroup3},    {FileIn(z, "zero.txt"), kGroup2},
                  {FileIn(m, "zero.txt"), kGroup2}, {FileIn(m, "k.dat"), kGroup3}};
    }
    const TDupItem* ItemAt(std::string_view path) const
    {
        for (const TDupItem& it : map.Items())
            if (it.FullPath() == path)
                return &it;
        return nullptr;
    }

    test::TreeFixture fx{"/r"};
    TDupColorByFile colors;
    TDupTreemapLayout map;
};

TEST_F(DupMapTree, PlacesOnlyDuplicatesAndTheFoldersHoldingThem)
{
    map.BuildFromRootDuplicates(fx.Root(), &colors, {0, 0, 300, 200});
    std::vector<std::string> paths;
    for (const TDupItem& it : map.Items())
        paths.push_back(it.FullPath());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{NativePath("/r/a"), NativePath("/r/a/x"),
                                               NativePath("/r/a/x/f.txt"), NativePath("/r/b"),
                                               NativePath("/r/b/f.txt"), NativePath("/r/b/n.dat"),
                                               NativePath("/r/m"), NativePath("/r/m/k.dat")}));

    struct Expected
    {
        std::string Path;
        TDupKind Kind;
        std::int64_t Size;
        TColor Color;
        int Depth;
    };
    const Expected expected[] = {
        {NativePath("/r/a"), dkDir, 10, kSilver, 0},
        {NativePath("/r/a/x"), dkDir, 10, kSilver, 1},
        {NativePath("/r/a/x/f.txt"), dkFile, 10, kGroup1, 2},
        {NativePath("/r/b"), dkDir, 16, kSilver, 0},
        {NativePath("/r/b/f.txt"), dkFile, 10, kGroup1, 1},
        {NativePath("/r/b/n.dat"), dkFile, 6, kGroup3, 1},
        {NativePath("/r/m"), dkDir, 4, kSilver, 0},
        {NativePath("/r/m/k.dat"), dkFile, 4, kGroup3, 1},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.Path);
        const TDupItem* it = ItemAt(e.Path);
        ASSERT_NE(it, nullptr);
        EXPECT_EQ(it->Kind(), e.Kind);
        EXPECT_EQ(it->Size(), e.Size); // for folders the duplicate bytes, not TotalSize
        EXPECT_EQ(it->Color(), e.Color);
        EXPECT_EQ(map.DepthOf(*it), e.Depth);
        EXPECT_EQ(it->UpperPath(), platform::PathKey(e.Path));
        EXPECT_EQ(it->Kind() == dkDir, it->Dir() != nullptr);
        EXPECT_EQ(it->Kind() == dkFile, it->FileLeaf() != nullptr);
    }
    // Pre-order: each folder directly followed by its contents.
    EXPECT_EQ(ItemAt(NativePath("/r/a/x")) - ItemAt(NativePath("/r/a")), 1);
    EXPECT_EQ(ItemAt(NativePath("/r/a/x/f.txt")) - ItemAt(NativePath("/r/a/x")), 1);
}

TEST_F(DupMapTree, NoDuplicatesNoItems)
{
    TScanTree other;
    TDirNode* otherRoot = other.NewScanRoot(NativePath("/elsewhere"));
    const TNewFile f{other.StoreName("f.txt"), 10, 0, 0};
    other.SetLeaves(otherRoot, std::span(&f, 1));
    const TDupColorByFile none;
    const TDupColorByFile foreign = {{&otherRoot->Leaves()[0], kGroup1}};
    const TDupColorByFile onlyEmpty = {{FileIn(fx.Root()->Children()[3], "zero.txt"), kGroup2}};
    struct Case
    {
        const char* What;
        const TDirNode* Root;
        const TDupColorByFile* Colors;
        TRect Target;
    };
    const Case cases[] = {
        {"no dictionary", fx.Root(), nullptr, {0, 0, 100, 100}},
        {"empty dictionary", fx.Root(), &none, {0, 0, 100, 100}},
        {"duplicates of another tree", fx.Root(), &foreign, {0, 0, 100, 100}},
        {"only a duplicate of size 0", fx.Root(), &onlyEmpty, {0, 0, 100, 100}},
        {"a root without duplicates below", fx.Root()->Children()[2], &colors, {0, 0, 100, 100}},
        {"no root", nullptr, &colors, {0, 0, 100, 100}},
        {"empty target", fx.Root(), &colors, {0, 0, 100, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        map.BuildFromRootDuplicates(c.Root, c.Colors, c.Target);
        EXPECT_TRUE(map.Items().empty());
    }
}

TEST_F(DupMapTree, FolderSizesFollowTheDictionaryOfTheLatestBuild)
{
    map.BuildFromRootDuplicates(fx.Root(), &colors, {0, 0, 300, 200});
    EXPECT_EQ(ItemAt(NativePath("/r/b"))->Size(), 16);
    const TDirNode* b = fx.Root()->Children()[1];
    const TDupColorByFile more = {{FileIn(b, "f.txt"), kGroup1}, {FileIn(b, "g.txt"), kGroup2}};
    map.BuildFromRootDuplicates(fx.Root(), &more, {0, 0, 300, 200});
    EXPECT_EQ(ItemAt(NativePath("/r/b"))->Size(), 15);
    EXPECT_EQ(ItemAt(NativePath("/r/a")), nullptr);
}

TEST_F(DupMapTree, PaintsSilverFoldersUnderColouredDuplicatesAndFramesLast)
{
    map.BuildFromRootDuplicates(fx.Root(), &colors, {0, 0, 300, 200});
    TPixelCanvas canvas(300, 200);
    map.Paint(canvas);
    const TDupItem* file = ItemAt(NativePath("/r/b/f.txt"));
    const TDupItem* folder = ItemAt(NativePath("/r/b"));
    EXPECT_TRUE(test::AllPixels(canvas, CellInterior(file->Rect).Shrunk(1), kGroup1));
    EXPECT_TRUE(test::AnyPixel(canvas, kSilver));
    EXPECT_FALSE(test::AnyPixel(canvas, kGrey));
    EXPECT_EQ(canvas.Pixel(folder->Rect.Left, folder->Rect.Top), kBlack);

    map.SetSingleSelected(folder);
    TPixelCanvas framed(300, 200);
    map.Paint(framed);
    EXPECT_EQ(framed.Pixel(file->Rect.Left, file->Rect.Top + 5), kWhite);
}

TEST_F(DupMapTree, SelectionByPathsAndToggles)
{
    map.BuildFromRootDuplicates(fx.Root(), &colors, {0, 0, 300, 200});
    const TDupItem* bf = ItemAt(NativePath("/r/b/f.txt"));
    const TDupItem* a = ItemAt(NativePath("/r/a"));
    map.SetSelectedByUpperPaths(
        std::vector<std::string>{NativePath("/r/nothing"), NativePath("/r/z/zero.txt"),
                                 NativePath("/r/b/f.txt"), NativePath("/r/a")});
    EXPECT_EQ(map.Primary(), bf);
    EXPECT_TRUE(map.IsSelected(*a));
    EXPECT_TRUE(map.HasSelection());

    map.ToggleSelected(a);
    EXPECT_EQ(map.Primary(), bf);
    map.ToggleSelected(bf);
    EXPECT_EQ(map.Primary(), nullptr);
    EXPECT_TRUE(map.HasSelection()); // the paths without an item are still selected

    map.SetSingleSelected(nullptr);
    EXPECT_FALSE(map.HasSelection());
    map.ToggleSelected(a);
    EXPECT_EQ(map.Primary(), a);
    map.BuildFromRootDuplicates(fx.Root(), &colors, {0, 0, 300, 200});
    EXPECT_EQ(map.Primary(), nullptr);
    EXPECT_FALSE(map.HasSelection());
}

// A chain of folders 100,000 deep, each holding one duplicate of 1 byte, and a branch of
// the root holding one as large as all of them. From the root and from a folder half-way down (where
// the duplicates above it and beside the chain lie outside), every folder item carries
// the bytes of the duplicates below it.
TEST(DupMapDeepChain, EveryFolderCarriesTheDuplicatesBelowIt)
{
    constexpr std::int64_t kDepth = 100000;
    test::TreeFixture fx{"/r"};
    std::vector<const TDirNode*> chain;
    TDirNode* d = fx.Root();
    for (std::int64_t i = 0; i < kDepth; ++i) {
        d = fx.Folder(d, "d");
        fx.File(d, "f", 1);
        chain.push_back(d);
    }
    TDirNode* side = fx.Folder(fx.Root(), "side");
    fx.File(side, "f", kDepth);
    fx.Finish();
    TDupColorByFile colors = {{FileIn(side, "f"), kGroup2}};
    for (const TDirNode* c : chain)
        colors[&c->Leaves()[0]] = kGroup1;

    for (const std::int64_t top : {std::int64_t{-1}, kDepth / 2}) {
        SCOPED_TRACE(top);
        const TDirNode* root = top < 0 ? fx.Root() : chain[top];
        TDupTreemapLayout map;
        map.BuildFromRootDuplicates(root, &colors, {0, 0, 400, 300});
        // Pre-order down a chain: the folder items come in the chain's order.
        std::int64_t level = top + 1;
        bool sideSeen = false;
        for (const TDupItem& it : map.Items()) {
            if (it.Dir() == side) {
                EXPECT_EQ(it.Size(), kDepth);
                sideSeen = true;
            } else if (it.Kind() == dkDir) {
                ASSERT_LT(level, kDepth);
                ASSERT_EQ(it.Dir(), chain[level]);
                EXPECT_EQ(it.Size(), kDepth - level);
                ++level;
            } else {
                EXPECT_EQ(it.Color(), it.FileLeaf()->Size() == kDepth ? kGroup2 : kGroup1);
            }
        }
        EXPECT_GT(level, top + 100); // placement went well down the chain
        EXPECT_EQ(sideSeen, top < 0);

        // The whole group selected by its files: every file item and nothing else; the
        // primary is the item of the first file in the group's order that has one.
        std::vector<const TFileLeaf*> group;
        for (const TDirNode* c : chain)
            group.push_back(&c->Leaves()[0]);
        map.SetSelectedFiles(group);
        std::unordered_map<const TFileLeaf*, const TDupItem*> itemOf;
        for (const TDupItem& it : map.Items()) {
            EXPECT_EQ(map.IsSelected(it),
                      it.Kind() == dkFile && it.FileLeaf() != side->Leaves().data());
            if (it.Kind() == dkFile)
                itemOf[it.FileLeaf()] = &it;
        }
        const auto first = std::find_if(group.begin(), group.end(),
                                        [&](const TFileLeaf* f) { return itemOf.contains(f); });
        ASSERT_NE(first, group.end());
        EXPECT_EQ(map.Primary(), itemOf[*first]);
    }
}

TEST_F(DupMapTree, SelectingFilesWithoutItemsKeepsASelection)
{
    map.BuildFromRootDuplicates(fx.Root(), &colors, {0, 0, 300, 200});
    const TDirNode* z = fx.Root()->Children()[3];
    const std::vector<const TFileLeaf*> sizeZero = {FileIn(z, "zero.txt")};
    map.SetSelectedFiles(sizeZero);
    EXPECT_TRUE(map.HasSelection());
    EXPECT_EQ(map.Primary(), nullptr);
    map.SetSelectedFiles({});
    EXPECT_FALSE(map.HasSelection());
}

} // namespace
} // namespace harrowdale
