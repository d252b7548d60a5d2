#include "treemap/DupTreemapLayout.h"

#include "treemap/NestedItems.h"
#include "treemap/PointerMap.h"
#include "treemap/Squarify.h"

#include <algorithm>
#include <functional>

namespace harrowdale {

namespace {

/// What a build needs to know of a folder that holds duplicates below it.
struct TDupDir
{
    std::int64_t Bytes = 0;  ///< of the duplicate files anywhere below the folder
    std::uint32_t First = 0; ///< the folder's own duplicates: this range of TDupFiles::Files
    std::uint32_t Count = 0;
};

/// The duplicates below a root, grouped by folder, and each folder's duplicate bytes;
/// folders absent from the map have none. Works up from the duplicates, so its cost
/// follows their number and the folders above them, not the size of the tree: each folder
/// is met once on the way up, however many folders below it hold duplicates, and each
/// folder's sum is made once, bottom-up, so a chain of folders costs its length, not its
/// length squared.
struct TDupFiles
{
    /// By address: grouped by folder, in Leaves order; with the group colour.
    std::vector<std::pair<const TFileLeaf*, TColor>> Files;
    TPointerMap<TDupDir> Dirs;

    TDupFiles(const TDirNode* root, const TDupColorByFile* colorByFile)
    {
        if (colorByFile == nullptr)
            return;
        Files.assign(colorByFile->begin(), colorByFile->end());
        // A folder's files are one array, so address order is the folder's own order.
        std::sort(Files.begin(), Files.end(),
                  [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
        // Every folder entered, each after its parent; the folders met on a way up that
        // did not reach the root, so no later way up repeats it.
        std::vector<const TDirNode*> topDown;
        TPointerMap<bool> outside;
        std::vector<const TDirNode*> chain;
        for (std::size_t first = 0; first < Files.size();) {
            const TDirNode* parent = Files[first].first->Parent();
            std::size_t last = first;
            std::int64_t bytes = 0;
            for (; last < Files.size() && Files[last].first->Parent() == parent; ++last)
                bytes += Files[last].first->Size();
            if (EnterWithAncestors(parent, root, topDown, outside, chain)) {
                TDupDir& own = Dirs[parent];
                own.First = static_cast<std::uint32_t>(first);
                own.Count = static_cast<std::uint32_t>(last - first);
                own.Bytes = bytes;
            }
            first = last;
        }
        // Children come after their parent, so backwards each sum is complete before it is
        // added to the parent's.
        for (auto it = topDown.rbegin(); it != topDown.rend(); ++it)
            if (*it != root)
                Dirs[(*it)->Parent()].Bytes += Dirs.Find(*it)->Bytes;
    }

    /// Enters `dir` and the folders between it and `root` that are not entered yet, each
    /// after its parent; false when `dir` is not below `root` (or is not `root`).
    bool EnterWithAncestors(const TDirNode* dir, const TDirNode* root,
                            std::vector<const TDirNode*>& topDown, TPointerMap<bool>& outside,
                            std::vector<const TDirNode*>& chain)
    {
        chain.clear();
        const TDirNode* d = dir;
        for (; d != nullptr && Dirs.Find(d) == nullptr && outside.Find(d) == nullptr;
             d = d->Parent()) {
            chain.push_back(d);
            if (d == root)
                break;
        }
        const bool below = d != nullptr && outside.Find(d) == nullptr;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (below) {
                Dirs[*it];
                topDown.push_back(*it);
            } else {
                outside[*it] = true;
            }
        }
        return below;
    }

    std::int64_t BytesBelow(const TDirNode* dir) const
    {
        const TDupDir* d = Dirs.Find(dir);
        return d == nullptr ? 0 : d->Bytes;
    }
};

} // namespace

// ---------------------------------------------------------------- TDupTreemapLayout

void TDupTreemapLayout::Clear()
{
    BuildFromRootDuplicates(nullptr, nullptr, {});
}

void TDupTreemapLayout::BuildFromRootDuplicates(const TDirNode* root,
                                                const TDupColorByFile* colorByFile,
                                                const TRect& targetRect)
{
    BeginBuild();
    FRoot = nullptr;
    if (root == nullptr || targetRect.IsEmpty()) {
        EndBuild();
        return;
    }
    FRoot = root;
    const TDupFiles dups(root, colorByFile);

    const auto collect = [&](const TDirNode* node, const TRect& r, std::int32_t, bool,
                             std::vector<TEntry>& entries) -> TRect {
        if (r.IsEmpty())
            return {};
        std::int64_t total = 0;
        for (const TDirNode* c : node->Children())
            if (const std::int64_t b = dups.BytesBelow(c); b > 0) {
                entries.push_back({0, b, c, true, kSilver});
                total += b;
            }
        if (const TDupDir* own = dups.Dirs.Find(node))
            for (std::uint32_t i = own->First; i < own->First + own->Count; ++i) {
                const auto [f, color] = dups.Files[i];
                entries.push_back({0, f->Size(), f, false, color});
                total += f->Size();
            }
        const double area = static_cast<double>(std::int64_t{r.Width()} * r.Height());
        if (total <= 0 || area <= 0)
            return {};
        for (TEntry& e : entries)
            e.Area = area * (static_cast<double>(e.Weight) / static_cast<double>(total));
        return r;
    };
    const auto place = [&](const TEntry& e, const TRect& cell, std::int32_t) -> TNestedExpand {
        const TRect inner = CellInterior(cell);
        if (e.IsDir) {
            const auto* dir = static_cast<const TDirNode*>(e.Obj);
            FItems.push_back(TDupItem(inner, dir, dups.BytesBelow(dir)));
            return {dir, inner};
        }
        FItems.push_back(TDupItem(inner, static_cast<const TFileLeaf*>(e.Obj), e.Color));
        return {};
    };
    TNestedPlacement<TEntry> placement;
    placement.Run(root, targetRect, 0, collect, place);
    EndBuild();
}

void TDupTreemapLayout::Paint(ITreemapCanvas& canvas, const TMapLook& look,
                              const std::function<TColor(const TFileLeaf&)>& fileColor) const
{
    TLookPainter painter(canvas, look);
    ITreemapCanvas& surface = painter.Surface();
    PaintBackground(surface);
    // Contents cover their silver folder except for the gaps between them.
    for (const TDupItem& it : FItems) {
        painter.Enter(it.Rect);
        const TFileLeaf* file = it.FileLeaf();
        const TColor color = file != nullptr && fileColor ? fileColor(*file) : it.Color();
        painter.Fill(it.Rect, color);
        if (const TDirNode* dir = it.Dir())
            painter.Name(it.Rect, dir->Name(), color);
        OutlineCell(surface, it.Rect);
    }
    FrameSelection(surface);
    painter.Finish();
}

void TDupTreemapLayout::ToggleSelected(const TDupItem* it)
{
    Toggle(it, SamePathKey<TDupItem>);
}

void TDupTreemapLayout::SetSelectedByUpperPaths(std::span<const std::string> paths)
{
    // The index lives for this call only: it would cost a fifth more memory per item to
    // keep, and the duplicates map is selected by path far less often than it is built.
    TPathIndex index;
    SelectNestedPaths(FSelection, Items(), FRoot, index, paths);
}

void TDupTreemapLayout::SetSelectedFiles(std::span<const TFileLeaf* const> files)
{
    TPointerMap<std::uint32_t> itemOf;
    for (std::uint32_t i = 0; i < FItems.size(); ++i)
        if (const TFileLeaf* f = FItems[i].FileLeaf())
            itemOf[f] = i;
    FSelection.SelectEntries(files, [&](const TFileLeaf* f) {
        const std::uint32_t* i = itemOf.Find(f);
        return i == nullptr ? TItemSelection::kNone : *i;
    });
}

} // namespace harrowdale
