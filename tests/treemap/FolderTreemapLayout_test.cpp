#include "TreemapTestSupport.h"
#include "support/TreeFixture.h"
#include "treemap/FolderTreemapLayout.h"
#include "treemap/PixelCanvas.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using test::NativePath;

TColor Half(TColor c)
{
    return (c >> 1) & 0x7F7F7Fu;
}

// /r/A/B/C with 100 bytes at the bottom, and a large file of the root's own, which
// takes no area.
class FolderMapChain : public ::testing::Test
{
protected:
    FolderMapChain()
    {
        a = fx.Folder(fx.Root(), "A");
        b = fx.Folder(a, "B");
        c = fx.Folder(b, "C");
        fx.File(c, "data", 100);
        fx.File(fx.Root(), "loose", 5000);
        fx.Finish();
    }
    test::TreeFixture fx{"/r"};
    TDirNode* a = nullptr;
    TDirNode* b = nullptr;
    TDirNode* c = nullptr;
};

TEST_F(FolderMapChain, NestsFoldersInsideMarginsThatShrinkWithDepth)
{
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 200, 100});
    ASSERT_EQ(map.Items().size(), 3u);
    const TColor colorA = TFolderTreemapLayout::ColorForPath(NativePath("/r/A"));
    const struct
    {
        const TDirNode* Node;
        TRect Rect;
        int Depth;
    } expected[] = {{a, {1, 1, 199, 99}, 1}, {b, {14, 14, 186, 86}, 2}, {c, {23, 23, 177, 77}, 3}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(map.Items()[i].Node, expected[i].Node);
        EXPECT_EQ(map.Items()[i].Rect, expected[i].Rect);
        EXPECT_EQ(map.Items()[i].Depth, expected[i].Depth);
        EXPECT_EQ(map.Items()[i].BaseColor, colorA);
    }

    TPixelCanvas canvas(200, 100);
    map.Paint(canvas);
    EXPECT_EQ(canvas.Pixel(0, 50), kBlack);
    EXPECT_EQ(canvas.Pixel(1, 50), kBlack); // outline of A
    EXPECT_EQ(canvas.Pixel(5, 50), colorA); // A's margin
    EXPECT_EQ(canvas.Pixel(14, 50), kBlack);
    EXPECT_EQ(canvas.Pixel(18, 50), colorA); // B's margin: inherited, full brightness
    EXPECT_EQ(canvas.Pixel(100, 50), Half(colorA));

    EXPECT_EQ(map.HitTest({5, 50}), a);
    EXPECT_EQ(map.HitTest({14, 50}), b);
    EXPECT_EQ(map.HitTest({100, 50}), c);
    EXPECT_EQ(map.HitTest({0, 0}), nullptr);
}

TEST_F(FolderMapChain, AMapOfOneFolderPlacesItsFoldersAsATopLevelInTheColourAskedFor)
{
    // A, laid out on its own: B fills the map as a folder of the top level does, without a
    // margin, and C is inside B's. Asked for A's colour, both keep it; else B has its own.
    const TColor colorA = TFolderTreemapLayout::ColorForPath(NativePath("/r/A"));
    const TColor colorB = TFolderTreemapLayout::ColorForPath(NativePath("/r/A/B"));
    for (const std::optional<TColor> top :
         {std::optional<TColor>(colorA), std::optional<TColor>()}) {
        TFolderTreemapLayout map;
        map.BuildFromRoot(a, {0, 0, 200, 100}, top);
        ASSERT_EQ(map.Items().size(), 2u);
        EXPECT_EQ(map.Items()[0].Node, b);
        EXPECT_EQ(map.Items()[0].Rect, (TRect{1, 1, 199, 99}));
        EXPECT_EQ(map.Items()[0].Depth, 1);
        EXPECT_EQ(map.Items()[1].Node, c);
        EXPECT_EQ(map.Items()[1].Rect, (TRect{14, 14, 186, 86}));
        for (const TFolderMapItem& it : map.Items())
            EXPECT_EQ(it.BaseColor, top ? colorA : colorB);
    }
}

TEST_F(FolderMapChain, ATopLevelCellUnder27PixelsShowsNoSubfolders)
{
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 26, 26});
    EXPECT_EQ(map.Items().size(), 1u);
    EXPECT_EQ(map.HitTest({13, 13}), a);
    map.BuildFromRoot(fx.Root(), {0, 0, 27, 27});
    ASSERT_EQ(map.Items().size(), 2u);
    EXPECT_EQ(map.Items()[1].Rect, (TRect{13, 13, 14, 14}));
}

TEST_F(FolderMapChain, SelectedFolderIsFramedOnlyWhenPlaced)
{
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 200, 100});
    for (const TDirNode* none :
         {static_cast<const TDirNode*>(nullptr), static_cast<const TDirNode*>(fx.Root())}) {
        map.SetSelectedNode(none);
        TPixelCanvas canvas(200, 100);
        map.Paint(canvas);
        EXPECT_FALSE(test::AnyPixel(canvas, kWhite));
    }
    map.SetSelectedNode(b);
    TPixelCanvas canvas(200, 100);
    map.Paint(canvas);
    EXPECT_TRUE(test::AllPixels(canvas, {13, 13, 16, 87}, kWhite));
    EXPECT_EQ(canvas.Pixel(12, 50), TFolderTreemapLayout::ColorForPath(NativePath("/r/A")));

    map.BuildFromRoot(fx.Root(), {0, 0, 26, 26});
    map.SetSelectedNode(b); // no item at this size
    TPixelCanvas small(26, 26);
    map.Paint(small);
    EXPECT_FALSE(test::AnyPixel(small, kWhite));
}

TEST_F(FolderMapChain, RebuildingForgetsTheSelectedAndTheHoverFolder)
{
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 200, 100});
    map.SetSelectedNode(a);
    map.SetHoverNode(b);
    map.BuildFromRoot(fx.Root(), {0, 0, 200, 100});
    EXPECT_EQ(map.SelectedNode(), nullptr);
    EXPECT_EQ(map.HoverNode(), nullptr);
}

TEST(FolderMap, EachTopLevelFolderHasItsColourAndFilesTakeNoArea)
{
    test::TreeFixture fx("/r");
    TDirNode* big = fx.Folder(fx.Root(), "Big");
    TDirNode* small = fx.Folder(fx.Root(), "Small");
    TDirNode* inner = fx.Folder(big, "inner");
    fx.File(big, "huge", 100000);
    fx.File(inner, "tiny", 1);
    fx.File(small, "x", 100000);
    fx.Finish();
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 400, 200});
    ASSERT_EQ(map.Items().size(), 3u);
    const TFolderMapItem& bigItem = map.Items()[0];
    const TFolderMapItem& innerItem = map.Items()[1];
    const TFolderMapItem& smallItem = map.Items()[2];
    EXPECT_EQ(innerItem.Node, inner);
    EXPECT_EQ(bigItem.BaseColor, TFolderTreemapLayout::ColorForPath(NativePath("/r/Big")));
    EXPECT_EQ(innerItem.BaseColor, bigItem.BaseColor);
    EXPECT_EQ(smallItem.BaseColor, TFolderTreemapLayout::ColorForPath(NativePath("/r/Small")));
    // The one-byte subfolder fills all of its parent's inner rectangle.
    EXPECT_EQ(innerItem.Rect, CellInterior(bigItem.Rect.Shrunk(12)));
}

TEST(FolderMap, ARootWithoutFoldersGivesNothing)
{
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "a", 100);
    fx.Finish();
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 50, 50});
    EXPECT_TRUE(map.Items().empty());
    TPixelCanvas canvas(50, 50);
    map.Paint(canvas);
    EXPECT_TRUE(test::AllPixels(canvas, {0, 0, 50, 50}, kBlack));
    map.BuildFromRoot(nullptr, {0, 0, 50, 50});
    EXPECT_TRUE(map.Items().empty());
}

} // namespace
} // namespace harrowdale
