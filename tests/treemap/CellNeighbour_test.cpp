// The arrow keys in a map: each moves to the nearest cell wholly beyond the current one's
// edge, never to the folder around it or into it.

#include "TreemapTestSupport.h"
#include "treemap/CellNeighbour.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

struct TCell
{
    TRect Rect;
};

TEST(CellNeighbour, EachArrowGoesToTheNearestCellBeyondThatEdge)
{
    // A folder on the left holding two files one above the other, a tall file in the
    // middle, two files on the right, and a cell without pixels.
    //   0: folder (0,0)-(40,60)  1: (1,1)-(39,30)  2: (1,30)-(39,59)
    //   3: (40,0)-(60,60)        4: (60,0)-(100,20) 5: (60,20)-(100,60)  6: empty
    const std::vector<TCell> cells = {
        {{0, 0, 40, 60}},   {{1, 1, 39, 30}},    {{1, 30, 39, 59}},  {{40, 0, 60, 60}},
        {{60, 0, 100, 20}}, {{60, 20, 100, 60}}, {{70, 70, 70, 80}},
    };
    const std::span<const TCell> all(cells);
    const struct
    {
        int From;
        TMapDirection Direction;
        int To; ///< -1: none
    } cases[] =
        {
            {1, TMapDirection::Down, 2}, // the file below, not the folder around both
            {2, TMapDirection::Up, 1},
            {1, TMapDirection::Up, -1},   // nothing above; the folder holds it
            {1, TMapDirection::Right, 3}, // out of the folder to the cell beside it
            {0, TMapDirection::Right, 3}, // from the folder: beside it, never into it
            {0, TMapDirection::Down, -1},
            {3, TMapDirection::Right, 5}, // of the two, the one whose centre is nearer
            {3, TMapDirection::Left, 0},  // the folder's centre is nearer than its files'
            {4, TMapDirection::Down, 5},
            {5, TMapDirection::Left, 3},
            {4, TMapDirection::Right, -1},
        };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.From << " " << static_cast<int>(c.Direction));
        const TCell* to = NeighbourCell(all, cells[static_cast<std::size_t>(c.From)], c.Direction);
        EXPECT_EQ(to == nullptr ? -1 : static_cast<int>(to - cells.data()), c.To);
    }
}

TEST(CellNeighbour, OfAFolderAndTheCellFillingItTheOneOfTheSizeMovedFromIsTaken)
{
    // Two folders side by side, each filled by one file: their centres are the same, so
    // a file goes to the file beside it and a folder to the folder.
    const std::vector<TCell> cells = {
        {{0, 0, 50, 50}},
        {{1, 1, 49, 49}},
        {{50, 0, 100, 50}},
        {{51, 1, 99, 49}},
    };
    const std::span<const TCell> all(cells);
    EXPECT_EQ(NeighbourCell(all, cells[1], TMapDirection::Right), &cells[3]);
    EXPECT_EQ(NeighbourCell(all, cells[0], TMapDirection::Right), &cells[2]);
    EXPECT_EQ(NeighbourCell(all, cells[3], TMapDirection::Left), &cells[1]);
}

} // namespace
} // namespace harrowdale
