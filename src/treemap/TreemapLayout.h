#pragma once

// The flat files treemap: one cell per file, laid out in rows of a fixed number of files,
// largest first, each coloured by its extension.

#include "scan/ScanTree.h"
#include "treemap/Canvas.h"
#include "treemap/ExtKeys.h"
#include "treemap/MapLook.h"
#include "treemap/PathIndex.h"
#include "treemap/SelectableLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// One file's cell. Refers to the file in the scan tree, which must outlive the layout's
/// items.
struct TTreemapItem
{
    TRect Rect; ///< may be empty: such a cell is found by path but never painted or hit
    const TFileLeaf* File = nullptr;

    std::string_view DisplayText() const { return File->Name(); }
    std::string FullPath() const { return File->FullPath(); }
    /// The extension as the scan tree stores it ("" for none).
    std::string_view Ext() const { return File->Ext(); }
    std::int64_t Size() const { return File->Size(); }
};

/// Lays out, paints and hit-tests the flat files treemap and keeps its selection.
/// Items() are row by row, largest file first.
///
/// UI thread only. Item pointers handed out stay valid until the next Clear or
/// BuildFromFiles. Memory is 24 bytes per item, plus about 8 once a path has been looked
/// up (the path index is built on the first lookup after a build).
class TTreemapLayout : public TSelectableLayout<TTreemapItem>
{
public:
    /// No items, no selection; frees the item buffer.
    void Clear();
    /// Rebuilds the layout of `files` (all of one scan tree, in any order, none null)
    /// inside `targetRect`, and empties the selection.
    void BuildFromFiles(std::span<const TFileLeaf* const> files, const TRect& targetRect);
    /// Cushions shade each cell on its own; files have no folder names to show.
    void Paint(ITreemapCanvas& canvas, const TMapLook& look = {}) const;
    /// The item whose cell contains `p`, or null.
    const TTreemapItem* HitTest(TPoint p) const;

    /// Flips `item`'s selection (null: nothing).
    void ToggleSelected(const TTreemapItem* item);
    /// Selects the files of `paths`; the primary is the item of the first path that has
    /// one. Paths without an item stay in the selection.
    void SetSelectedByPaths(std::span<const std::string> paths);

    /// The item of a full path, or null.
    const TTreemapItem* GetItemByPath(std::string_view fullPath) const;
    /// The largest item of an extension (any casing; "" and "(none)" for files without
    /// one), the first placed among equals; null when none was placed.
    const TTreemapItem* GetLargestItemByExt(std::string_view ext) const;

    /// The colour of an extension everywhere in the program.
    static TColor ColorForExt(std::string_view ext);
    /// Files per row for `fileCount` files: the rounded square root, from 8 to 48.
    static std::int32_t RowLength(std::size_t fileCount);

    /// Bytes held by items, indexes and selection.
    std::size_t MemoryBytes() const;

private:
    void EnsurePathIndex() const;
    std::uint32_t FindPath(std::string_view path, TPathResolver& resolver) const;
    TPathResolver MakeResolver() const;
    TColor ColorOf(const TTreemapItem& item) const;

    TExtKeyCache FExts;
    std::vector<std::uint32_t> FLargestByExtId; ///< item index per extension id, or kNone
    const TDirNode* FTop = nullptr;             ///< the top folder the files hang from

    // Lookups by path, built on first use after a build: items by (folder, name), and
    // every folder below FTop by (parent, name) to resolve the folder part of a path.
    mutable TPathIndex FByPath;
    mutable std::vector<const TDirNode*> FDirs;
    mutable TPathIndex FDirIndex;
};

} // namespace harrowdale
