#pragma once

#include "scan/ScanTree.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace harrowdale {

/// Extension ids of file names for one tree, lower-casing each distinct raw extension
/// once: locale-aware lower-casing costs far more than a look-up, and a million files
/// share a few hundred extensions. One cache per thread.
class TExtIdCache
{
public:
    /// Ids interned straight into `table`, which no other thread changes meanwhile.
    explicit TExtIdCache(TExtTable& table) : FTable(&table) {}
    /// Ids interned through `builder`, so that several threads can share one tree.
    explicit TExtIdCache(TPartBuilder& builder) : FBuilder(&builder) {}

    TExtTable::Id IdOf(std::string_view fileName);
    /// Forgets every id (the tree's ids are gone, or the next scan is of another tree).
    void Clear();

private:
    struct StringHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept
        {
            return std::hash<std::string_view>{}(s);
        }
    };
    /// Extensions of up to 7 bytes packed into one word, in a direct-mapped cache in front
    /// of the map.
    struct ShortSlot
    {
        std::uint64_t Key = 0; ///< 0: empty (a packed key always has its length set)
        TExtTable::Id Id = 0;
    };
    static constexpr std::size_t kShortSlots = 1024;

    TExtTable* FTable = nullptr;
    TPartBuilder* FBuilder = nullptr;
    /// Raw extension bytes as written (not lower-cased) to their id.
    std::unordered_map<std::string, TExtTable::Id, StringHash, std::equal_to<>> FIds;
    std::vector<ShortSlot> FShort = std::vector<ShortSlot>(kShortSlots);
};

} // namespace harrowdale
