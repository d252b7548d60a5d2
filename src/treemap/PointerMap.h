#pragma once

// A map from object identity to a small value, for the scratch tables of one build:
// open addressing in one array, where std::unordered_map would make an allocation per
// entry.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace harrowdale {

template <class V> class TPointerMap
{
public:
    /// The value of `key`, or null.
    const V* Find(const void* key) const
    {
        if (FSlots.empty())
            return nullptr;
        for (std::size_t s = SlotOf(key);; s = (s + 1) & (FSlots.size() - 1)) {
            if (FSlots[s].Key == key)
                return &FSlots[s].Value;
            if (FSlots[s].Key == nullptr)
                return nullptr;
        }
    }

    /// The value of `key` (not null), made V{} when absent.
    V& operator[](const void* key)
    {
        if ((FSize + 1) * 2 > FSlots.size())
            Grow();
        std::size_t s = SlotOf(key);
        while (FSlots[s].Key != key && FSlots[s].Key != nullptr)
            s = (s + 1) & (FSlots.size() - 1);
        if (FSlots[s].Key == nullptr) {
            FSlots[s].Key = key;
            ++FSize;
        }
        return FSlots[s].Value;
    }

private:
    struct Slot
    {
        const void* Key = nullptr;
        V Value{};
    };

    std::size_t SlotOf(const void* key) const
    {
        // Fibonacci hashing: the high bits of the product spread neighbouring addresses.
        const auto h = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key)) *
                       0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> FShift);
    }

    void Grow()
    {
        std::vector<Slot> old;
        old.swap(FSlots);
        FSlots.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        FShift = 64;
        for (std::size_t n = FSlots.size(); n > 1; n /= 2)
            --FShift;
        FSize = 0;
        for (const Slot& slot : old)
            if (slot.Key != nullptr)
                (*this)[slot.Key] = slot.Value;
    }

    std::vector<Slot> FSlots; ///< a power of two in size, at most half full
    std::size_t FSize = 0;
    int FShift = 64;
};

} // namespace harrowdale
