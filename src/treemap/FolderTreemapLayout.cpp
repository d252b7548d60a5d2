#include "treemap/FolderTreemapLayout.h"

#include "treemap/Squarify.h"

namespace harrowdale {

TColor TFolderTreemapLayout::ColorForPath(std::string_view path)
{
    return harrowdale::ColorForPath(path);
}

std::int32_t TFolderTreemapLayout::MarginForDepth(std::int32_t depth)
{
    switch (depth) {
    case 2:
        return 12;
    case 3:
        return 8;
    case 4:
        return 6;
    case 5:
        return 4;
    default:
        return 2;
    }
}

void TFolderTreemapLayout::Clear()
{
    BuildFromRoot(nullptr, {});
}

void TFolderTreemapLayout::BuildFromRoot(const TDirNode* root, const TRect& targetRect,
                                         std::optional<TColor> topColor)
{
    // The buffer is kept, at the size of the previous build: a rebuild after a resize
    // places about as many items again.
    FItems.clear();
    FSelectedNode = nullptr;
    FHoverNode = nullptr;
    if (root == nullptr || targetRect.IsEmpty()) {
        FItems.shrink_to_fit();
        return;
    }

    // The top level fills the whole target and gives each folder its own colour; below,
    // folders sit inside their parent's margin and inherit its colour. Files take no area.
    const auto collect = [this, topColor](const TDirNode* node, const TRect& r, std::int32_t depth,
                                          bool isTop, std::vector<TEntry>& entries) -> TRect {
        if (r.IsEmpty() || node->Children().empty())
            return {};
        const TRect inner = isTop ? r : r.Shrunk(MarginForDepth(depth));
        if (inner.IsEmpty())
            return {};
        std::int64_t total = 0;
        for (const TDirNode* c : node->Children())
            if (c->TotalSize() > 0)
                total += c->TotalSize();
        const double area = static_cast<double>(std::int64_t{inner.Width()} * inner.Height());
        if (total <= 0 || area <= 0)
            return {};
        // Placed folders are expanded right after their item is made.
        const TColor inherited = isTop ? topColor.value_or(0) : FItems.back().BaseColor;
        const bool ownColors = isTop && !topColor;
        for (const TDirNode* c : node->Children())
            if (c->TotalSize() > 0)
                entries.push_back(
                    {area * (static_cast<double>(c->TotalSize()) / static_cast<double>(total)),
                     c->TotalSize(), c, ownColors ? ColorForPath(c->FullPath()) : inherited});
        return inner;
    };
    const auto place = [this](const TEntry& e, const TRect& cell,
                              std::int32_t depth) -> TNestedExpand {
        const TRect inner = CellInterior(cell);
        FItems.push_back({inner, e.Node, depth, e.BaseColor});
        return {e.Node, inner};
    };
    TNestedPlacement<TEntry> placement;
    placement.Run(root, targetRect, 1, collect, place);
    FItems.shrink_to_fit(); // items are most of a layout's memory: no spare room
}

void TFolderTreemapLayout::Paint(ITreemapCanvas& canvas, const TMapLook& look,
                                 const std::function<TColor(const TDirNode&)>& folderColor) const
{
    TLookPainter painter(canvas, look);
    ITreemapCanvas& surface = painter.Surface();
    PaintBackground(surface);
    // Each folder is painted whole and its subfolders over it, so it shows as a band of
    // its colour around them.
    for (const TFolderMapItem& it : FItems) {
        const TColor base = folderColor ? folderColor(*it.Node) : it.BaseColor;
        const TColor color = it.Depth >= 3 ? (base >> 1) & 0x7F7F7Fu : base;
        painter.Enter(it.Rect);
        painter.Fill(it.Rect, color);
        painter.Name(it.Rect, it.Node->Name(), color);
        OutlineCell(surface, it.Rect);
    }
    if (const TFolderMapItem* selected = ItemOf(FSelectedNode))
        FrameSelected(surface, selected->Rect);
    painter.Finish();
}

const TDirNode* TFolderTreemapLayout::HitTest(TPoint p) const
{
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
        if (it->Rect.Contains(p))
            return it->Node;
    return nullptr;
}

const TFolderMapItem* TFolderTreemapLayout::ItemOf(const TDirNode* node) const
{
    // One look-up per paint or click; a scan is cheaper than an index kept per build.
    if (node == nullptr)
        return nullptr;
    for (const TFolderMapItem& it : FItems)
        if (it.Node == node)
            return &it;
    return nullptr;
}

} // namespace harrowdale
