#pragma once

// The tree the duplicates benchmark reads: real bytes (no sparse files), a share of files
// that are copies of others, a share of the same length as another with other bytes, sizes
// from 1 byte to 100 MiB, most of them small.

#include <cstdint>
#include <string>

namespace harrowdale::bench {

struct DupTreeShape
{
    std::int64_t Files = 200000;
    std::int64_t Folders = 2000;
    double CopyShare = 0.20;       ///< files that are copies of an earlier file
    double SameLengthShare = 0.05; ///< files as long as an earlier one, other bytes
    std::uint64_t Seed = 20261211;
};

struct DupTreeStats
{
    std::int64_t Files = 0;
    std::int64_t Folders = 0; ///< the top folder included
    std::int64_t Bytes = 0;
    std::int64_t Copies = 0;
};

/// Creates the tree under `dir` unless one of the same shape is there (a stamp file
/// beside it records shape and totals). About 2 GB for the default shape.
bool EnsureDupTree(const std::string& dir, const DupTreeShape& shape, DupTreeStats& stats,
                   std::string& error);

} // namespace harrowdale::bench
