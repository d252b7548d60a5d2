#pragma once

// Rectangles, points and the one rounding rule of treemap geometry.

#include <cmath>
#include <cstdint>
#include <limits>

namespace harrowdale {

struct TPoint
{
    std::int32_t X = 0;
    std::int32_t Y = 0;
};

/// A rectangle of pixels; Right and Bottom are exclusive, so (0, 0, 10, 5) is 10 x 5.
struct TRect
{
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    constexpr std::int32_t Width() const { return Right - Left; }
    constexpr std::int32_t Height() const { return Bottom - Top; }
    /// Empty when it covers no pixel; an empty rectangle may still have any coordinates.
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const
    {
        return Left <= p.X && p.X < Right && Top <= p.Y && p.Y < Bottom;
    }
    /// Moved in by `d` pixels on every side (out, for a negative `d`).
    constexpr TRect Shrunk(std::int32_t d) const
    {
        return {Left + d, Top + d, Right - d, Bottom - d};
    }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

/// Treemap cells leave a 1-pixel gap to their neighbours from this size on (both sides)...
constexpr std::int32_t kCellGapMinSide = 10;
/// ...and get a black outline from this size on.
constexpr std::int32_t kCellOutlineMinSide = 6;

/// The rectangle a cell keeps for itself: 1 pixel in from every side when it is at least
/// kCellGapMinSide pixels in both directions, else the whole cell.
constexpr TRect CellInterior(const TRect& r)
{
    return r.Width() >= kCellGapMinSide && r.Height() >= kCellGapMinSide ? r.Shrunk(1) : r;
}

/// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4). Computed from floor() so the
/// result does not depend on the floating-point rounding mode. Saturates outside the
/// 64-bit range.
inline std::int64_t RoundHalfEven(double x)
{
    constexpr double kLimit = 9.2e18;
    if (!(x < kLimit))
        return std::numeric_limits<std::int64_t>::max();
    if (!(x > -kLimit))
        return std::numeric_limits<std::int64_t>::min();
    const double f = std::floor(x);
    const double frac = x - f; // exact: f <= x < f + 1
    auto n = static_cast<std::int64_t>(f);
    if (frac > 0.5 || (frac == 0.5 && (n & 1) != 0))
        ++n;
    return n;
}

/// A 64-bit coordinate clamped into the 32-bit range of TRect.
constexpr std::int32_t ClampCoord(std::int64_t v)
{
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

} // namespace harrowdale
