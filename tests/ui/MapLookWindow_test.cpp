// Names and cushions on the window's maps, in each shipped language at 800x600: what the
// options add to the picture, and nothing else. The pictures are written beside the test
// program (map-names-de.png, ...) for a look by eye.

#include "i18n/Translation.h"
#include "support/TempDir.h"
#include "treemap/PixelCanvas.h"
#include "ui/ScratchSettings.h"
#include "ui/Settings.h"
#include "ui/WindowDriver.h"

#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

/// Draws on a window canvas and keeps the boxes of the names written.
class TNameBoxes final : public ITreemapCanvas
{
public:
    explicit TNameBoxes(ITreemapCanvas& to) : FTo(to) {}
    void FillRect(const TRect& r, TColor c) override { FTo.FillRect(r, c); }
    void FrameRect(const TRect& r, TColor c, int pen) override { FTo.FrameRect(r, c, pen); }
    TRect ClipRect() const override { return FTo.ClipRect(); }
    void DrawPixels(const TRect& r, std::span<const TColor> p) override { FTo.DrawPixels(r, p); }
    int TextLineHeight() const override { return FTo.TextLineHeight(); }
    int TextWidth(std::string_view text) const override { return FTo.TextWidth(text); }
    void DrawText(const TRect& box, std::string_view text, TColor color, TColor halo) override
    {
        Boxes.push_back(box);
        FTo.DrawText(box, text, color, halo);
    }
    std::vector<TRect> Boxes;

private:
    ITreemapCanvas& FTo;
};

int Luma(QRgb c)
{
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

bool SameAs(QRgb px, TColor c)
{
    return qRed(px) == RedOf(c) && qGreen(px) == GreenOf(c) && qBlue(px) == BlueOf(c);
}

class MapLookWindow : public test::ScratchSettings,
                      public ::testing::WithParamInterface<const char*>
{
protected:
    void SetUp() override
    {
        ScratchSettings::SetUp();
        ASSERT_TRUE(LoadTranslation(std::string(GetParam()),
                                    std::vector<std::string>{HARROWDALE_SHIPPED_TRANSLATION}));
        FTree.MakeDir("photos/2024");
        FTree.MakeDir("documents/letters");
        FTree.MakeFile("photos/2024/a.jpg", 300000);
        FTree.MakeFile("photos/b.jpg", 200000);
        FTree.MakeFile("documents/letters/c.txt", 150000);
        FTree.MakeFile("documents/d.pdf", 100000);
        FTree.MakeFile("e.bin", 120000);
    }
    void TearDown() override { LoadTranslation(std::nullopt, std::vector<std::string>{}); }

    /// The map as the window shows it now.
    static QImage Shown(ui::TResultPage& page)
    {
        page.Canvas()->repaint();
        return page.Canvas()->Buffer().copy();
    }
    void Save(const QImage& picture, const char* what) const
    {
        picture.save(QStringLiteral("map-%1-%2.png").arg(what, GetParam()));
    }

    test::TempDir FTree;
};

TEST_P(MapLookWindow, NamesAreWrittenInTheirCellsReadablyAndTouchNothingElse)
{
    test::WindowDriver w({800, 600});
    ASSERT_TRUE(w.Scan(FTree.Path()));
    EXPECT_FALSE(w.Action(TCommand::ShowNamesOnMap)->isChecked());
    EXPECT_FALSE(w.Action(TCommand::ShowNamesOnMap)->text().isEmpty());
    for (const TPageIndex page : {TPageIndex::FilesInFolders, TPageIndex::OnlyFolders}) {
        SCOPED_TRACE(static_cast<int>(page));
        w.ShowPage(page);
        ui::TResultPage& p = *w.Win.Page(page);
        if (w.Action(TCommand::ShowNamesOnMap)->isChecked())
            w.Trigger(TCommand::ShowNamesOnMap);
        const QImage flat = Shown(p);
        w.Trigger(TCommand::ShowNamesOnMap);
        const QImage named = Shown(p);
        Save(named, page == TPageIndex::FilesInFolders ? "names" : "folder-names");

        // Where the names go, as the page's painting put them.
        QImage scratch(flat.size(), QImage::Format_RGB32);
        QPainter painter(&scratch);
        ui::TQtTreemapCanvas qt(painter, {0, 0, scratch.width(), scratch.height()});
        TNameBoxes boxes(qt);
        if (page == TPageIndex::FilesInFolders)
            w.FilesInFolders().Map().Paint(boxes, {.Names = true});
        else
            w.OnlyFolders().Map().Paint(boxes, {.Names = true});
        ASSERT_GE(boxes.Boxes.size(), 2u); // photos, documents and more
        const QRect whole = named.rect();
        for (const TRect& b : boxes.Boxes) {
            ASSERT_TRUE(whole.contains(QRect(b.Left, b.Top, b.Width(), b.Height())));
            // Light glyphs in a dark ring, or dark glyphs in a light one: both show.
            int light = 0, dark = 0;
            for (int y = b.Top; y < b.Bottom; ++y)
                for (int x = b.Left; x < b.Right; ++x) {
                    const int l = Luma(named.pixel(x, y));
                    light += l > 200;
                    dark += l < 60;
                }
            EXPECT_GT(light, 10);
            EXPECT_GT(dark, 10);
        }
        for (int y = 0; y < named.height(); ++y)
            for (int x = 0; x < named.width(); ++x) {
                const bool inBox =
                    std::any_of(boxes.Boxes.begin(), boxes.Boxes.end(), [&](const TRect& b) {
                        return b.Contains({x, y});
                    });
                if (!inBox && named.pixel(x, y) != flat.pixel(x, y))
                    FAIL() << "pixel " << x << "," << y << " changed outside every name";
            }
    }
}

TEST_P(MapLookWindow, CushionsShadeWithinEachCellAndKeepOutlines)
{
    test::WindowDriver w({800, 600});
    ASSERT_TRUE(w.Scan(FTree.Path()));
    EXPECT_FALSE(w.Action(TCommand::ShowCushions)->isChecked());
    for (const TPageIndex page : {TPageIndex::FilesInFolders, TPageIndex::OnlyFiles,
                                  TPageIndex::OnlyFolders, TPageIndex::Duplicates}) {
        SCOPED_TRACE(static_cast<int>(page));
        w.ShowPage(page);
        ui::TResultPage& p = *w.Win.Page(page);
        if (w.Action(TCommand::ShowCushions)->isChecked())
            w.Trigger(TCommand::ShowCushions);
        const QImage flat = Shown(p);
        w.Trigger(TCommand::ShowCushions);
        const QImage shaded = Shown(p);
        ASSERT_EQ(shaded.size(), flat.size());
        if (page == TPageIndex::FilesInFolders)
            Save(shaded, "cushions");
        if (page == TPageIndex::Duplicates)
            continue; // no duplicates in this tree: the map stays empty
        // The commonest fill colour of the middle row turns into many shades.
        const int row = flat.height() / 2;
        std::map<QRgb, int> counts;
        for (int x = 0; x < flat.width(); ++x)
            if (const QRgb c = flat.pixel(x, row); !SameAs(c, kBlack) && !SameAs(c, kWhite))
                ++counts[c];
        ASSERT_FALSE(counts.empty());
        const QRgb fill = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                              return a.second < b.second;
                          })->first;
        std::set<QRgb> shades;
        for (int x = 0; x < flat.width(); ++x)
            if (flat.pixel(x, row) == fill)
                shades.insert(shaded.pixel(x, row));
        EXPECT_GT(shades.size(), 10u);
        // Black stays black: outlines, gaps and the background.
        for (int y = 0; y < flat.height(); ++y)
            for (int x = 0; x < flat.width(); ++x)
                if (SameAs(flat.pixel(x, y), kBlack) && !SameAs(shaded.pixel(x, y), kBlack))
                    FAIL() << "outline pixel " << x << "," << y << " shaded";
    }
}

TEST_P(MapLookWindow, BothOptionsAreSavedAndComeBack)
{
    {
        test::WindowDriver w({800, 600});
        w.Trigger(TCommand::ShowNamesOnMap);
        w.Trigger(TCommand::ShowCushions);
        EXPECT_EQ(w.FilesInFolders().MapLook(), (TMapLook{true, true}));
    }
    EXPECT_EQ(ui::SavedMapLook(), (TMapLook{true, true}));
    test::WindowDriver again({800, 600});
    EXPECT_TRUE(again.Action(TCommand::ShowNamesOnMap)->isChecked());
    EXPECT_TRUE(again.Action(TCommand::ShowCushions)->isChecked());
    EXPECT_EQ(again.OnlyFiles().MapLook(), (TMapLook{true, true}));
    again.Trigger(TCommand::ShowNamesOnMap);
    EXPECT_EQ(ui::SavedMapLook(), (TMapLook{false, true}));
    EXPECT_EQ(again.Duplicates().MapLook(), (TMapLook{false, true}));
}

INSTANTIATE_TEST_SUITE_P(Languages, MapLookWindow, ::testing::Values("en", "de", "fr"));

} // namespace
} // namespace harrowdale
