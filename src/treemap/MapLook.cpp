#include "treemap/MapLook.h"

#include "ui/text/DisplayFormat.h"

#include <algorithm>
#include <cmath>

namespace harrowdale {

namespace {

// The classic cushion: each level adds a parabolic ridge across its cell in both
// directions, each level's ridges this much lower than the level above it.
constexpr double kFirstRidgeHeight = 0.5;
constexpr double kRidgeFalloff = 0.75;
// Light from the upper left and mostly from the front; ambient and direct parts chosen
// so that a flat cushion top keeps about the cell's own colour.
constexpr double kLightX = -0.09759;
constexpr double kLightY = -0.19518;
constexpr double kLightZ = 0.9759;
constexpr double kAmbient = 0.45;
constexpr double kDirect = 0.6;

/// Adds a ridge of height `h` over [from, to) to the surface's terms along one axis.
void AddRidge(double from, double to, double h, double& linear, double& square)
{
    const double w = to - from;
    linear += 4 * h * (to + from) / w;
    square -= 4 * h / w;
}

bool Inside(const TRect& outer, const TRect& inner)
{
    return outer.Left <= inner.Left && inner.Right <= outer.Right && outer.Top <= inner.Top &&
           inner.Bottom <= outer.Bottom;
}

bool Overlap(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

std::uint8_t Lit(std::uint8_t channel, double light)
{
    return static_cast<std::uint8_t>(std::min(255.0, channel * light + 0.5));
}

} // namespace

TLabelColors LabelColorsOn(TColor fill)
{
    const int luma = (299 * RedOf(fill) + 587 * GreenOf(fill) + 114 * BlueOf(fill)) / 1000;
    return luma >= 140 ? TLabelColors{kBlack, kWhite} : TLabelColors{kWhite, kBlack};
}

TLookPainter::TLookPainter(ITreemapCanvas& target, const TMapLook& look)
    : FTarget(target), FLook(look)
{
    if (FLook.Names)
        FLineHeight = target.TextLineHeight();
    if (FLook.Cushions) {
        const TRect clip = target.ClipRect();
        FBuffer.emplace(clip.Right, clip.Bottom);
    }
    FTop.RidgeHeight = kFirstRidgeHeight;
}

void TLookPainter::Enter(const TRect& cell)
{
    if (!FBuffer && FLineHeight <= 0)
        return;
    while (!FLevels.empty() && !Inside(FLevels.back().Cell, cell))
        FLevels.pop_back();
    TLevel level = FLevels.empty() ? FTop : FLevels.back();
    level.Cell = cell;
    level.NameBox = {};
    if (FBuffer && !cell.IsEmpty()) {
        AddRidge(cell.Left, cell.Right, level.RidgeHeight, level.X1, level.X2);
        AddRidge(cell.Top, cell.Bottom, level.RidgeHeight, level.Y1, level.Y2);
        level.RidgeHeight *= kRidgeFalloff;
    }
    FLevels.push_back(level);
}

void TLookPainter::Fill(const TRect& cell, TColor color)
{
    if (!FBuffer || FLevels.empty()) {
        FillCell(Surface(), cell, color);
        return;
    }
    Shade(CellInterior(cell), color, FLevels.back());
}

void TLookPainter::Shade(const TRect& r, TColor color, const TLevel& level)
{
    const int left = std::max(r.Left, 0), right = std::min(r.Right, FBuffer->Width());
    const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, FBuffer->Height());
    const std::uint8_t red = RedOf(color), green = GreenOf(color), blue = BlueOf(color);
    for (int y = top; y < bottom; ++y) {
        // The surface's normal is (-dz/dx, -dz/dy, 1), taken at the pixel's centre.
        const double ny = -(2 * level.Y2 * (y + 0.5) + level.Y1);
        const double rowLight = ny * kLightY + kLightZ;
        const double rowNorm = ny * ny + 1;
        TColor* row = FBuffer->Row(y);
        for (int x = left; x < right; ++x) {
            const double nx = -(2 * level.X2 * (x + 0.5) + level.X1);
            const double cosine = (nx * kLightX + rowLight) / std::sqrt(nx * nx + rowNorm);
            const double light = kAmbient + kDirect * std::max(cosine, 0.0);
            row[x] = RGB(Lit(red, light), Lit(green, light), Lit(blue, light));
        }
    }
}

void TLookPainter::Name(const TRect& cell, std::string_view name, std::optional<TColor> fill)
{
    // Room for a line and a few characters at least (a lone ellipsis names nothing),
    // checked before the name is measured: most folders of a large tree are far smaller.
    if (FLineHeight <= 0 || FLevels.empty() || cell.Height() < FLineHeight + 2 ||
        cell.Width() - 4 < 2 * FLineHeight)
        return;
    // Inside the outline, below the names of the folders around it: none covers another.
    TRect box{cell.Left + 2, cell.Top + 1, cell.Right - 2, cell.Top + 1 + FLineHeight};
    std::string text = VisiblePathText(name);
    box.Right = std::min(box.Right, box.Left + FTarget.TextWidth(text));
    for (bool moved = true; moved;) {
        moved = false;
        for (std::size_t i = 0; i + 1 < FLevels.size(); ++i)
            if (const TRect& other = FLevels[i].NameBox; Overlap(other, box)) {
                box.Top = other.Bottom;
                box.Bottom = box.Top + FLineHeight;
                moved = true;
            }
    }
    if (box.Bottom > cell.Bottom - 1)
        return;
    FLevels.back().NameBox = box;
    FLabels.push_back(
        {box, std::move(text), fill ? LabelColorsOn(*fill) : TLabelColors{kWhite, kBlack}});
}

void TLookPainter::Finish()
{
    if (FBuffer) {
        FTarget.DrawPixels({0, 0, FBuffer->Width(), FBuffer->Height()}, FBuffer->Pixels());
        FBuffer.reset();
    }
    for (const TLabel& label : FLabels)
        FTarget.DrawText(label.Box, label.Text, label.Colors.Text, label.Colors.Halo);
    FLabels.clear();
    FLevels.clear();
}

} // namespace harrowdale
