#pragma once

// A folder or a file of the scan tree in one word. Nested treemaps hold hundreds of
// thousands of items, so the kind rides in the low bit of the pointer (both records are
// at least 8-byte aligned) instead of in a field of its own.

#include "scan/ScanTree.h"

#include <cstdint>
#include <string>

namespace harrowdale {

class TEntryRef
{
public:
    TEntryRef() = default;
    explicit TEntryRef(const TDirNode* dir) : FBits(reinterpret_cast<std::uintptr_t>(dir)) {}
    explicit TEntryRef(const TFileLeaf* file)
        : FBits(reinterpret_cast<std::uintptr_t>(file) | kFileBit)
    {
        static_assert(alignof(TFileLeaf) > kFileBit && alignof(TDirNode) > kFileBit);
    }

    bool IsFile() const { return (FBits & kFileBit) != 0; }
    /// The folder, or null for a file.
    const TDirNode* Dir() const
    {
        return IsFile() ? nullptr : reinterpret_cast<const TDirNode*>(FBits);
    }
    /// The file, or null for a folder.
    const TFileLeaf* File() const
    {
        return IsFile() ? reinterpret_cast<const TFileLeaf*>(FBits & ~kFileBit) : nullptr;
    }
    /// The folder or the file itself, for telling entries apart.
    const void* Object() const { return reinterpret_cast<const void*>(FBits & ~kFileBit); }
    const TDirNode* Parent() const { return IsFile() ? File()->Parent() : Dir()->Parent(); }
    std::string FullPath() const { return IsFile() ? File()->FullPath() : Dir()->FullPath(); }

    /// Nesting level below `root`: 0 for the entries of `root`, 1 below them, ...
    std::int32_t DepthBelow(const TDirNode* root) const
    {
        std::int32_t depth = 0;
        for (const TDirNode* d = Parent(); d != nullptr && d != root; d = d->Parent())
            ++depth;
        return depth;
    }

private:
    static constexpr std::uintptr_t kFileBit = 1;
    std::uintptr_t FBits = 0;
};

} // namespace harrowdale
