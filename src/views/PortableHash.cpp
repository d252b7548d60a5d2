#include "views/PortableHash.h"

#include <algorithm>
#include <cstring>

namespace harrowdale {

namespace {

constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kP2 = 0xC2B2AE3D27D4EB4FULL;

std::uint64_t Rotl(std::uint64_t x, int r)
{
    return (x << r) | (x >> (64 - r));
}

std::uint64_t Avalanche(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return h;
}

void Mix(std::uint64_t& a, std::uint64_t& b, std::uint64_t w)
{
    a = Rotl(a ^ (w * kP1), 31) * kP2;
    b = Rotl(b + (w * kP2), 27) * kP1 + a;
}

std::uint64_t Word(const void* bytes, std::size_t size)
{
    std::uint64_t w = 0;
    std::memcpy(&w, bytes, size);
    return w;
}

} // namespace

void TPortableHash::Reset()
{
    FA = kP1;
    FB = kP2;
    FTotal = 0;
    FPendingLen = 0;
}

void TPortableHash::Update(const char* data, std::size_t size)
{
    FTotal += size;
    if (FPendingLen > 0) {
        const std::size_t take = std::min(size, kWord - FPendingLen);
        std::memcpy(FPending + FPendingLen, data, take);
        FPendingLen += take;
        data += take;
        size -= take;
        if (FPendingLen < kWord)
            return;
        Mix(FA, FB, Word(FPending, kWord));
        FPendingLen = 0;
    }
    for (; size >= kWord; data += kWord, size -= kWord)
        Mix(FA, FB, Word(data, kWord));
    std::memcpy(FPending, data, size);
    FPendingLen = size;
}

THash128 TPortableHash::Digest() const
{
    std::uint64_t a = FA, b = FB;
    if (FPendingLen > 0)
        Mix(a, b, Word(FPending, FPendingLen) ^ (static_cast<std::uint64_t>(FPendingLen) << 59));
    return {Avalanche(a ^ FTotal), Avalanche(b ^ Rotl(FTotal, 32) ^ a)};
}

} // namespace harrowdale
