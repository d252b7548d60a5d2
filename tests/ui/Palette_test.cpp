// The window in the desktop's palette: with a dark palette nothing of the window is drawn
// in white (the toolbar's own pictures and the treemaps' colours aside), and the maps'
// placeholder follows a palette change at once.

#include "ui/WindowDriver.h"

#include <QPalette>
#include <QToolButton>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

QPalette DarkPalette()
{
    // Every role set, so the style has no light colour of its own to fall back on.
    QPalette p(QColor(40, 40, 44), QColor(48, 48, 52));
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::WindowText, QColor(210, 210, 210)},
        {QPalette::Text, QColor(210, 210, 210)},
        {QPalette::ButtonText, QColor(210, 210, 210)},
        {QPalette::Base, QColor(30, 30, 32)},
        {QPalette::AlternateBase, QColor(36, 36, 38)},
        {QPalette::Light, QColor(70, 70, 74)},
        {QPalette::Midlight, QColor(60, 60, 64)},
        {QPalette::BrightText, QColor(230, 120, 120)},
        {QPalette::Highlight, QColor(40, 90, 160)},
        {QPalette::HighlightedText, QColor(220, 220, 220)},
        {QPalette::ToolTipBase, QColor(50, 50, 54)},
        {QPalette::ToolTipText, QColor(210, 210, 210)},
        {QPalette::PlaceholderText, QColor(140, 140, 140)},
    };
    for (const auto& [role, color] : roles)
        p.setColor(role, color); // every colour group
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    return p;
}

TEST(Palette, DarkDesktopPaletteReachesEveryPartOfTheWindow)
{
    const QPalette old = QApplication::palette();
    test::WindowDriver w({1100, 750});
    QApplication::setPalette(DarkPalette());
    QApplication::processEvents();

    // The placeholder is redrawn in the new colours.
    for (int i = 0; i < 4; ++i) {
        w.ShowPage(static_cast<ui::TPageIndex>(i));
        ui::TTreemapCanvas* c = w.Win.Page(static_cast<ui::TPageIndex>(i))->Canvas();
        c->repaint();
        EXPECT_EQ(QColor(c->Buffer().pixel(2, 2)), DarkPalette().color(QPalette::Button)) << i;
    }

    // Nothing white below the toolbar row (whose pictures are our own).
    w.ShowPage(ui::TPageIndex::FilesInFolders);
    const QImage shot = w.Win.grab().toImage();
    const int below = w.Win.Actions().ToolbarButtons().front()->mapTo(&w.Win, QPoint(0, 0)).y() +
                      w.Win.Actions().ToolbarButtons().front()->height();
    int white = 0;
    for (int y = below; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            if (qRed(p) > 235 && qGreen(p) > 235 && qBlue(p) > 235)
                ++white;
        }
    EXPECT_EQ(white, 0);
    QApplication::setPalette(old);
}

} // namespace
} // namespace harrowdale
