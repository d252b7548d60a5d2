#include "views/ContentHash.h"

#include <cstring>

#if HARROWDALE_HAVE_XXHASH
#include <xxhash.h>
#endif

namespace harrowdale {

#if HARROWDALE_HAVE_XXHASH

struct TContentHasher::TState
{
    XXH3_state_t* Xxh = nullptr;
};

TContentHasher::TContentHasher() : FState(new TState)
{
    FState->Xxh = XXH3_createState();
    Reset();
}

TContentHasher::~TContentHasher()
{
    XXH3_freeState(FState->Xxh);
    delete FState;
}

void TContentHasher::Reset()
{
    XXH3_128bits_reset(FState->Xxh);
}

void TContentHasher::Update(const char* data, std::size_t size)
{
    XXH3_128bits_update(FState->Xxh, data, size);
}

THash128 TContentHasher::Digest() const
{
    const XXH128_hash_t h = XXH3_128bits_digest(FState->Xxh);
    return {h.low64, h.high64};
}

const char* TContentHasher::Name()
{
    return "XXH3-128";
}

#else

// Two 64-bit lanes over 8-byte words, each a multiply and a rotation, finished with a
// full avalanche. Not a standard hash and not meant to resist crafted collisions: a
// collision only costs a comparison that finds the files different.
struct TContentHasher::TState
{
    std::uint64_t A = 0, B = 0, Total = 0;
    unsigned char Tail[8] = {};
    std::size_t TailLen = 0;
};

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

} // namespace

TContentHasher::TContentHasher() : FState(new TState)
{
    Reset();
}

TContentHasher::~TContentHasher()
{
    delete FState;
}

void TContentHasher::Reset()
{
    *FState = {};
    FState->A = kP1;
    FState->B = kP2;
}

void TContentHasher::Update(const char* data, std::size_t size)
{
    TState& s = *FState;
    s.Total += size;
    while (size > 0 && s.TailLen > 0 && s.TailLen < 8) {
        s.Tail[s.TailLen++] = static_cast<unsigned char>(*data++);
        --size;
    }
    if (s.TailLen == 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.Tail, 8);
        Mix(s.A, s.B, w);
        s.TailLen = 0;
    }
    for (; size >= 8; data += 8, size -= 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, data, 8);
        Mix(s.A, s.B, w);
    }
    std::memcpy(s.Tail, data, size);
    s.TailLen = size;
}

THash128 TContentHasher::Digest() const
{
    const TState& s = *FState;
    std::uint64_t a = s.A, b = s.B;
    if (s.TailLen > 0) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.Tail, s.TailLen);
        Mix(a, b, w ^ (static_cast<std::uint64_t>(s.TailLen) << 59));
    }
    return {Avalanche(a ^ s.Total), Avalanche(b ^ Rotl(s.Total, 32) ^ a)};
}

const char* TContentHasher::Name()
{
    return "portable 128-bit";
}

#endif

} // namespace harrowdale
