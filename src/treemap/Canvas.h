#pragma once

// The drawing surface the treemap layouts paint on, and the cell drawing they share.

#include "treemap/Colors.h"
#include "treemap/Geometry.h"

#include <span>
#include <string_view>

namespace harrowdale {

/// A pixel surface. The window implements it over a 32-bit image, the tests and the
/// command line with TPixelCanvas. Every operation clips to ClipRect().
class ITreemapCanvas
{
public:
    virtual ~ITreemapCanvas() = default;

    /// Sets every pixel of `r` (exclusive right and bottom) to `color`.
    virtual void FillRect(const TRect& r, TColor color) = 0;

    /// Outlines a non-empty `r`. A 1-pixel pen sets the rectangle's own border pixels:
    /// columns Left and Right - 1, rows Top and Bottom - 1, between its corners. A wider
    /// (odd) pen sets a band of that width centred on those border pixels: a 3-pixel pen
    /// covers from 1 pixel outside the rectangle to 2 pixels inside it, the whole
    /// rectangle grown by 1 when it is too small to leave a hole. Nothing for an empty `r`.
    virtual void FrameRect(const TRect& r, TColor color, int penWidth) = 0;

    /// The part of the surface that can be drawn on.
    virtual TRect ClipRect() const = 0;

    /// Copies `pixels` (row by row from the top, r.Width() * r.Height() of them) into `r`.
    virtual void DrawPixels(const TRect& r, std::span<const TColor> pixels) = 0;

    /// The height of one line of text, and the least a text box must have; 0 for a
    /// surface that draws no text (then DrawText draws nothing).
    virtual int TextLineHeight() const { return 0; }
    /// The width `text` (display text in UTF-8) takes in one line, uncut.
    virtual int TextWidth(std::string_view text) const
    {
        (void)text;
        return 0;
    }
    /// Draws `text` (display text in UTF-8) in one line at the top left of `box`, cut
    /// with an ellipsis where it is wider than the box, in `color` inside a 1-pixel ring
    /// of `halo` around each glyph, so that it reads on any colour below it.
    virtual void DrawText(const TRect& box, std::string_view text, TColor color, TColor halo)
    {
        (void)box, (void)text, (void)color, (void)halo;
    }
};

/// Fills the whole surface black: the background of every treemap.
inline void PaintBackground(ITreemapCanvas& canvas)
{
    canvas.FillRect(canvas.ClipRect(), kBlack);
}

/// Fills a cell's interior (CellInterior) with `color`.
inline void FillCell(ITreemapCanvas& canvas, const TRect& cell, TColor color)
{
    const TRect fill = CellInterior(cell);
    if (!fill.IsEmpty())
        canvas.FillRect(fill, color);
}

/// Outlines a cell in black when it is large enough for an outline to show.
inline void OutlineCell(ITreemapCanvas& canvas, const TRect& cell)
{
    if (cell.Width() >= kCellOutlineMinSide && cell.Height() >= kCellOutlineMinSide)
        canvas.FrameRect(cell, kBlack, 1);
}

/// The white 3-pixel frame of a selected cell.
inline void FrameSelected(ITreemapCanvas& canvas, const TRect& cell)
{
    canvas.FrameRect(cell, kWhite, 3);
}

} // namespace harrowdale
