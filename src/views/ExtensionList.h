#pragma once

// The aggregation behind the "Only Files" extension list (PopulateExtList):
// bytes and file count per extension key over the flat array of all files.

#include "scan/ScanTree.h"

#include <cstdint>
#include <vector>

namespace harrowdale {

struct TExtList
{
    /// One row per extension key (ExtKey of the file's Ext: lower-cased, "(none)" for
    /// files without one), largest byte count first; equal byte counts in no defined
    /// order. An extension whose files are all empty still has its row, with 0 bytes.
    std::vector<TExtStatPair> Rows;
    /// Bytes of all files counted: the base of the list's percentages.
    std::int64_t TotalBytes = 0;
};

/// Counts `files` (null entries skipped) per extension. Counting is by the extension id
/// each file carries into its tree's TExtTable, so the pass over the files does no string
/// work and allocates nothing per file; keys are made once per distinct extension.
TExtList BuildExtList(const std::vector<const TFileLeaf*>& files);

} // namespace harrowdale
