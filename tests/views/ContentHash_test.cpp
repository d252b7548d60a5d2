#include "views/ContentHash.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace harrowdale {
namespace {

THash128 HashInPieces(const std::string& bytes, std::size_t piece)
{
    TContentHasher h;
    for (std::size_t i = 0; i < bytes.size(); i += piece)
        h.Update(bytes.data() + i, std::min(piece, bytes.size() - i));
    return h.Digest();
}

// A file is hashed in chunks of whatever size its reads return: the hash must not depend
// on them, and must tell apart contents one byte apart, also in the last partial word.
TEST(ContentHash, SameBytesSameHashHoweverSplit)
{
#ifdef _WIN32
    // Known fault: the portable hash the Windows build uses differs when fed in pieces;
    // content grouping is not offered there.
    GTEST_SKIP() << "the portable hash of the Windows build is not yet piecewise";
#endif
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 37 + 11);
    const THash128 whole = HashInPieces(bytes, bytes.size());
    for (const std::size_t piece : {1u, 3u, 7u, 8u, 9u, 64u, 999u})
        EXPECT_EQ(HashInPieces(bytes, piece), whole) << piece;

    std::set<THash128> seen{whole};
    for (const std::size_t at : {0u, 500u, 996u, 999u}) {
        std::string other = bytes;
        other[at] ^= 1;
        EXPECT_TRUE(seen.insert(HashInPieces(other, 7)).second) << at;
    }
    // Lengths differ only in trailing zero bytes.
    EXPECT_TRUE(seen.insert(HashInPieces(bytes + '\0', 8)).second);
    EXPECT_TRUE(seen.insert(HashInPieces(std::string(), 8)).second);
    EXPECT_TRUE(seen.insert(HashInPieces(std::string(1, '\0'), 8)).second);
}

} // namespace
} // namespace harrowdale
