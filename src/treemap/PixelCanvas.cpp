#include "treemap/PixelCanvas.h"

#include <algorithm>
#include <cstddef>

namespace harrowdale {

TPixelCanvas::TPixelCanvas(int width, int height)
    : FWidth(std::max(width, 0)), FHeight(std::max(height, 0)),
      FPixels(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight), kBlack)
{
}

TColor TPixelCanvas::Pixel(int x, int y) const
{
    return FPixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(FWidth) +
                   static_cast<std::size_t>(x)];
}

void TPixelCanvas::FillRect(const TRect& r, TColor color)
{
    const std::int32_t left = std::max(r.Left, 0);
    const std::int32_t top = std::max(r.Top, 0);
    const std::int32_t right = std::min(r.Right, FWidth);
    const std::int32_t bottom = std::min(r.Bottom, FHeight);
    if (right <= left || bottom <= top)
        return;
    for (std::int32_t y = top; y < bottom; ++y) {
        TColor* row = FPixels.data() + static_cast<std::size_t>(y) * FWidth;
        std::fill(row + left, row + right, color);
    }
}

void TPixelCanvas::FrameRect(const TRect& r, TColor color, int penWidth)
{
    if (r.IsEmpty())
        return;
    const std::int32_t half = std::max(penWidth, 1) / 2;
    const TRect outer = r.Shrunk(-half);
    const TRect inner = r.Shrunk(half + 1);
    if (inner.IsEmpty()) {
        FillRect(outer, color);
        return;
    }
    FillRect({outer.Left, outer.Top, outer.Right, inner.Top}, color);
    FillRect({outer.Left, inner.Bottom, outer.Right, outer.Bottom}, color);
    FillRect({outer.Left, inner.Top, inner.Left, inner.Bottom}, color);
    FillRect({inner.Right, inner.Top, outer.Right, inner.Bottom}, color);
}

void TPixelCanvas::DrawPixels(const TRect& r, std::span<const TColor> pixels)
{
    if (r.IsEmpty() || pixels.size() < static_cast<std::size_t>(r.Width()) * r.Height())
        return;
    const std::int32_t left = std::max(r.Left, 0);
    const std::int32_t right = std::min(r.Right, FWidth);
    for (std::int32_t y = std::max(r.Top, 0); y < std::min(r.Bottom, FHeight) && left < right;
         ++y) {
        const TColor* from =
            pixels.data() + static_cast<std::size_t>(y - r.Top) * r.Width() + (left - r.Left);
        std::copy(from, from + (right - left), Row(y) + left);
    }
}

} // namespace harrowdale
