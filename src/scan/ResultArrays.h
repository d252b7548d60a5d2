#pragma once

// The flat file arrays several views share: every file largest first, and the first
// 5000 of them for the largest-files list.

#include "scan/ScanTree.h"

#include <cstdint>
#include <vector>

namespace harrowdale {

constexpr std::size_t kDisplayFilesCap = 5000;

struct TFileArray
{
    std::vector<const TFileLeaf*> Files; ///< not owning; valid while the tree lives
    std::int64_t TotalBytes = 0;
};

/// Every file below `root` (a folder's own files before its subfolders'), sorted by size,
/// largest first; equal sizes in the tree's order. Empty without a root.
TFileArray FlattenAllFilesFromRoot(const TDirNode* root);

/// The first min(5000, n) entries of `all`, same order, with their byte total.
TFileArray BuildDisplayFiles(const TFileArray& all, std::size_t cap = kDisplayFilesCap);

} // namespace harrowdale
