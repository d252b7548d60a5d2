#pragma once

// A 128-bit hash of a file's bytes, fed in pieces: XXH3-128 from the xxHash library where
// the build has it (HARROWDALE_XXHASH), else a portable hash of our own (PortableHash.h). Equal
// hashes only say two files may be equal; the grouping compares their bytes before it says so.

#include <compare>
#include <cstddef>
#include <cstdint>

namespace harrowdale {

struct THash128
{
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
    auto operator<=>(const THash128&) const = default;
};

class TContentHasher
{
public:
    TContentHasher();
    ~TContentHasher();
    TContentHasher(const TContentHasher&) = delete;
    TContentHasher& operator=(const TContentHasher&) = delete;

    /// Starts a new hash.
    void Reset();
    void Update(const char* data, std::size_t size);
    /// The hash of everything given since Reset; Update may go on afterwards.
    THash128 Digest() const;

    /// The name of the hash, for reports ("XXH3-128").
    static const char* Name();

private:
    struct TState;
    TState* FState;
};

} // namespace harrowdale
