#pragma once

// The duplicates treemap: the folders that hold duplicate files, sized by the bytes of
// duplicates below them, and the duplicates themselves in their group's colour.

#include "platform/Paths.h"
#include "scan/ScanTree.h"
#include "treemap/Canvas.h"
#include "treemap/EntryRef.h"
#include "treemap/MapLook.h"
#include "treemap/SelectableLayout.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace harrowdale {

enum TDupKind : std::uint8_t
{
    dkDir,
    dkFile
};

/// The duplicates and their group colours, keyed by file entry (one-to-one with the
/// file's path key on Linux).
using TDupColorByFile = std::unordered_map<const TFileLeaf*, TColor>;

/// One placed folder or duplicate file. Refers into the scan tree, which must outlive
/// the items. 32 bytes: the nesting level is not stored (TDupTreemapLayout::DepthOf), and
/// a folder's byte count shares its slot with a file's colour.
class TDupItem
{
public:
    TRect Rect; ///< never empty
    TEntryRef Entry;

    TDupKind Kind() const { return Entry.IsFile() ? dkFile : dkDir; }
    const TDirNode* Dir() const { return Entry.Dir(); }
    const TFileLeaf* FileLeaf() const { return Entry.File(); }
    std::string FullPath() const { return Entry.FullPath(); }
    /// The selection key (platform::PathKey): the path on Linux, where names are
    /// case-sensitive; the upper-cased path on Windows.
    std::string UpperPath() const { return platform::PathKey(FullPath()); }
    /// Folders: the bytes of duplicate files below them; files: Size.
    std::int64_t Size() const { return Entry.IsFile() ? FileLeaf()->Size() : FValue; }
    /// Folders: silver; files: their group's colour. (Only files the dictionary has are
    /// placed, so the grey of a file without a group never shows.)
    TColor Color() const { return Entry.IsFile() ? static_cast<TColor>(FValue) : kSilver; }

private:
    friend class TDupTreemapLayout;
    TDupItem(const TRect& r, const TDirNode* dir, std::int64_t dupBytes)
        : Rect(r), Entry(dir), FValue(dupBytes)
    {
    }
    TDupItem(const TRect& r, const TFileLeaf* file, TColor color)
        : Rect(r), Entry(file), FValue(color)
    {
    }

    std::int64_t FValue; ///< folders: duplicate bytes; files: colour
};

/// Lays out, paints and hit-tests the duplicates treemap and keeps its selection.
/// Items() are in pre-order: each folder immediately followed by the items inside it.
///
/// UI thread only. The colour dictionary is read during the build only: the items keep
/// what they need of it. 32 bytes per item.
class TDupTreemapLayout : public TSelectableLayout<TDupItem>
{
public:
    /// One entry of a level being placed.
    struct TEntry
    {
        double Area;         ///< share of the level's rectangle, in square pixels
        std::int64_t Weight; ///< the duplicate bytes the share comes from
        const void* Obj;     ///< the TDirNode or TFileLeaf
        bool IsDir;
        TColor Color; ///< files: the group colour, looked up once per build
    };

    /// No items, no selection; frees the item buffer.
    void Clear();
    /// Rebuilds the layout of the duplicates below `root` inside `targetRect`; a file is
    /// a duplicate when `colorByFile` has it. Empties the selection.
    void BuildFromRootDuplicates(const TDirNode* root, const TDupColorByFile* colorByFile,
                                 const TRect& targetRect);
    /// Paints the items; `fileColor`, when given, colours the files instead of their
    /// groups' colours.
    void Paint(ITreemapCanvas& canvas, const TMapLook& look = {},
               const std::function<TColor(const TFileLeaf&)>& fileColor = {}) const;
    /// The innermost item under `p`, or null.
    const TDupItem* HitTest(TPoint p) const { return LastContaining(p); }

    /// Flips `it`'s selection (null: nothing).
    void ToggleSelected(const TDupItem* it);
    /// Selects the paths; the primary is the item of the first path that has one. Paths
    /// without an item stay in the selection.
    void SetSelectedByUpperPaths(std::span<const std::string> paths);

    /// Selects the items of `files`; the primary is the item of the first file that has
    /// one. Files without an item stay in the selection. Costs the number of items and
    /// files, not the length of their paths: a group of duplicates down a deep chain of
    /// folders has paths of hundreds of kilobytes each.
    void SetSelectedFiles(std::span<const TFileLeaf* const> files);

    /// Nesting level of an item: 0 for the entries of the root, 1 below them, ...
    std::int32_t DepthOf(const TDupItem& it) const { return it.Entry.DepthBelow(FRoot); }
    /// Bytes held by items and selection.
    std::size_t MemoryBytes() const { return ItemAndSelectionBytes(); }

private:
    const TDirNode* FRoot = nullptr;
};

} // namespace harrowdale
