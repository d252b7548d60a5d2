#include "views/ContentHash.h"

#if HARROWDALE_HAVE_XXHASH
#include <xxhash.h>
#else
#include "views/PortableHash.h"
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

struct TContentHasher::TState
{
    TPortableHash Hash;
};

TContentHasher::TContentHasher() : FState(new TState) {}

TContentHasher::~TContentHasher()
{
    delete FState;
}

void TContentHasher::Reset()
{
    FState->Hash.Reset();
}

void TContentHasher::Update(const char* data, std::size_t size)
{
    FState->Hash.Update(data, size);
}

THash128 TContentHasher::Digest() const
{
    return FState->Hash.Digest();
}

const char* TContentHasher::Name()
{
    return "portable 128-bit";
}

#endif

} // namespace harrowdale
