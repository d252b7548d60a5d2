#include "treemap/Geometry.h"
#include "treemap/PixelCanvas.h"

#include <cfenv>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace harrowdale {
namespace {

TEST(TreemapGeometry, RoundsHalvesToEvenWhateverTheRoundingMode)
{
    struct Case
    {
        double In;
        std::int64_t Out;
    };
    const Case cases[] = {{0.5, 0},
                          {1.5, 2},
                          {2.5, 2},
                          {3.5, 4},
                          {2.4999999, 2},
                          {2.5000001, 3},
                          {-0.5, 0},
                          {-1.5, -2},
                          {-2.5, -2},
                          {1e15 + 0.5, 1000000000000000},
                          {7, 7},
                          {0, 0},
                          {4503599627370497.0, 4503599627370497}};
    for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const Case& c : cases)
            EXPECT_EQ(RoundHalfEven(c.In), c.Out) << c.In << " in rounding mode " << mode;
    }
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
}

TEST(TreemapGeometry, RectanglesHaveExclusiveEdges)
{
    const TRect r{2, 3, 5, 7};
    EXPECT_EQ(r.Width(), 3);
    EXPECT_EQ(r.Height(), 4);
    EXPECT_TRUE(r.Contains({2, 3}));
    EXPECT_TRUE(r.Contains({4, 6}));
    EXPECT_FALSE(r.Contains({5, 3}));
    EXPECT_FALSE(r.Contains({2, 7}));
    EXPECT_TRUE((TRect{1, 1, 1, 5}).IsEmpty());
    EXPECT_TRUE((TRect{1, 5, 4, 2}).IsEmpty());
    EXPECT_EQ(CellInterior({0, 0, 10, 10}), (TRect{1, 1, 9, 9}));
    EXPECT_EQ(CellInterior({0, 0, 9, 40}), (TRect{0, 0, 9, 40}));
}

// Pixels of `canvas` that hold `color` must be exactly those for which `expected` holds.
void ExpectPixels(const TPixelCanvas& canvas, TColor color,
                  const std::function<bool(int, int)>& expected)
{
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            EXPECT_EQ(canvas.Pixel(x, y) == color, expected(x, y)) << x << "," << y;
}

TEST(TreemapGeometry, FramesCoverTheDocumentedPixels)
{
    const TColor c = RGB(1, 2, 3);
    {
        SCOPED_TRACE("1-pixel pen: the rectangle's own border");
        TPixelCanvas canvas(10, 10);
        canvas.FrameRect({2, 3, 7, 8}, c, 1);
        ExpectPixels(canvas, c, [](int x, int y) {
            const bool inside = x >= 2 && x < 7 && y >= 3 && y < 8;
            return inside && (x == 2 || x == 6 || y == 3 || y == 7);
        });
    }
    {
        SCOPED_TRACE("3-pixel pen: 1 outside to 2 inside");
        TPixelCanvas canvas(14, 14);
        canvas.FrameRect({3, 3, 11, 10}, c, 3);
        ExpectPixels(canvas, c, [](int x, int y) {
            const bool outer = x >= 2 && x < 12 && y >= 2 && y < 11;
            const bool hole = x >= 5 && x < 9 && y >= 5 && y < 8;
            return outer && !hole;
        });
    }
    {
        SCOPED_TRACE("3-pixel pen on a small rectangle: no hole; clipped at the edge");
        TPixelCanvas canvas(6, 6);
        canvas.FrameRect({0, 0, 3, 3}, c, 3);
        ExpectPixels(canvas, c, [](int x, int y) { return x < 4 && y < 4; });
    }
    {
        SCOPED_TRACE("fills clip; empty rectangles draw nothing");
        TPixelCanvas canvas(4, 4);
        canvas.FillRect({-5, 2, 2, 99}, c);
        canvas.FrameRect({3, 3, 3, 4}, c, 3);
        ExpectPixels(canvas, c, [](int x, int y) { return x < 2 && y >= 2; });
    }
}

} // namespace
} // namespace harrowdale
