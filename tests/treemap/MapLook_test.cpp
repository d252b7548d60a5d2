#include "TreemapTestSupport.h"
#include "support/TreeFixture.h"
#include "treemap/DupTreemapLayout.h"
#include "treemap/FolderTreemapLayout.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/MapLook.h"
#include "treemap/PixelCanvas.h"
#include "treemap/TreemapLayout.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

/// A pixel canvas that writes text as a window would measure it: 10-pixel lines, 6
/// pixels a character; it keeps what it was asked to write instead of drawing glyphs.
class TTextCanvas final : public ITreemapCanvas
{
public:
    struct TText
    {
        TRect Box;
        std::string Text;
        TColor Color, Halo;
    };
    TTextCanvas(int w, int h) : Pixels(w, h) {}
    void FillRect(const TRect& r, TColor c) override { Pixels.FillRect(r, c); }
    void FrameRect(const TRect& r, TColor c, int pen) override { Pixels.FrameRect(r, c, pen); }
    TRect ClipRect() const override { return Pixels.ClipRect(); }
    void DrawPixels(const TRect& r, std::span<const TColor> p) override { Pixels.DrawPixels(r, p); }
    int TextLineHeight() const override { return 10; }
    int TextWidth(std::string_view text) const override
    {
        return 6 * static_cast<int>(text.size());
    }
    void DrawText(const TRect& box, std::string_view text, TColor color, TColor halo) override
    {
        Texts.push_back({box, std::string(text), color, halo});
    }

    TPixelCanvas Pixels;
    std::vector<TText> Texts;
};

bool Inside(const TRect& outer, const TRect& inner)
{
    return outer.Left <= inner.Left && inner.Right <= outer.Right && outer.Top <= inner.Top &&
           inner.Bottom <= outer.Bottom;
}

bool Overlap(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

/// A tree with folders of every size: big ones holding small ones at their top left,
/// down to folders too small for a name.
struct TNestedTree
{
    test::TreeFixture Fx{"/r"};
    TNestedTree()
    {
        TDirNode* parent = Fx.Root();
        for (int level = 0; level < 5; ++level) {
            TDirNode* big = Fx.Folder(parent, "level" + std::to_string(level));
            for (int i = 0; i < 6; ++i) {
                TDirNode* small = Fx.Folder(big, "small" + std::to_string(i));
                test::AddNumberedFiles(Fx, small, 3, 1000 >> level);
            }
            Fx.File(big, "big.bin", 40000 >> level);
            test::AddNumberedFiles(Fx, parent, 4, 2000 >> level);
            parent = big;
        }
        Fx.Finish();
    }
};

/// The three nested maps of one tree, each painted the same way; the duplicates map takes
/// every file as a duplicate.
struct TNestedMaps
{
    THierTreemapLayout Hier;
    TFolderTreemapLayout Folders;
    TDupTreemapLayout Dups;
    TDupColorByFile DupColors;

    TNestedMaps(const TDirNode* root, const TRect& r)
    {
        Hier.BuildFromRootSquarified(root, r);
        Folders.BuildFromRoot(root, r);
        for (const TFileLeaf* f : test::FilesBelow(root))
            DupColors[f] = RGB(40, 90, 200);
        Dups.BuildFromRootDuplicates(root, &DupColors, r);
    }
    std::vector<std::pair<const char*, std::function<void(ITreemapCanvas&, const TMapLook&)>>>
    Painters() const
    {
        return {{"files in folders", [this](auto& c, auto& l) { Hier.Paint(c, l); }},
                {"folders", [this](auto& c, auto& l) { Folders.Paint(c, l); }},
                {"duplicates", [this](auto& c, auto& l) { Dups.Paint(c, l); }}};
    }
};

TEST(MapNames, NamesSitInsideTheirCellsAndNeverCoverEachOther)
{
    TNestedTree tree;
    const TNestedMaps maps(tree.Fx.Root(), {0, 0, 800, 600});
    for (const auto& [what, paint] : maps.Painters()) {
        SCOPED_TRACE(what);
        TTextCanvas canvas(800, 600);
        paint(canvas, {.Names = true});
        ASSERT_GE(canvas.Texts.size(), 5u);
        for (std::size_t i = 0; i < canvas.Texts.size(); ++i) {
            const TRect& box = canvas.Texts[i].Box;
            EXPECT_EQ(box.Height(), 10);
            EXPECT_TRUE(Inside(canvas.ClipRect(), box));
            for (std::size_t j = i + 1; j < canvas.Texts.size(); ++j)
                EXPECT_FALSE(Overlap(box, canvas.Texts[j].Box))
                    << canvas.Texts[i].Text << " and " << canvas.Texts[j].Text;
        }
    }
}

TEST(MapNames, ANameGoesBelowItsFolderNamesAndOnlyWhereALineFits)
{
    // A folder at the top left of its parent: its name moves below the parent's.
    test::TreeFixture fx("/r");
    TDirNode* outer = fx.Folder(fx.Root(), "outer");
    TDirNode* inner = fx.Folder(outer, "inner");
    fx.File(inner, "a", 100);
    TDirNode* tiny = fx.Folder(fx.Root(), "tiny");
    fx.File(tiny, "b", 1);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 200, 100});
    TTextCanvas canvas(200, 100);
    map.Paint(canvas, {.Names = true});

    ASSERT_EQ(canvas.Texts.size(), 2u);
    const TRect outerCell = map.Items()[0].Rect;
    EXPECT_EQ(canvas.Texts[0].Text, "outer");
    EXPECT_EQ(canvas.Texts[0].Box, (TRect{outerCell.Left + 2, outerCell.Top + 1,
                                          outerCell.Left + 2 + 30, outerCell.Top + 11}));
    EXPECT_EQ(canvas.Texts[1].Text, "inner");
    EXPECT_EQ(canvas.Texts[1].Box.Top, canvas.Texts[0].Box.Bottom);
    // "tiny" (a cell of a pixel or two) has no room for a line and is not named.
}

TEST(MapNames, NamesAreShownAsDisplayTextCutToTheirCellInColoursThatRead)
{
    test::TreeFixture fx("/r");
    TDirNode* dark = fx.Folder(fx.Root(), std::string("line\nbreak-and-a-very-long-name-indeed"));
    fx.File(dark, "a", 100);
    fx.Finish();
    TFolderTreemapLayout map;
    map.BuildFromRoot(fx.Root(), {0, 0, 120, 60});
    TTextCanvas canvas(120, 60);
    map.Paint(canvas, {.Names = true});

    ASSERT_EQ(canvas.Texts.size(), 1u);
    // Never the raw bytes: a line break shows as an escape. The box ends inside the cell;
    // the canvas cuts the text to it.
    EXPECT_EQ(canvas.Texts[0].Text.substr(0, 6), "line\\n");
    EXPECT_EQ(canvas.Texts[0].Box.Right, map.Items()[0].Rect.Right - 2);
    const TLabelColors expected = LabelColorsOn(map.Items()[0].BaseColor);
    EXPECT_EQ(canvas.Texts[0].Color, expected.Text);
    EXPECT_EQ(canvas.Texts[0].Halo, expected.Halo);

    struct Case
    {
        TColor Fill, Text, Halo;
    };
    for (const Case& c : {Case{kBlack, kWhite, kBlack}, Case{kWhite, kBlack, kWhite},
                          Case{RGB(0, 0, 255), kWhite, kBlack},
                          Case{RGB(255, 255, 0), kBlack, kWhite}, Case{kSilver, kBlack, kWhite}}) {
        EXPECT_EQ(LabelColorsOn(c.Fill).Text, c.Text) << std::hex << c.Fill;
        EXPECT_EQ(LabelColorsOn(c.Fill).Halo, c.Halo) << std::hex << c.Fill;
    }
}

TEST(MapLookOff, EveryMapPaintsTheFlatPictureWithoutNamesAndCushions)
{
    // Names asked of a surface that writes no text change nothing either: the command
    // line's pictures have none.
    TNestedTree tree;
    const TNestedMaps maps(tree.Fx.Root(), {0, 0, 300, 200});
    for (const auto& [what, paint] : maps.Painters()) {
        SCOPED_TRACE(what);
        TPixelCanvas flat(300, 200), named(300, 200);
        paint(flat, {});
        paint(named, {.Names = true});
        EXPECT_EQ(flat.Pixels(), named.Pixels());
    }
}

TEST(MapCushions, ShadeEachCellFromTheUpperLeftAndKeepOutlinesAndFrames)
{
    test::TreeFixture fx("/r");
    TDirNode* a = fx.Folder(fx.Root(), "a");
    fx.File(a, "x.txt", 300);
    fx.File(a, "y.txt", 100);
    fx.File(fx.Root(), "z.txt", 400);
    fx.Finish();
    THierTreemapLayout map;
    map.BuildFromRootSquarified(fx.Root(), {0, 0, 200, 100});
    map.SetSingleSelected(&map.Items().back());
    TPixelCanvas flat(200, 100), shaded(200, 100);
    map.Paint(flat, {});
    map.Paint(shaded, {.Cushions = true});

    for (const THierItem& it : map.Items()) {
        if (it.Kind != hkFile)
            continue;
        SCOPED_TRACE(it.FullPath());
        const TRect fill = CellInterior(it.Rect).Shrunk(3); // inside outline and frame
        const TColor base = flat.Pixel(fill.Left, fill.Top);
        const auto luma = [](TColor c) { return RedOf(c) + GreenOf(c) + BlueOf(c); };
        const TColor upperLeft = shaded.Pixel(fill.Left, fill.Top);
        const TColor lowerRight = shaded.Pixel(fill.Right - 1, fill.Bottom - 1);
        const TColor middle =
            shaded.Pixel((fill.Left + fill.Right) / 2, (fill.Top + fill.Bottom) / 2);
        // Light and shade within one cell, the lit side up and left, the edges darker
        // than the cushion's top, and the hue kept: no channel grows where the base has less.
        EXPECT_GT(luma(upperLeft), luma(lowerRight));
        EXPECT_GT(luma(middle), luma(lowerRight));
        EXPECT_NE(middle, lowerRight);
        for (const TColor c : {upperLeft, lowerRight, middle})
            EXPECT_EQ(RedOf(c) >= GreenOf(c), RedOf(base) >= GreenOf(base));
    }
    // What is not a fill stays as the flat picture has it: the black background and
    // outlines, the white frame of the selection.
    for (std::size_t i = 0; i < flat.Pixels().size(); ++i) {
        if (const TColor c = flat.Pixels()[i]; c == kBlack || c == kWhite) {
            EXPECT_EQ(shaded.Pixels()[i], c) << i;
        }
    }
}

TEST(MapCushions, DeeperCellsCarryTheRidgesOfTheirFolders)
{
    // The same file cell alone and inside two folders: the nested one is shaded
    // differently, so the nesting shows.
    const auto paintOne = [](int depth) {
        test::TreeFixture fx("/r");
        TDirNode* d = fx.Root();
        for (int i = 0; i < depth; ++i)
            d = fx.Folder(d, "d" + std::to_string(i));
        fx.File(d, "f.txt", 100);
        fx.Finish();
        THierTreemapLayout map;
        map.BuildFromRootSquarified(fx.Root(), {0, 0, 100, 100});
        TPixelCanvas canvas(100, 100);
        map.Paint(canvas, {.Cushions = true});
        return canvas.Pixels();
    };
    EXPECT_NE(paintOne(0), paintOne(2));

    // The flat map's cells each get a cushion of their own.
    test::TreeFixture fx("/r");
    test::AddNumberedFiles(fx, fx.Root(), 4, 10);
    fx.Finish();
    TTreemapLayout flat;
    flat.BuildFromFiles(test::FilesBelow(fx.Root()), {0, 0, 200, 200});
    TPixelCanvas canvas(200, 200);
    flat.Paint(canvas, {.Cushions = true});
    for (const TTreemapItem& it : flat.Items()) {
        const TRect fill = CellInterior(it.Rect).Shrunk(1);
        EXPECT_NE(canvas.Pixel(fill.Left, fill.Top), canvas.Pixel(fill.Right - 1, fill.Bottom - 1));
    }
}

} // namespace
} // namespace harrowdale
