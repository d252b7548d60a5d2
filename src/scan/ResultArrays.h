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
    /// Files that are extra links (TFileLeaf::IsExtraLink): listed, but no file of their
    /// own. They count no bytes, so they lie among the last entries.
    std::int64_t ExtraLinks = 0;

    /// The files that count: every entry but the extra links.
    std::int64_t CountedFiles() const
    {
        return static_cast<std::int64_t>(Files.size()) - ExtraLinks;
    }
};

/// Every file below `root` (a folder's own files before its subfolders'), sorted by size,
/// largest first; equal sizes in the tree's order. Empty without a root.
TFileArray FlattenAllFilesFromRoot(const TDirNode* root);

/// The same files in the same order of sizes, but equal sizes in an order that does not
/// depend on how the system listed the folders: folder by folder from the root, a
/// folder's own files before its subfolders', files and subfolders each by name, byte for
/// byte (so the separator and the form of the root play no part). For reports that must
/// read the same wherever the tree was scanned; one core, and a sort of each folder's
/// names, where the window's array keeps the tree's order at no cost.
TFileArray FlattenAllFilesInNameOrder(const TDirNode* root);

/// `files` without its extra links, for reports of the space files take.
TFileArray WithoutExtraLinks(TFileArray files);

/// The first min(5000, n) entries of `all`, same order, with their byte total.
TFileArray BuildDisplayFiles(const TFileArray& all, std::size_t cap = kDisplayFilesCap);

} // namespace harrowdale
