#pragma once

// splitmix64: small, fast and the same everywhere, so the generated trees are the same
// everywhere.

#include <cstdint>

namespace harrowdale::bench {

struct Rng
{
    std::uint64_t State;
    std::uint64_t Next()
    {
        std::uint64_t z = (State += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
};

} // namespace harrowdale::bench
