#include "treemap/Selection.h"

#include <algorithm>

namespace harrowdale {

void TItemSelection::Reset(std::uint32_t count)
{
    Clear();
    FItemCount = count;
    FBits.clear();
}

void TItemSelection::Clear()
{
    if (FCount != 0)
        std::fill(FBits.begin(), FBits.end(), std::uint64_t{0});
    FCount = 0;
    FUnplaced.clear();
    FUnplacedEntries = false;
    FPrimary = kNone;
}

void TItemSelection::SetSingle(std::uint32_t i)
{
    Clear();
    if (i == kNone)
        return;
    Select(i);
    FPrimary = i;
}

void TItemSelection::Select(std::uint32_t i)
{
    if (i >= FItemCount || IsSelected(i))
        return;
    if (FBits.empty())
        FBits.resize((static_cast<std::size_t>(FItemCount) + 63) / 64, 0);
    FBits[i / 64] |= std::uint64_t{1} << (i % 64);
    ++FCount;
}

std::size_t TItemSelection::MemoryBytes() const
{
    std::size_t bytes = FBits.capacity() * sizeof(std::uint64_t);
    for (const std::string& key : FUnplaced)
        bytes += sizeof(key) + key.capacity() + 2 * sizeof(void*);
    return bytes;
}

} // namespace harrowdale
