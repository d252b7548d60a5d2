#pragma once

// The synthetic benchmark tree: a reproducible folder tree of sparse files (sizes without
// data blocks), so a million files cost inodes but almost no disk space.

#include <cstdint>
#include <string>

namespace harrowdale::bench {

struct TreeShape
{
    std::int64_t Files = 1000000;
    std::int64_t Folders = 100000;
    std::uint64_t Seed = 20261210;
};

struct TreeStats
{
    std::int64_t Files = 0;
    std::int64_t Folders = 0; ///< the top folder included
    std::int64_t Bytes = 0;
};

/// Creates the tree under `dir` unless a tree of the same shape is already there (a
/// stamp file records the shape and the totals). Returns false with `error` set when
/// the tree cannot be made.
bool EnsureTree(const std::string& dir, const TreeShape& shape, TreeStats& stats,
                std::string& error);

} // namespace harrowdale::bench
