#pragma once

// The report on two scans of one folder: what changed between them.

#include "views/ScanComparison.h"

#include <cstddef>
#include <ostream>
#include <span>

namespace harrowdale::cli {

struct CompareData
{
    const TScanComparison* Comparison = nullptr;
    std::size_t Listed = 20; ///< the most entries each list shows; the rest are counted
};

/// Both totals and the change, how both sides were measured, then the folders that grew
/// and shrank most, the new, the gone and the resized files, each by change in bytes.
void WriteCompareText(std::ostream& out, const CompareData& data);

/// The same as one JSON object; each list gives its full length beside the entries shown.
void WriteCompareJson(std::ostream& out, const CompareData& data);

} // namespace harrowdale::cli
