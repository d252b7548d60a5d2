#include "treemap/TreemapLayout.h"

#include "scan/SamePath.h"

#include <algorithm>
#include <cmath>

namespace harrowdale {

namespace {

constexpr std::uint32_t kNone = TItemSelection::kNone;

} // namespace

TColor TTreemapLayout::ColorForExt(std::string_view ext)
{
    return harrowdale::ColorForExt(ext);
}

std::int32_t TTreemapLayout::RowLength(std::size_t fileCount)
{
    const std::int64_t n = RoundHalfEven(std::sqrt(static_cast<double>(fileCount)));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, 8, 48));
}

void TTreemapLayout::Clear()
{
    BuildFromFiles({}, {});
}

void TTreemapLayout::BuildFromFiles(std::span<const TFileLeaf* const> files,
                                    const TRect& targetRect)
{
    BeginBuild();
    FExts.Clear();
    FLargestByExtId.clear();
    FTop = nullptr;
    FByPath.Clear();
    FDirs.clear();
    FDirIndex.Clear();
    if (targetRect.IsEmpty() || files.empty()) {
        EndBuild();
        return;
    }

    // Each file's size and extension are read once, in one pass: the files lie all over
    // the tree's memory, and every later pass then runs through plain arrays. The result
    // arrays come sorted already, so the sort is mostly skipped.
    struct TFileKey
    {
        std::int64_t Size;
        const TFileLeaf* File;
        TExtTable::Id Ext;
    };
    std::vector<TFileKey> order;
    order.reserve(files.size());
    bool largestFirst = true;
    for (const TFileLeaf* f : files) {
        const std::int64_t size = f->Size();
        // A link that counts nothing is no file of its own here: the rows are of the files
        // that take the space.
        if (size == 0 && f->IsExtraLink())
            continue;
        if (!order.empty() && order.back().Size < size)
            largestFirst = false;
        order.push_back({size, f, f->ExtId()});
    }
    const std::size_t n = order.size();
    if (n == 0) {
        EndBuild();
        return;
    }
    if (!largestFirst)
        std::sort(order.begin(), order.end(),
                  [](const TFileKey& a, const TFileKey& b) { return a.Size > b.Size; });

    const std::size_t perRow = static_cast<std::size_t>(RowLength(n));
    std::vector<std::int64_t> rowBytes((n + perRow - 1) / perRow, 0);
    for (std::size_t i = 0; i < n; ++i)
        rowBytes[i / perRow] += order[i].Size;
    std::int64_t total = 0;
    std::size_t placed = 0;
    for (std::size_t r = 0; r < rowBytes.size(); ++r) {
        total += rowBytes[r];
        if (rowBytes[r] > 0)
            placed += std::min(perRow, n - r * perRow);
    }
    if (total <= 0) {
        EndBuild();
        return;
    }

    const TScanTree* tree = order.front().File->Parent()->Tree();
    FExts.Assign(&tree->Exts());
    FLargestByExtId.assign(FExts.Count(), kNone);
    std::vector<std::int64_t> largestSize(FExts.Count(), 0);
    FTop = TopFolderOf(*order.front().File);
    // The exact count is known: no spare room in the largest part of the layout.
    if (FItems.capacity() != placed)
        std::vector<TTreemapItem>().swap(FItems);
    FItems.reserve(placed);

    const double width = targetRect.Width();
    const double height = targetRect.Height();
    std::int64_t y = targetRect.Top;
    for (std::size_t r = 0; r < rowBytes.size(); ++r) {
        if (rowBytes[r] <= 0)
            continue; // a row of empty files: no items, no height
        const double rowTotal = static_cast<double>(rowBytes[r]);
        const std::int64_t rowH = std::max<std::int64_t>(
            1, RoundHalfEven(rowTotal / static_cast<double>(total) * height));
        const std::int32_t top = ClampCoord(y);
        const std::int32_t bottom = ClampCoord(std::min<std::int64_t>(targetRect.Bottom, y + rowH));
        std::int64_t x = targetRect.Left;
        const std::size_t last = std::min(n, (r + 1) * perRow);
        for (std::size_t j = r * perRow; j < last; ++j) {
            const TFileKey& f = order[j];
            const std::int64_t w = std::max<std::int64_t>(
                1, RoundHalfEven(static_cast<double>(f.Size) / rowTotal * width));
            const TRect cell{ClampCoord(x), top,
                             ClampCoord(std::min<std::int64_t>(targetRect.Right, x + w)), bottom};
            const auto index = static_cast<std::uint32_t>(FItems.size());
            FItems.push_back({cell, f.File});
            if (f.Ext < FLargestByExtId.size() &&
                (FLargestByExtId[f.Ext] == kNone || largestSize[f.Ext] < f.Size)) {
                FLargestByExtId[f.Ext] = index;
                largestSize[f.Ext] = f.Size;
            }
            x += w;
        }
        y += rowH;
    }
    EndBuild();
}

TColor TTreemapLayout::ColorOf(const TTreemapItem& item) const
{
    const TExtTable::Id ext = item.File->ExtId();
    return ext < FExts.Count() ? FExts.ColorOfExt(ext) : ColorForExt(item.Ext());
}

void TTreemapLayout::Paint(ITreemapCanvas& canvas, const TMapLook& look) const
{
    TLookPainter painter(canvas, look);
    ITreemapCanvas& surface = painter.Surface();
    PaintBackground(surface);
    for (std::uint32_t i = 0; i < FItems.size(); ++i) {
        const TTreemapItem& item = FItems[i];
        if (item.Rect.IsEmpty())
            continue;
        painter.Enter(item.Rect);
        painter.Fill(item.Rect, ColorOf(item));
        OutlineCell(surface, item.Rect);
        // Drawn before the next cells, which cover the part of the frame reaching into them.
        if (FSelection.IsSelected(i))
            FrameSelected(surface, item.Rect);
    }
    painter.Finish();
}

const TTreemapItem* TTreemapLayout::HitTest(TPoint p) const
{
    // Cells are in rows of strictly increasing Top, and within a row of strictly
    // increasing Left, without overlap: the only candidate is the last cell of the last
    // row starting at or above p that starts at or left of p.
    const auto top = [](const TTreemapItem& it) { return it.Rect.Top; };
    const auto rowEnd = std::ranges::upper_bound(FItems, p.Y, {}, top);
    if (rowEnd == FItems.begin())
        return nullptr;
    const auto rowBegin =
        std::ranges::lower_bound(FItems.begin(), rowEnd, std::prev(rowEnd)->Rect.Top, {}, top);
    const auto cellEnd = std::ranges::upper_bound(
        rowBegin, rowEnd, p.X, {}, [](const TTreemapItem& it) { return it.Rect.Left; });
    if (cellEnd == rowBegin)
        return nullptr;
    const TTreemapItem& cell = *std::prev(cellEnd);
    return cell.Rect.Contains(p) ? &cell : nullptr;
}

void TTreemapLayout::ToggleSelected(const TTreemapItem* item)
{
    Toggle(item, [](const TTreemapItem& primary, const TTreemapItem& it) {
        return SamePath(primary.FullPath(), it.FullPath());
    });
}

void TTreemapLayout::EnsurePathIndex() const
{
    if (FByPath.Built() || FTop == nullptr)
        return;
    FByPath.Build(static_cast<std::uint32_t>(FItems.size()),
                  [this](std::uint32_t i) { return KeyOfFile(*FItems[i].File); });
    std::vector<const TDirNode*> stack{FTop};
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        FDirs.push_back(d);
        stack.insert(stack.end(), d->Children().begin(), d->Children().end());
    }
    FDirIndex.Build(static_cast<std::uint32_t>(FDirs.size()),
                    [this](std::uint32_t i) { return KeyOfDir(*FDirs[i]); });
}

TPathResolver TTreemapLayout::MakeResolver() const
{
    EnsurePathIndex();
    return TPathResolver(FTop, [this](const TDirNode* parent, std::string_view name) {
        const std::uint32_t i = FDirIndex.Find(
            {parent, name, nullptr}, [this](std::uint32_t d) { return KeyOfDir(*FDirs[d]); });
        return i == kNone ? nullptr : FDirs[i];
    });
}

std::uint32_t TTreemapLayout::FindPath(std::string_view path, TPathResolver& resolver) const
{
    const auto key = resolver.KeyOf(path);
    if (!key)
        return kNone;
    return FByPath.Find(*key, [this](std::uint32_t i) { return KeyOfFile(*FItems[i].File); });
}

const TTreemapItem* TTreemapLayout::GetItemByPath(std::string_view fullPath) const
{
    if (FItems.empty())
        return nullptr;
    TPathResolver resolver = MakeResolver();
    const std::uint32_t i = FindPath(fullPath, resolver);
    return i == kNone ? nullptr : &FItems[i];
}

void TTreemapLayout::SetSelectedByPaths(std::span<const std::string> paths)
{
    if (FItems.empty()) {
        FSelection.SelectPaths(paths, [](std::string_view) { return kNone; });
        return;
    }
    TPathResolver resolver = MakeResolver();
    FSelection.SelectPaths(paths, [&](std::string_view path) { return FindPath(path, resolver); });
}

const TTreemapItem* TTreemapLayout::GetLargestItemByExt(std::string_view ext) const
{
    std::uint32_t best = kNone;
    for (const TExtTable::Id id : FExts.IdsOf(ext)) {
        const std::uint32_t c = FLargestByExtId[id];
        if (c == kNone)
            continue;
        if (best == kNone || FItems[c].Size() > FItems[best].Size() ||
            (FItems[c].Size() == FItems[best].Size() && c < best))
            best = c;
    }
    return best == kNone ? nullptr : &FItems[best];
}

std::size_t TTreemapLayout::MemoryBytes() const
{
    return ItemAndSelectionBytes() + FLargestByExtId.capacity() * sizeof(std::uint32_t) +
           FByPath.MemoryBytes() + FDirs.capacity() * sizeof(const TDirNode*) +
           FDirIndex.MemoryBytes();
}

} // namespace harrowdale
