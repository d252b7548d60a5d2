#pragma once

// Ranking duplicate groups and keeping the best of them, shared by the grouping by name
// and size and the grouping by content.

#include "views/Duplicates.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace harrowdale {

inline std::int64_t GroupProduct(std::size_t files, std::int64_t size)
{
    // Saturates instead of overflowing (in portable C++: MSVC has no overflow builtins).
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if (files == 0 || size == 0)
        return 0;
    if (files > static_cast<std::size_t>(kMax))
        return size < 0 ? kMin : kMax;
    const auto n = static_cast<std::int64_t>(files);
    if (size > 0 ? size > kMax / n : size < kMin / n)
        return size < 0 ? kMin : kMax;
    return n * size;
}

/// Keeps the `cap` best groups seen so far (a heap with the worst on top), so a build never
/// holds more groups than it will return. A group is better for a larger product, and for
/// equal products when its first file comes earlier: one order over all groups, so what is
/// kept does not depend on the order groups are found in.
class TGroupSelector
{
public:
    explicit TGroupSelector(std::size_t cap) : FCap(cap) {}

    /// Whether a group with this product and first file would be kept now.
    bool Wants(std::int64_t product, std::size_t firstPos) const
    {
        return FCap > 0 &&
               (FHeap.size() < FCap || Better({product, firstPos, nullptr}, FHeap.front()));
    }

    /// Counts a group found, kept or not, and tells whether it would be kept now.
    bool Offer(std::int64_t product, std::size_t firstPos)
    {
        ++FFound;
        return Wants(product, firstPos);
    }
    /// The groups offered, with those of the selectors merged into this one.
    std::size_t Found() const { return FFound; }

    /// Takes over the groups another selector kept that this one wants.
    void MergeFrom(TGroupSelector& other)
    {
        FFound += other.FFound;
        other.FFound = 0;
        for (TEntry& e : other.FHeap)
            if (Wants(e.Product, e.FirstPos))
                Add(e.Product, e.FirstPos, std::move(e.Group));
        other.FHeap.clear();
    }
    void Add(std::int64_t product, std::size_t firstPos, std::unique_ptr<TDupGroup> group)
    {
        if (FHeap.size() == FCap) {
            std::pop_heap(FHeap.begin(), FHeap.end(), Better);
            FHeap.back() = {product, firstPos, std::move(group)};
        } else {
            FHeap.push_back({product, firstPos, std::move(group)});
        }
        std::push_heap(FHeap.begin(), FHeap.end(), Better);
    }

    /// The kept groups, best first.
    std::vector<std::unique_ptr<TDupGroup>> Take()
    {
        std::sort(FHeap.begin(), FHeap.end(), Better);
        std::vector<std::unique_ptr<TDupGroup>> out;
        out.reserve(FHeap.size());
        for (TEntry& e : FHeap)
            out.push_back(std::move(e.Group));
        FHeap.clear();
        return out;
    }

private:
    struct TEntry
    {
        std::int64_t Product;
        std::size_t FirstPos;
        std::unique_ptr<TDupGroup> Group;
    };
    static bool Better(const TEntry& a, const TEntry& b)
    {
        return a.Product != b.Product ? a.Product > b.Product : a.FirstPos < b.FirstPos;
    }

    std::size_t FCap;
    std::size_t FFound = 0;
    std::vector<TEntry> FHeap;
};

} // namespace harrowdale
