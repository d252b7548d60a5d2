#pragma once

#include "treemap/Canvas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace harrowdale {

/// A canvas over a plain row-major buffer of TColor pixels (red in the low byte), for
/// tests, pictures and benchmarks. Starts black. Draws no text.
class TPixelCanvas final : public ITreemapCanvas
{
public:
    /// Negative sizes count as 0.
    TPixelCanvas(int width, int height);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    /// The pixel at (x, y); both must lie inside the canvas.
    TColor Pixel(int x, int y) const;
    /// Width() * Height() pixels, row by row from the top.
    const std::vector<TColor>& Pixels() const { return FPixels; }

    void FillRect(const TRect& r, TColor color) override;
    void FrameRect(const TRect& r, TColor color, int penWidth) override;
    TRect ClipRect() const override { return {0, 0, FWidth, FHeight}; }
    void DrawPixels(const TRect& r, std::span<const TColor> pixels) override;
    /// Writable row `y` (0 <= y < Height()).
    TColor* Row(int y) { return FPixels.data() + static_cast<std::size_t>(y) * FWidth; }

private:
    int FWidth;
    int FHeight;
    std::vector<TColor> FPixels;
};

} // namespace harrowdale
