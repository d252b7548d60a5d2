#include "treemap/ExtKeys.h"

namespace harrowdale {

void TExtKeyCache::Assign(const TExtTable* table)
{
    const std::size_t n = table == nullptr ? 0 : table->Count();
    FKeys.resize(n);
    FExtColors.resize(n);
    FKeyColors.resize(n);
    for (std::size_t id = 0; id < n; ++id) {
        FKeys[id] = ExtKey(table->Key(static_cast<TExtTable::Id>(id)));
        // ColorForExt keys its argument first: the stored extension's colour hashes its
        // key; a key's colour hashes the key of the key.
        FExtColors[id] = ColorFromHash(Fnv1aUtf16(FKeys[id]));
        FKeyColors[id] = ColorForExt(FKeys[id]);
    }
}

std::vector<TExtTable::Id> TExtKeyCache::IdsOf(std::string_view ext) const
{
    const std::string key = ExtKey(ext);
    std::vector<TExtTable::Id> ids;
    for (std::size_t id = 0; id < FKeys.size(); ++id)
        if (FKeys[id] == key)
            ids.push_back(static_cast<TExtTable::Id>(id));
    return ids;
}

} // namespace harrowdale
