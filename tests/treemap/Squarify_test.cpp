#include "treemap/Squarify.h"

#include <gtest/gtest.h>
#include <vector>

namespace harrowdale {
namespace {

struct Entry
{
    double Area;
    int Id;
};

struct Placed
{
    int Id;
    TRect Cell;
    friend bool operator==(const Placed&, const Placed&) = default;
};

void PrintTo(const Placed& p, std::ostream* os)
{
    *os << "#" << p.Id << " (" << p.Cell.Left << ", " << p.Cell.Top << ", " << p.Cell.Right << ", "
        << p.Cell.Bottom << ")";
}

std::vector<Placed> Place(const std::vector<Entry>& entries, const TRect& r)
{
    std::vector<Placed> out;
    Squarify(std::span<const Entry>(entries), r, [&](const Entry& e, const TRect& cell) {
        out.push_back({e.Id, cell});
    });
    return out;
}

TEST(Squarify, SevenEntriesIntoSixHundredByFourHundred)
{
    const std::vector<Entry> entries = {{60000, 1}, {60000, 2}, {40000, 3}, {30000, 4},
                                        {20000, 5}, {20000, 6}, {10000, 7}};
    const std::vector<Placed> expected = {
        {1, {0, 0, 300, 200}},     {2, {0, 200, 300, 400}},   {3, {300, 0, 472, 233}},
        {4, {472, 0, 600, 233}},   {5, {300, 233, 420, 400}}, {6, {420, 233, 540, 400}},
        {7, {540, 233, 600, 400}},
    };
    EXPECT_EQ(Place(entries, {0, 0, 600, 400}), expected);
}

TEST(Squarify, StopsWhenNothingIsLeftOfTheRectangle)
{
    // The first row takes the whole 4 x 2 rectangle; the rest get no cell at all.
    const std::vector<Placed> expected = {{1, {0, 0, 4, 2}}};
    EXPECT_EQ(Place({{8, 1}, {0.4, 2}, {0.4, 3}}, {0, 0, 4, 2}), expected);
}

TEST(Squarify, EntriesWithoutAreaAreNeverPlaced)
{
    const auto placed = Place({{6, 1}, {4, 2}, {0, 3}, {0, 4}}, {0, 0, 5, 2});
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].Id, 1);
    EXPECT_EQ(placed[1].Id, 2);
}

TEST(Squarify, RoundingCanLeaveGapsOrClampCellsToNothing)
{
    // Three equal entries in a 10 x 1 strip: each rounds to 3 pixels, leaving column 9.
    EXPECT_EQ(Place({{3, 1}, {3, 2}, {3, 3}}, {0, 0, 10, 1}),
              (std::vector<Placed>{{1, {0, 0, 3, 1}}, {2, {3, 0, 6, 1}}, {3, {6, 0, 9, 1}}}));
    // Every cell is at least 1 pixel: the third finds the rectangle used up and is
    // clamped to nothing.
    const auto clamped = Place({{0.6, 1}, {0.6, 2}, {0.6, 3}}, {0, 0, 2, 1});
    ASSERT_EQ(clamped.size(), 3u);
    EXPECT_FALSE(clamped[1].Cell.IsEmpty());
    EXPECT_TRUE(clamped[2].Cell.IsEmpty());
}

TEST(Squarify, WorstRatio)
{
    EXPECT_EQ(WorstRatio(0, 0, 0, 0, 10), kNoRatio);
    EXPECT_EQ(WorstRatio(2, 5, 5, 0, 10), kNoRatio);
    EXPECT_EQ(WorstRatio(1, 100, 100, 100, 0), kNoRatio);
    EXPECT_DOUBLE_EQ(WorstRatio(1, 100, 100, 100, 10), 1.0); // a 10 x 10 square
    EXPECT_DOUBLE_EQ(WorstRatio(2, 100, 50, 50, 10), 2.0);   // two 10 x 5 cells
}

} // namespace
} // namespace harrowdale
