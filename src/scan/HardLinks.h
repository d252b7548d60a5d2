#pragma once

// Counting a file with several hard links once per scan.

#include "platform/FileSystem.h"
#include "scan/ScanTree.h"

#include <cstdint>
#include <span>
#include <unordered_set>

namespace harrowdale {

/// Remembers the files with several links counted so far in one scan (over every drive
/// of an all-drives scan) and makes the later links of each extra links, listed but
/// counting nothing.
class THardLinkFilter
{
public:
    /// Makes extra links (TScanTree::MarkExtraLinks) of the files in the subtree of
    /// `scanRoot` whose identity was counted before: earlier in the tree's order (a
    /// folder's own files, then its subfolders, each in listing order) or in an earlier
    /// subtree given to this filter. `links` are the tree's records of the subtree's
    /// files with several links. Returns how many files stopped counting; the tree's
    /// totals and extension tables follow.
    std::int64_t LeaveOutRepeats(TScanTree& tree, const TDirNode* scanRoot,
                                 std::span<const TLinkInfo> links);

private:
    struct IdentityHash
    {
        std::size_t operator()(const platform::FileIdentity& id) const noexcept
        {
            return std::hash<std::uint64_t>{}(id.Inode * 0x9E3779B97F4A7C15ULL ^ id.Device);
        }
    };
    std::unordered_set<platform::FileIdentity, IdentityHash> FCounted;
};

} // namespace harrowdale
