#include "views/ContentHash.h"
#include "views/PortableHash.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace harrowdale {
namespace {

template <class Hasher> THash128 HashWith(const std::string& bytes, std::size_t piece)
{
    Hasher h;
    for (std::size_t i = 0; i < bytes.size(); i += piece)
        h.Update(bytes.data() + i, std::min(piece, bytes.size() - i));
    return h.Digest();
}

// The hash the build uses, and the portable one of builds without xxHash, checked on
// every build.
template <class Hasher> class ContentHash : public ::testing::Test
{
};
using Hashers = ::testing::Types<TContentHasher, TPortableHash>;
TYPED_TEST_SUITE(ContentHash, Hashers);

// A file is hashed in chunks of whatever size its reads return: the hash must not depend
// on them, and must tell apart contents one byte apart, also in the last partial word.
TYPED_TEST(ContentHash, SameBytesSameHashHoweverSplit)
{
    const auto HashInPieces = [](const std::string& bytes, std::size_t piece) {
        return HashWith<TypeParam>(bytes, piece);
    };
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 37 + 11);
    const THash128 whole = HashInPieces(bytes, bytes.size());
    for (const std::size_t piece : {1u, 3u, 7u, 8u, 9u, 64u, 999u})
        EXPECT_EQ(HashInPieces(bytes, piece), whole) << piece;
    // One hasher serves file after file: a reset leaves nothing of the last one behind,
    // not even the start of a word it had not mixed in yet.
    TypeParam reused;
    reused.Update(bytes.data(), 13);
    reused.Reset();
    reused.Update(bytes.data(), bytes.size());
    EXPECT_EQ(reused.Digest(), whole);

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
