#pragma once

// Squarified placement, shared by the nested treemaps (files in folders, folders,
// duplicates). Each map supplies its own entries (anything with a double `Area`, in
// square pixels, sorted largest first) and what placing one means.
//
// Rows are filled while adding an entry does not make the row's worst aspect ratio
// worse; a finished row becomes a strip along the shorter side of what is left. Cells
// are rounded, not stretched, so a strip can end with a gap or with cells clamped to
// nothing; the callers rely on exactly these cells.

#include "scan/ScanTree.h"
#include "treemap/Geometry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace harrowdale {

/// Larger than any real aspect ratio: a row that cannot be judged.
constexpr double kNoRatio = 1e300;

/// Worst aspect ratio of a row of `count` entries whose areas sum to `sum`, the largest
/// being `maxArea` and the smallest `minArea`, laid along a side of `side` pixels.
inline double WorstRatio(std::size_t count, double sum, double maxArea, double minArea,
                         std::int64_t side)
{
    if (count == 0 || minArea <= 0 || side <= 0)
        return kNoRatio;
    const double s2 = static_cast<double>(side) * static_cast<double>(side);
    const double sum2 = sum * sum;
    return std::max(s2 * maxArea / sum2, sum2 / (s2 * minArea));
}

/// Places `row` as one strip of `rem` and takes the strip off `rem`: across the top when
/// `horizontal` (rem is narrower than high), else down the left side. `place(entry,
/// cell)` gets every entry in order; the cell may be empty. Nothing happens for a row
/// without area.
template <class Entry, class Place>
void LayoutRow(std::span<const Entry> row, TRect& rem, bool horizontal, Place&& place)
{
    double sum = 0;
    for (const Entry& e : row)
        sum += e.Area;
    if (sum <= 0)
        return;
    if (horizontal) {
        const std::int64_t t = std::max<std::int64_t>(
            1, RoundHalfEven(sum / static_cast<double>(std::max(rem.Width(), 1))));
        const TRect strip{
            rem.Left, rem.Top, rem.Right,
            ClampCoord(std::min<std::int64_t>(rem.Bottom, std::int64_t{rem.Top} + t))};
        rem.Top = strip.Bottom;
        const double stripHeight = static_cast<double>(std::max(strip.Height(), 1));
        std::int64_t x = strip.Left;
        for (const Entry& e : row) {
            const std::int64_t w = std::max<std::int64_t>(1, RoundHalfEven(e.Area / stripHeight));
            place(e, TRect{ClampCoord(x), strip.Top,
                           ClampCoord(std::min<std::int64_t>(strip.Right, x + w)), strip.Bottom});
            x += w;
        }
    } else {
        const std::int64_t t = std::max<std::int64_t>(
            1, RoundHalfEven(sum / static_cast<double>(std::max(rem.Height(), 1))));
        const TRect strip{rem.Left, rem.Top,
                          ClampCoord(std::min<std::int64_t>(rem.Right, std::int64_t{rem.Left} + t)),
                          rem.Bottom};
        rem.Left = strip.Right;
        const double stripWidth = static_cast<double>(std::max(strip.Width(), 1));
        std::int64_t y = strip.Top;
        for (const Entry& e : row) {
            const std::int64_t h = std::max<std::int64_t>(1, RoundHalfEven(e.Area / stripWidth));
            place(e, TRect{strip.Left, ClampCoord(y), strip.Right,
                           ClampCoord(std::min<std::int64_t>(strip.Bottom, y + h))});
            y += h;
        }
    }
}

/// Squarified placement of `entries` (largest area first) into `r`. Stops as soon as
/// what is left of `r` has no area: the entries not yet placed then get no cell.
template <class Entry, class Place>
void Squarify(std::span<const Entry> entries, const TRect& r, Place&& place)
{
    TRect rem = r;
    std::size_t rowBegin = 0;
    // Sum, largest and smallest area of the row, including the entry just added.
    double sum = 0;
    double maxArea = 0;
    double minArea = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double a = entries[i].Area;
        const std::size_t before = i - rowBegin;
        const double sumBefore = sum;
        const double maxBefore = maxArea;
        const double minBefore = minArea;
        if (before == 0) {
            sum = maxArea = minArea = a;
        } else {
            sum += a;
            maxArea = std::max(maxArea, a);
            minArea = std::min(minArea, a);
        }
        const std::int64_t side = std::min(rem.Width(), rem.Height());
        if (side <= 0)
            return;
        if (before == 0)
            continue;
        const double with = WorstRatio(before + 1, sum, maxArea, minArea, side);
        const double without = WorstRatio(before, sumBefore, maxBefore, minBefore, side);
        if (with > without) {
            LayoutRow(entries.subspan(rowBegin, before), rem, rem.Width() < rem.Height(), place);
            rowBegin = i;
            sum = maxArea = minArea = a;
        }
    }
    if (rowBegin < entries.size())
        LayoutRow(entries.subspan(rowBegin), rem, rem.Width() < rem.Height(), place);
}

/// What placing an entry asks for next: fill `Node`'s contents into `Rect`, one level
/// deeper. No node: nothing to fill.
struct TNestedExpand
{
    const TDirNode* Node = nullptr;
    TRect Rect;
};

/// Drives a nested squarified layout without recursion, since scan trees can be deeper
/// than a thread's stack. Items come out in pre-order (a folder, everything inside it,
/// then its next sibling), exactly as if each placed folder were filled at once. Keeps its
/// buffers between runs.
template <class Entry> class TNestedPlacement
{
public:
    /// `collect(node, rect, depth, isTop, entries)` appends the entries of one level
    /// (any order) and returns the rectangle they share, empty for none. `place(entry,
    /// cell, depth)` is called with every non-empty cell in pre-order and returns what to
    /// fill next.
    template <class Collect, class Place>
    void Run(const TDirNode* root, const TRect& r, std::int32_t depth, Collect&& collect,
             Place&& place)
    {
        FPending.clear();
        FFrames.clear();
        Expand(root, r, depth, true, collect);
        while (!FFrames.empty()) {
            Frame& f = FFrames.back();
            if (f.Cursor == f.End) {
                FPending.resize(f.Begin);
                FFrames.pop_back();
                continue;
            }
            const Pending p = FPending[f.Cursor++];
            const std::int32_t d = f.Depth; // `f` dangles once Expand pushes a frame
            const TNestedExpand next = place(p.E, p.Cell, d);
            if (next.Node != nullptr)
                Expand(next.Node, next.Rect, d + 1, false, collect);
        }
    }

private:
    struct Pending
    {
        Entry E;
        TRect Cell;
    };
    struct Frame
    {
        std::size_t Begin;
        std::size_t Cursor;
        std::size_t End;
        std::int32_t Depth;
    };

    template <class Collect>
    void Expand(const TDirNode* node, const TRect& r, std::int32_t depth, bool isTop,
                Collect& collect)
    {
        FEntries.clear();
        const TRect area = collect(node, r, depth, isTop, FEntries);
        if (FEntries.empty() || area.IsEmpty())
            return;
        std::sort(FEntries.begin(), FEntries.end(),
                  [](const Entry& a, const Entry& b) { return a.Area > b.Area; });
        const std::size_t begin = FPending.size();
        Squarify(std::span<const Entry>(FEntries), area, [this](const Entry& e, const TRect& cell) {
            if (!cell.IsEmpty())
                FPending.push_back({e, cell});
        });
        if (FPending.size() > begin)
            FFrames.push_back({begin, begin, FPending.size(), depth});
    }

    std::vector<Entry> FEntries;
    std::vector<Pending> FPending; ///< placed cells not yet turned into items, per frame
    std::vector<Frame> FFrames;
};

} // namespace harrowdale
