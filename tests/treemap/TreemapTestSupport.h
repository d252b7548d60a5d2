#pragma once

// Helpers shared by the treemap tests.

#include "scan/ResultArrays.h"
#include "scan/ScanTree.h"
#include "support/TreeFixture.h"
#include "treemap/Geometry.h"
#include "treemap/PixelCanvas.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace harrowdale {

inline void PrintTo(const TRect& r, std::ostream* os)
{
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace test {

/// Adds files of these names and sizes to `dir`, in this order.
inline void AddFiles(TreeFixture& fx, TDirNode* dir,
                     std::initializer_list<std::pair<std::string_view, std::int64_t>> files)
{
    for (const auto& [name, size] : files)
        fx.File(dir, name, size);
}

/// Adds `count` files "f0", "f1", ... of `size` bytes to `dir`.
inline void AddNumberedFiles(TreeFixture& fx, TDirNode* dir, int count, std::int64_t size)
{
    for (int i = 0; i < count; ++i)
        fx.File(dir, "f" + std::to_string(i), size);
}

/// The file `name` directly in `dir`.
inline const TFileLeaf* FileIn(const TDirNode* dir, std::string_view name)
{
    for (const TFileLeaf& f : dir->Leaves())
        if (f.Name() == name)
            return &f;
    return nullptr;
}

/// Every file below `root`, largest first, as the window hands them to the flat map.
inline std::vector<const TFileLeaf*> FilesBelow(const TDirNode* root)
{
    return FlattenAllFilesFromRoot(root).Files;
}

/// Whether every pixel of `r` on `canvas` has `color`.
inline bool AllPixels(const TPixelCanvas& canvas, const TRect& r, TColor color)
{
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (canvas.Pixel(x, y) != color)
                return false;
    return true;
}

/// Whether any pixel of `canvas` has `color`.
inline bool AnyPixel(const TPixelCanvas& canvas, TColor color)
{
    return std::ranges::find(canvas.Pixels(), color) != canvas.Pixels().end();
}

} // namespace test
} // namespace harrowdale
