// The maps at the screen's scale: the off-screen buffer has the device pixels, each a
// copy of the logical pixel it covers (sharp, not an enlarged blur), and clicks are hit
// tested in logical pixels. Run once as is and once with QT_SCALE_FACTOR=2.

#include "support/TempDir.h"
#include "treemap/PixelCanvas.h"
#include "ui/WindowDriver.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(HiDpi, MapBufferHasTheScreensPixelsAndClicksHitLogicalCells)
{
    test::TempDir t;
    for (int i = 0; i < 12; ++i)
        t.MakeFile("f" + std::to_string(i) + (i % 2 ? ".jpg" : ".txt"), 1000 * (i + 1));
    test::WindowDriver w({900, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(ui::TPageIndex::OnlyFiles);
    ui::TTreemapCanvas* canvas = w.OnlyFiles().Canvas();
    canvas->repaint();

    const qreal ratio = canvas->devicePixelRatioF();
    if (const char* scale = std::getenv("QT_SCALE_FACTOR")) {
        EXPECT_EQ(ratio, std::atof(scale));
    }
    const QImage& buffer = canvas->Buffer();
    ASSERT_EQ(buffer.size(), (QSizeF(canvas->size()) * ratio).toSize());
    EXPECT_EQ(buffer.devicePixelRatio(), ratio);

    // The same layout painted at logical size: every device pixel has the colour of its
    // logical pixel.
    TPixelCanvas reference(canvas->width(), canvas->height());
    w.OnlyFiles().Map().Paint(reference);
    int differing = 0;
    for (int y = 0; y < buffer.height(); ++y)
        for (int x = 0; x < buffer.width(); ++x) {
            const TColor c =
                reference.Pixel(static_cast<int>(x / ratio), static_cast<int>(y / ratio));
            const QRgb px = buffer.pixel(x, y);
            if (qRed(px) != RedOf(c) || qGreen(px) != GreenOf(c) || qBlue(px) != BlueOf(c))
                ++differing;
        }
    EXPECT_EQ(differing, 0);

    // A click in logical pixels selects the cell under it.
    for (const TTreemapItem& cell : w.OnlyFiles().Map().Items()) {
        if (cell.Rect.Width() < 4 || cell.Rect.Height() < 4)
            continue;
        w.ClickMap(w.OnlyFiles(), test::Center(cell.Rect));
        EXPECT_EQ(w.OnlyFiles().Map().Primary(), &cell);
        EXPECT_TRUE(w.Status().startsWith(QString::fromStdString(cell.FullPath())));
    }
}

} // namespace
} // namespace harrowdale
