#pragma once

// The order a tree view shows a folder's subfolders and files in: the tree's own (both by
// size, largest first, as the result pipeline sorted them) or sorted by a key, either way.
// The tree itself is never reordered (the maps and the other views read it); a sorted
// list of pointers is made for each folder whose rows are asked for, when first asked,
// and kept for it only, so a sort costs nothing per entry of the whole tree.
//
// Thread: one reader at a time; Clear before the tree changes.

#include "scan/ScanTree.h"
#include "views/NewestChange.h"
#include "views/ScanComparison.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace harrowdale {

/// What a tree's entries can be sorted by. A file counts as one file.
enum class TSortKey : std::uint8_t
{
    Name,
    Size,
    Files,
    Modified, ///< a folder's newest file below it
    Change,   ///< bytes gained since an older scan (SetComparison); 0 without one
};

class TChildOrder
{
public:
    /// Sorts by `key` (ascending unless `descending`), or goes back to the tree's own
    /// order for none. Ties keep the tree's order either way.
    void Set(std::optional<TSortKey> key, bool descending);
    std::optional<TSortKey> Key() const { return FKey; }
    bool Descending() const { return FDescending; }
    /// The subfolder shown at `row` of `parent`; null past the end.
    const TDirNode* Child(const TDirNode* parent, std::size_t row) const;
    /// Where `folder` is shown among its parent's subfolders (0 for a root).
    std::size_t RowOf(const TDirNode* folder) const;
    /// Sorts a folder's files, given in the tree's own order, into the order shown.
    void SortFiles(std::vector<const TFileLeaf*>& files) const;
    /// Forgets the sorted lists and the folders' last changes: the tree changed or went.
    void Clear();
    /// The folders' last changes, shown and sorted by.
    const TNewestChange& Newest() const { return FNewest; }
    /// The comparison the Change key sorts by (null: none); it must outlive its use here.
    void SetComparison(const TScanComparison* comparison);
    const TScanComparison* Comparison() const { return FComparison; }
    /// Bytes gained since the older scan (all of it for a new entry); 0 without one.
    std::int64_t ChangeOf(const TDirNode* folder) const;
    std::int64_t ChangeOf(const TFileLeaf* file) const;

private:
    const std::vector<const TDirNode*>& SortedChildren(const TDirNode* parent) const;

    std::optional<TSortKey> FKey;
    bool FDescending = false;
    TNewestChange FNewest;
    const TScanComparison* FComparison = nullptr;
    mutable std::unordered_map<const TDirNode*, std::vector<const TDirNode*>> FChildren;
    mutable std::unordered_map<const TDirNode*, std::uint32_t> FRowOf;
};

} // namespace harrowdale
