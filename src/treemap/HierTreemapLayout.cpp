#include "treemap/HierTreemapLayout.h"

#include "treemap/NestedItems.h"

#include <limits>

namespace harrowdale {

std::string THierItem::ExtLower() const
{
    return Kind == hkFile ? ExtKey(FileLeaf()->Ext()) : std::string();
}

std::int64_t THierItem::Size() const
{
    return Kind == hkDir ? Dir()->TotalSize() : FileLeaf()->Size();
}

void THierTreemapLayout::Clear()
{
    BuildFromRootSquarified(nullptr, {});
}

void THierTreemapLayout::BuildFromRootSquarified(const TDirNode* root, const TRect& targetRect)
{
    BeginBuild();
    FExts.Clear();
    FRoot = nullptr;
    FByUpperPath.Clear();
    if (root == nullptr || targetRect.IsEmpty()) {
        EndBuild();
        return;
    }
    FRoot = root;
    FExts.Assign(&root->Tree()->Exts());

    const auto collect = [](const TDirNode* node, const TRect& r, std::int32_t, bool,
                            std::vector<TEntry>& entries) -> TRect {
        if (r.IsEmpty() || node->TotalSize() <= 0)
            return {};
        std::int64_t total = 0;
        for (const TDirNode* c : node->Children())
            if (c->TotalSize() > 0)
                total += c->TotalSize();
        for (const TFileLeaf& f : node->Leaves())
            if (f.Size() > 0)
                total += f.Size();
        const double area = static_cast<double>(std::int64_t{r.Width()} * r.Height());
        if (total <= 0 || area <= 0)
            return {};
        const double t = static_cast<double>(total);
        for (const TDirNode* c : node->Children())
            if (c->TotalSize() > 0)
                entries.push_back(
                    {area * (static_cast<double>(c->TotalSize()) / t), c->TotalSize(), c, true});
        for (const TFileLeaf& f : node->Leaves())
            if (f.Size() > 0)
                entries.push_back(
                    {area * (static_cast<double>(f.Size()) / t), f.Size(), &f, false});
        return r;
    };
    const auto place = [this](const TEntry& e, const TRect& cell,
                              std::int32_t depth) -> TNestedExpand {
        const TRect inner = CellInterior(cell);
        if (!e.IsDir) {
            FItems.push_back(
                {inner, TEntryRef(static_cast<const TFileLeaf*>(e.Obj)), depth, hkFile});
            return {};
        }
        const auto* dir = static_cast<const TDirNode*>(e.Obj);
        FItems.push_back({inner, TEntryRef(dir), depth, hkDir});
        return {dir, inner};
    };
    TNestedPlacement<TEntry> placement;
    placement.Run(root, targetRect, 0, collect, place);
    EndBuild();
}

void THierTreemapLayout::Paint(ITreemapCanvas& canvas, const TMapLook& look,
                               const std::function<TColor(const TFileLeaf&)>& fileColor) const
{
    TLookPainter painter(canvas, look);
    ITreemapCanvas& surface = painter.Surface();
    PaintBackground(surface);
    // Folders show only as outlines and the margins between their contents; all colour
    // comes from files.
    for (const THierItem& it : FItems) {
        painter.Enter(it.Rect);
        if (const TFileLeaf* file = it.FileLeaf()) {
            const TExtTable::Id ext = file->ExtId();
            painter.Fill(it.Rect, fileColor             ? fileColor(*file)
                                  : ext < FExts.Count() ? FExts.ColorOfKey(ext)
                                                        : ColorForExt(it.ExtLower()));
        } else {
            painter.Name(it.Rect, it.Dir()->Name());
        }
        OutlineCell(surface, it.Rect);
    }
    FrameSelection(surface);
    painter.Finish();
}

void THierTreemapLayout::ToggleSelected(const THierItem* it)
{
    Toggle(it, SamePathKey<THierItem>);
}

void THierTreemapLayout::SetSelectedByUpperPaths(std::span<const std::string> paths)
{
    SelectNestedPaths(FSelection, Items(), FRoot, FByUpperPath, paths);
}

void THierTreemapLayout::SetSelectedEntries(std::span<const TEntryRef> entries)
{
    SelectNestedEntries(FSelection, Items(), entries);
}

void THierTreemapLayout::SetSelectedByExts(std::span<const std::string> extsLower)
{
    FSelection.Clear();
    // Rank of each extension id: the position of the first string naming its key.
    constexpr std::uint32_t kUnwanted = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> rank(FExts.Count(), kUnwanted);
    for (std::uint32_t r = 0; r < extsLower.size(); ++r)
        for (const TExtTable::Id id : FExts.IdsOf(extsLower[r]))
            rank[id] = std::min(rank[id], r);
    std::uint32_t bestRank = kUnwanted;
    for (std::uint32_t i = 0; i < FItems.size(); ++i) {
        const TFileLeaf* f = FItems[i].FileLeaf();
        if (f == nullptr || f->ExtId() >= rank.size() || rank[f->ExtId()] == kUnwanted)
            continue;
        FSelection.Select(i);
        if (rank[f->ExtId()] < bestRank) {
            bestRank = rank[f->ExtId()];
            FSelection.SetPrimary(i);
        }
    }
}

std::size_t THierTreemapLayout::MemoryBytes() const
{
    return ItemAndSelectionBytes() + FByUpperPath.MemoryBytes();
}

} // namespace harrowdale
