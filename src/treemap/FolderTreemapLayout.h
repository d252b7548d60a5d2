#pragma once

// The folders treemap: folders alone, nested, each inside a margin that shrinks with
// depth, coloured by the top-level folder they lie in.

#include "scan/ScanTree.h"
#include "treemap/Canvas.h"
#include "treemap/MapLook.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace harrowdale {

/// One placed folder. Refers into the scan tree, which must outlive the items.
struct TFolderMapItem
{
    TRect Rect; ///< never empty
    const TDirNode* Node = nullptr;
    std::int32_t Depth = 0; ///< 1 for the children of the root, 2 below them, ...
    TColor BaseColor = 0;   ///< the colour of the top-level folder this one lies in
};

/// Lays out, paints and hit-tests the folders treemap. The page's selected folder is
/// framed; the hover folder is kept here for the window and never read.
///
/// UI thread only. 32 bytes per item.
class TFolderTreemapLayout
{
public:
    /// One folder of a level being placed.
    struct TEntry
    {
        double Area;         ///< share of the level's rectangle, in square pixels
        std::int64_t Weight; ///< the folder's TotalSize
        const TDirNode* Node;
        TColor BaseColor; ///< the colour its item will carry
    };

    TFolderTreemapLayout() = default;
    TFolderTreemapLayout(const TFolderTreemapLayout&) = delete;
    TFolderTreemapLayout& operator=(const TFolderTreemapLayout&) = delete;
    TFolderTreemapLayout(TFolderTreemapLayout&&) noexcept = default;
    TFolderTreemapLayout& operator=(TFolderTreemapLayout&&) noexcept = default;

    /// No items, no selected or hover folder; frees the item buffer.
    void Clear();
    /// Rebuilds the layout of the folders below `root` (null: nothing) inside
    /// `targetRect`; forgets the selected and the hover folder. Each folder of the top
    /// level gets its own colour, or `topColor` when given: a map of one folder inside a
    /// top-level folder keeps that folder's colour.
    void BuildFromRoot(const TDirNode* root, const TRect& targetRect,
                       std::optional<TColor> topColor = std::nullopt);
    /// Folders take their colour from the top level, or `folderColor`'s when given.
    void Paint(ITreemapCanvas& canvas, const TMapLook& look = {},
               const std::function<TColor(const TDirNode&)>& folderColor = {}) const;
    /// The innermost folder under `p` (a folder's margin gives the folder), or null.
    const TDirNode* HitTest(TPoint p) const;

    const TDirNode* SelectedNode() const { return FSelectedNode; }
    void SetSelectedNode(const TDirNode* node) { FSelectedNode = node; }
    const TDirNode* HoverNode() const { return FHoverNode; }
    void SetHoverNode(const TDirNode* node) { FHoverNode = node; }

    /// The item of a placed folder, or null.
    const TFolderMapItem* ItemOf(const TDirNode* node) const;
    /// All items in pre-order: each folder immediately followed by the folders inside it.
    std::span<const TFolderMapItem> Items() const { return FItems; }

    /// The colour of a folder (and of everything below a top-level folder).
    static TColor ColorForPath(std::string_view path);
    /// Margin around the folders placed at `depth` inside their parent.
    static std::int32_t MarginForDepth(std::int32_t depth);

    std::size_t MemoryBytes() const { return FItems.capacity() * sizeof(TFolderMapItem); }

private:
    std::vector<TFolderMapItem> FItems;
    const TDirNode* FSelectedNode = nullptr; ///< not owned
    const TDirNode* FHoverNode = nullptr;    ///< not owned
};

} // namespace harrowdale
