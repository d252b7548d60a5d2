#include "scan/ExtIdCache.h"

#include "platform/Casing.h"

#include <cstring>

namespace harrowdale {

TExtTable::Id TExtIdCache::IdOf(std::string_view fileName)
{
    const std::string_view raw = RawFileExt(fileName);
    if (raw.empty())
        return TExtTable::kNone;
    ShortSlot* slot = nullptr;
    std::uint64_t key = 0;
    if (raw.size() <= 7) {
        std::memcpy(&key, raw.data(), raw.size());
        key |= static_cast<std::uint64_t>(raw.size()) << 56;
        slot = &FShort[(key * 0x9E3779B97F4A7C15ULL) >> 54];
        if (slot->Key == key)
            return slot->Id;
    }
    TExtTable::Id id;
    if (const auto it = FIds.find(raw); it != FIds.end()) {
        id = it->second;
    } else {
        const std::string lower = platform::LowerCaseLocale(raw);
        id = FBuilder != nullptr ? FBuilder->InternExt(lower) : FTable->Intern(lower);
        FIds.emplace(std::string(raw), id);
    }
    if (slot != nullptr)
        *slot = {key, id};
    return id;
}

void TExtIdCache::Clear()
{
    FIds.clear();
    FShort.assign(kShortSlots, ShortSlot{});
}

} // namespace harrowdale
