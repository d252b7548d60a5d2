#pragma once

// Texts of a change between two scans: the window's Change column and compare dialog, and
// harrowdale-scan --compare.

#include "views/ScanComparison.h"

#include <cstdint>
#include <string>

namespace harrowdale {

/// "+1.2 MB", "-300 KB"; "+0 B" for no change.
std::string FormatSignedSize(std::int64_t change);

/// When a scan was made, "yyyy-mm-dd hh:nn" local time, from Unix seconds; "" for 0.
std::string ScanDateText(std::int64_t unixSeconds);

/// A Change cell: the change in bytes and its share of the old size ("+1.2 MB  +25.00%"),
/// the change and "new" for an entry the older scan lacks, "gone" and the old size negated
/// for one only the older scan has; empty when unchanged.
std::string ChangeCellText(TChangeState state, std::int64_t oldSize, std::int64_t newSize);

} // namespace harrowdale
