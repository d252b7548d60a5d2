#pragma once

// The hash of file contents where the build has no xxHash (the MinGW cross build): two
// 64-bit lanes over 8-byte words, each a multiply and a rotation, finished with a full
// avalanche. Not a standard hash and not meant to resist crafted collisions: a collision
// only costs a comparison that finds the files different. Built everywhere, so that every
// build's tests check it.

#include "views/ContentHash.h"

#include <cstddef>
#include <cstdint>

namespace harrowdale {

class TPortableHash
{
public:
    TPortableHash() { Reset(); }

    void Reset();
    /// Bytes are taken in whole words: a word split over two calls waits in a buffer, so
    /// the hash does not depend on how the bytes were split.
    void Update(const char* data, std::size_t size);
    /// The hash of everything given since Reset; Update may go on afterwards.
    THash128 Digest() const;

private:
    static constexpr std::size_t kWord = 8;

    std::uint64_t FA = 0, FB = 0, FTotal = 0;
    unsigned char FPending[kWord] = {}; ///< the start of a word not yet mixed in
    std::size_t FPendingLen = 0;
};

} // namespace harrowdale
