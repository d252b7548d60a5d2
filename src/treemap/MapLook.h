#pragma once

// How a treemap is drawn beyond its flat cells: folder names written in the cells that
// have room for them, and cushion shading that shows the nesting as light and shade.
// TLookPainter carries one paint of a layout through both; with both switched off it
// paints exactly the flat cells.

#include "treemap/Canvas.h"
#include "treemap/PixelCanvas.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

struct TMapLook
{
    bool Names = false;    ///< folder names in the cells that hold them
    bool Cushions = false; ///< each cell shaded as a cushion, ridges added per level
    friend bool operator==(const TMapLook&, const TMapLook&) = default;
};

/// The colours of a name written on `fill`: black on light colours and white on dark
/// ones, with a ring of the other.
struct TLabelColors
{
    TColor Text;
    TColor Halo;
};
TLabelColors LabelColorsOn(TColor fill);

/// One paint of a nested layout. The layout draws its background, outlines and frames on
/// Surface(), and announces each item in pre-order with Enter before it fills or names
/// it; Finish puts the picture on the target canvas and writes the names over it.
///
/// With cushions the picture is drawn into a buffer of the target's size and put on the
/// target in one block; the target's clip must then start at (0, 0).
class TLookPainter
{
public:
    TLookPainter(ITreemapCanvas& target, const TMapLook& look);
    TLookPainter(const TLookPainter&) = delete;
    TLookPainter& operator=(const TLookPainter&) = delete;

    ITreemapCanvas& Surface() { return FBuffer ? static_cast<ITreemapCanvas&>(*FBuffer) : FTarget; }

    /// The next item, inside every earlier item whose cell contains `cell` (its
    /// folders, in a layout in pre-order) and beside all others.
    void Enter(const TRect& cell);
    /// Fills the interior of the item last entered (CellInterior of `cell`).
    void Fill(const TRect& cell, TColor color);
    /// Names the folder last entered: `name` (bytes as the tree keeps them) at the top of
    /// its cell, below its folders' names, when the cell has room for a line of text.
    /// `fill`: the colour the folder paints itself in, when it has one.
    void Name(const TRect& cell, std::string_view name, std::optional<TColor> fill = std::nullopt);
    /// Puts the buffer on the target and writes the names; the paint is then complete.
    void Finish();

private:
    struct TLevel
    {
        TRect Cell;
        // The cushion's surface z = X1*x + X2*x^2 + Y1*y + Y2*y^2 and the height of the
        // ridges of the level below.
        double X1 = 0, X2 = 0, Y1 = 0, Y2 = 0;
        double RidgeHeight = 0;
        TRect NameBox; ///< empty: not named
    };
    struct TLabel
    {
        TRect Box;
        std::string Text;
        TLabelColors Colors;
    };

    void Shade(const TRect& r, TColor color, const TLevel& level);

    ITreemapCanvas& FTarget;
    TMapLook FLook;
    int FLineHeight = 0;
    std::optional<TPixelCanvas> FBuffer;
    std::vector<TLevel> FLevels; ///< the item last entered and the folders it lies in
    TLevel FTop;                 ///< the surface below the first level
    std::vector<TLabel> FLabels;
};

} // namespace harrowdale
