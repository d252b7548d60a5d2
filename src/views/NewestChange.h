#pragma once

// The last change below a folder: the newest last-write time of the files in its subtree.
// The tree does not keep it (it would cost every folder eight bytes): it is worked out for
// the folders a view asks about, when first asked, and kept for them only.
//
// Thread: one reader at a time; the tree must not change while it is kept (Clear first).

#include "scan/ScanTree.h"

#include <cstdint>
#include <unordered_map>

namespace harrowdale {

class TNewestChange
{
public:
    /// Last-write ticks (as TFileLeaf::ModifiedFT) of the newest file below `folder`, its
    /// own files included; 0 when none of them has a date.
    std::int64_t Of(const TDirNode* folder) const;
    /// Forgets every folder (a new tree, or a changed one).
    void Clear() { FKnown.clear(); }

private:
    mutable std::unordered_map<const TDirNode*, std::int64_t> FKnown;
};

} // namespace harrowdale
