#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace harrowdale {

/// Bump allocator for records that live as long as their owner and need no destructor.
/// Blocks grow from 64 KiB to 4 MiB, so small scans stay small and big ones make few
/// allocations. Not thread-safe: one builder at a time.
class TArena
{
public:
    TArena() = default;
    TArena(const TArena&) = delete;
    TArena& operator=(const TArena&) = delete;

    void* Allocate(std::size_t size, std::size_t align);
    template <typename T> T* AllocateArray(std::size_t count)
    {
        return static_cast<T*>(Allocate(sizeof(T) * count, alignof(T)));
    }
    char* CopyBytes(const char* data, std::size_t size);
    std::size_t BytesReserved() const { return FReserved; }

private:
    std::vector<std::unique_ptr<std::byte[]>> FBlocks;
    std::byte* FCur = nullptr;
    std::size_t FLeft = 0;
    std::size_t FNextBlock = 64 * 1024;
    std::size_t FReserved = 0;
};

} // namespace harrowdale
