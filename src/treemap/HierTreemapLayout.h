#pragma once

// The files-in-folders treemap: the whole scan tree as nested squarified rectangles,
// files coloured by extension.

#include "platform/Paths.h"
#include "scan/ScanTree.h"
#include "treemap/Canvas.h"
#include "treemap/EntryRef.h"
#include "treemap/ExtKeys.h"
#include "treemap/MapLook.h"
#include "treemap/PathIndex.h"
#include "treemap/SelectableLayout.h"
#include "treemap/Squarify.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

enum THierKind : std::uint8_t
{
    hkDir,
    hkFile
};

/// One placed folder or file. Refers into the scan tree, which must outlive the items.
struct THierItem
{
    TRect Rect; ///< never empty
    TEntryRef Entry;
    std::int32_t Depth = 0; ///< 0 for the entries of the root, 1 below them, ...
    THierKind Kind = hkDir; ///< hkFile exactly when Entry is a file

    const TDirNode* Dir() const { return Entry.Dir(); }
    const TFileLeaf* FileLeaf() const { return Entry.File(); }
    std::string FullPath() const { return Entry.FullPath(); }
    /// The selection key (platform::PathKey): the path on Linux, where names are
    /// case-sensitive; the upper-cased path on Windows.
    std::string UpperPath() const { return platform::PathKey(FullPath()); }
    /// Files: the extension key ("(none)" for none); folders: "".
    std::string ExtLower() const;
    /// Folders: TotalSize; files: Size.
    std::int64_t Size() const;
};

/// Lays out, paints and hit-tests the files-in-folders treemap and keeps its selection.
/// Items() are in pre-order: each folder immediately followed by the items inside it.
///
/// UI thread only. Item pointers stay valid until the next Clear or build. Memory is 32
/// bytes per item, plus 6 once a path has been looked up.
class THierTreemapLayout : public TSelectableLayout<THierItem>
{
public:
    /// One entry of a level being placed.
    struct TEntry
    {
        double Area;         ///< share of the level's rectangle, in square pixels
        std::int64_t Weight; ///< the bytes the share comes from
        const void* Obj;     ///< the TDirNode or TFileLeaf
        bool IsDir;
    };

    /// No items, no selection; frees the item buffer.
    void Clear();
    /// Rebuilds the layout of everything below `root` (null: nothing) inside `targetRect`,
    /// and empties the selection. The root itself gets no item.
    void BuildFromRootSquarified(const TDirNode* root, const TRect& targetRect);
    /// Files take the colour of their extension, or `fileColor`'s when given.
    void Paint(ITreemapCanvas& canvas, const TMapLook& look = {},
               const std::function<TColor(const TFileLeaf&)>& fileColor = {}) const;
    /// The innermost item under `p`, or null.
    const THierItem* HitTest(TPoint p) const { return LastContaining(p); }

    /// Flips `it`'s selection (null: nothing).
    void ToggleSelected(const THierItem* it);
    /// Selects the paths; the primary is the item of the first path that has one. Paths
    /// without an item stay in the selection.
    void SetSelectedByUpperPaths(std::span<const std::string> paths);
    /// Selects the items of `entries` as selecting their paths would; costs one pass over
    /// the items, however long the paths.
    void SetSelectedEntries(std::span<const TEntryRef> entries);
    /// Selects every placed file of the given extensions (any casing; "" and "(none)"
    /// for none); the primary is the first of them in item order for the first extension
    /// that has any.
    void SetSelectedByExts(std::span<const std::string> extsLower);
    /// Bytes held by items, index and selection.
    std::size_t MemoryBytes() const;

private:
    TExtKeyCache FExts;
    const TDirNode* FRoot = nullptr;
    TPathIndex FByUpperPath; ///< built on the first lookup after a build
};

} // namespace harrowdale
