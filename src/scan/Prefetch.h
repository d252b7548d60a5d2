#pragma once

namespace harrowdale {

/// Asks the processor to start loading the cache line at `p`, which a loop will read a
/// few steps later. Arrays of pointers into the tree (files sorted by size) visit records
/// in no memory order; without this each visit waits for memory.
inline void PrefetchForRead(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p, 0, 3);
#else
    (void)p;
#endif
}

} // namespace harrowdale
