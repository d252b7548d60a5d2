#include "scan/Arena.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

// A request larger than the next block but below the own-block threshold (a folder of a
// few thousand files) must get room for all of it.
TEST(Arena, MidSizedRequestsFit)
{
    TArena arena;
    arena.Allocate(16, 8);
    for (const std::size_t size : {100'000u, 300'000u, 1'000'000u, 5'000'000u}) {
        auto* p = static_cast<unsigned char*>(arena.Allocate(size, 8));
        std::memset(p, 0xAB, size); // ASan reports an overflow here without the fix
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u);
        auto* q = static_cast<unsigned char*>(arena.Allocate(64, 8));
        std::memset(q, 0xCD, 64);
        EXPECT_EQ(p[size - 1], 0xAB);
    }
    EXPECT_GE(arena.BytesReserved(), 6'400'000u);
}

} // namespace
} // namespace harrowdale
