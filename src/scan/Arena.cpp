#include "scan/Arena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace harrowdale {

void* TArena::Allocate(std::size_t size, std::size_t align)
{
    if (size == 0)
        size = 1;
    auto misalign = reinterpret_cast<std::uintptr_t>(FCur) & (align - 1);
    std::size_t pad = misalign ? align - misalign : 0;
    if (FCur == nullptr || pad + size > FLeft) {
        constexpr std::size_t kMaxBlock = 4 * 1024 * 1024;
        // Big requests get a block of their own so the current block is not wasted.
        if (size + align > kMaxBlock / 4) {
            auto block = std::make_unique_for_overwrite<std::byte[]>(size + align);
            std::byte* p = block.get();
            FReserved += size + align;
            FBlocks.push_back(std::move(block));
            auto mis = reinterpret_cast<std::uintptr_t>(p) & (align - 1);
            return p + (mis ? align - mis : 0);
        }
        // A request larger than the next block (but not big enough for its own block)
        // still has to fit.
        const std::size_t blockSize = std::max(FNextBlock, size + align);
        if (FNextBlock < kMaxBlock)
            FNextBlock *= 2;
        FBlocks.push_back(std::make_unique_for_overwrite<std::byte[]>(blockSize));
        FCur = FBlocks.back().get();
        FLeft = blockSize;
        FReserved += blockSize;
        misalign = reinterpret_cast<std::uintptr_t>(FCur) & (align - 1);
        pad = misalign ? align - misalign : 0;
    }
    std::byte* p = FCur + pad;
    FCur = p + size;
    FLeft -= pad + size;
    return p;
}

char* TArena::CopyBytes(const char* data, std::size_t size)
{
    char* p = static_cast<char*>(Allocate(size, 1));
    if (size != 0)
        std::memcpy(p, data, size);
    return p;
}

} // namespace harrowdale
