#pragma once

// Moving through a map with the arrow keys: from one cell to the one beside it.

#include "treemap/Geometry.h"

#include <cstdint>
#include <cstdlib>
#include <span>

namespace harrowdale {

enum class TMapDirection : std::uint8_t
{
    Left,
    Right,
    Up,
    Down,
};

/// The cell an arrow key moves to from `from`: among the cells wholly beyond `from`'s edge
/// in that direction, the one whose centre is nearest to `from`'s centre. Of equally near
/// ones (a folder and the one cell filling it) the one nearest `from` in size, then the
/// first in item order. Null when there is none. Cells of a nested map are either nested
/// or apart, so the folders around `from` and the cells inside it are never chosen. Cells
/// without pixels are skipped. `Item` needs a TRect `Rect`.
template <class Item>
const Item* NeighbourCell(std::span<const Item> items, const Item& from, TMapDirection d)
{
    // Centres in half pixels, so that they stay whole numbers.
    const TRect& f = from.Rect;
    const std::int64_t fx = std::int64_t{f.Left} + f.Right, fy = std::int64_t{f.Top} + f.Bottom;
    auto area = [](const TRect& r) { return std::int64_t{r.Width()} * r.Height(); };
    const Item* best = nullptr;
    std::int64_t bestDistance = 0, bestSizeGap = 0;
    for (const Item& it : items) {
        const TRect& c = it.Rect;
        if (c.IsEmpty())
            continue;
        const bool beyond = (d == TMapDirection::Left && c.Right <= f.Left) ||
                            (d == TMapDirection::Right && c.Left >= f.Right) ||
                            (d == TMapDirection::Up && c.Bottom <= f.Top) ||
                            (d == TMapDirection::Down && c.Top >= f.Bottom);
        if (!beyond)
            continue;
        const std::int64_t dx = std::int64_t{c.Left} + c.Right - fx;
        const std::int64_t dy = std::int64_t{c.Top} + c.Bottom - fy;
        const std::int64_t distance = dx * dx + dy * dy;
        const std::int64_t sizeGap = std::abs(area(c) - area(f));
        if (best == nullptr || distance < bestDistance ||
            (distance == bestDistance && sizeGap < bestSizeGap)) {
            best = &it;
            bestDistance = distance;
            bestSizeGap = sizeGap;
        }
    }
    return best;
}

} // namespace harrowdale
