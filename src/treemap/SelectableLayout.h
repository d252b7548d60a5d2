#pragma once

// What the layouts whose items can be selected share: the items of the last build, which
// of them are selected, and the primary one.

#include "treemap/Canvas.h"
#include "treemap/Selection.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace harrowdale {

/// Item pointers handed out stay valid until the next Clear or build of the layout.
template <class Item> class TSelectableLayout
{
public:
    TSelectableLayout(const TSelectableLayout&) = delete;
    TSelectableLayout& operator=(const TSelectableLayout&) = delete;

    std::span<const Item> Items() const { return FItems; }

    void ClearSelection() { FSelection.Clear(); }
    /// Selects only `it` (null: nothing), which becomes the primary.
    void SetSingleSelected(const Item* it) { FSelection.SetSingle(IndexOf(it)); }
    bool HasSelection() const { return !FSelection.Empty(); }
    bool IsSelected(const Item& it) const { return FSelection.IsSelected(IndexOf(&it)); }
    const Item* Primary() const
    {
        const std::uint32_t i = FSelection.Primary();
        return i == TItemSelection::kNone ? nullptr : &FItems[i];
    }

protected:
    TSelectableLayout() = default;
    ~TSelectableLayout() = default;
    // Moved whole (a window keeps the layout of a place it showed, to go back to it): the
    // items keep their addresses, so the selection stays valid.
    TSelectableLayout(TSelectableLayout&&) noexcept = default;
    TSelectableLayout& operator=(TSelectableLayout&&) noexcept = default;

    /// Empties items and selection for a new build. The item buffer is kept: a rebuild
    /// after a resize places about as many items again.
    void BeginBuild()
    {
        FItems.clear();
        FSelection.Reset(0);
    }
    /// Gives back the buffer's spare room (items are most of a layout's memory; an empty
    /// build frees it all) and makes the items selectable.
    void EndBuild()
    {
        FItems.shrink_to_fit();
        FSelection.Reset(static_cast<std::uint32_t>(FItems.size()));
    }

    /// Index of `it` among the items, or kNone for null or an item of another build.
    std::uint32_t IndexOf(const Item* it) const
    {
        if (it == nullptr || FItems.empty() || it < FItems.data() ||
            it >= FItems.data() + FItems.size())
            return TItemSelection::kNone;
        return static_cast<std::uint32_t>(it - FItems.data());
    }

    /// Flips `it` (null: nothing). Deselecting drops the primary when `samePath(primary,
    /// *it)` says the two stand for the same path.
    template <class SamePath> void Toggle(const Item* it, SamePath&& samePath)
    {
        const std::uint32_t i = IndexOf(it);
        if (i == TItemSelection::kNone)
            return;
        FSelection.Toggle(i, [&](std::uint32_t primary) { return samePath(FItems[primary], *it); });
    }

    /// The last item whose rectangle contains `p`: in a nested layout, whose contents
    /// follow their folder, the innermost.
    const Item* LastContaining(TPoint p) const
    {
        for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
            if (it->Rect.Contains(p))
                return &*it;
        return nullptr;
    }

    /// Frames the selected items in item order, after everything else: no item covers a
    /// frame, a later frame may cover an earlier one.
    void FrameSelection(ITreemapCanvas& canvas) const
    {
        if (!HasSelection())
            return;
        for (std::uint32_t i = 0; i < FItems.size(); ++i)
            if (FSelection.IsSelected(i))
                FrameSelected(canvas, FItems[i].Rect);
    }

    std::size_t ItemAndSelectionBytes() const
    {
        return FItems.capacity() * sizeof(Item) + FSelection.MemoryBytes();
    }

    std::vector<Item> FItems;
    TItemSelection FSelection;
};

} // namespace harrowdale
