#pragma once

// The selection of a layout's items and its primary item.
//
// Selected items are one bit each, so painting asks one bit per item and emptying the
// selection of a million items clears 125 KB. A path that has no item (a file of size 0,
// a path outside the map) still counts as selected: the selection stays non-empty
// although no cell shows it, and the next selection change drops it with the rest.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace harrowdale {

class TItemSelection
{
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    /// Empties the selection and sizes it for the `count` items of a new build.
    void Reset(std::uint32_t count);
    /// Empties the selection; no primary.
    void Clear();

    bool Empty() const { return FCount == 0 && FUnplaced.empty() && !FUnplacedEntries; }
    bool IsSelected(std::uint32_t i) const
    {
        return i < FItemCount && !FBits.empty() && (FBits[i / 64] >> (i % 64) & 1u) != 0;
    }
    std::uint32_t Primary() const { return FPrimary; }

    /// Selects only item `i`, which becomes the primary; kNone just empties.
    void SetSingle(std::uint32_t i);

    /// Flips item `i`. Selecting makes it the primary; deselecting drops the primary when
    /// `samePath(primary)` tells that the primary stands for the same path as `i`.
    template <class SamePath> void Toggle(std::uint32_t i, SamePath&& samePath)
    {
        if (i >= FItemCount)
            return;
        if (!IsSelected(i)) {
            Select(i);
            FPrimary = i;
            return;
        }
        FBits[i / 64] &= ~(std::uint64_t{1} << (i % 64));
        --FCount;
        if (FPrimary != kNone && samePath(FPrimary))
            FPrimary = kNone;
    }

    /// Replaces the selection by `paths` (path keys; empty ones are skipped).
    /// `find(path)` is the index of the path's item or kNone; paths without an item are
    /// kept as unplaced keys. The primary is the item of the first path that has one.
    template <class Find> void SelectPaths(std::span<const std::string> paths, Find&& find)
    {
        Clear();
        for (const std::string& path : paths) {
            if (path.empty())
                continue;
            const std::uint32_t i = find(std::string_view(path));
            if (i == kNone) {
                FUnplaced.insert(path);
                continue;
            }
            Select(i);
            if (FPrimary == kNone)
                FPrimary = i;
        }
    }

    /// As SelectPaths, for entries of the tree: `find(entry)` is the index of the entry's
    /// item or kNone. An entry without an item counts as selected as a path without one
    /// does, but is not kept: its path is never made, which for a deep tree would cost
    /// more than the whole map.
    template <class Entry, class Find>
    void SelectEntries(std::span<const Entry> entries, Find&& find)
    {
        Clear();
        for (const Entry& e : entries) {
            const std::uint32_t i = find(e);
            if (i == kNone) {
                FUnplacedEntries = true;
                continue;
            }
            Select(i);
            if (FPrimary == kNone)
                FPrimary = i;
        }
    }

    /// Adds item `i` without touching the primary.
    void Select(std::uint32_t i);
    void SetPrimary(std::uint32_t i) { FPrimary = i; }

    std::size_t MemoryBytes() const;

private:
    std::uint32_t FItemCount = 0;
    std::vector<std::uint64_t> FBits; ///< sized on the first selection after a build
    std::size_t FCount = 0;           ///< items selected now
    std::unordered_set<std::string> FUnplaced;
    bool FUnplacedEntries = false; ///< entries without an item are selected (SelectEntries)
    std::uint32_t FPrimary = kNone;
};

} // namespace harrowdale
