#pragma once

#include "scan/DateTime.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace harrowdale {

/// Filter options of one scan and its cancellation flag. The options are written before
/// the scan starts and only read afterwards; the flag may be set from any thread.
class TScanContext
{
public:
    /// Requests cancellation; any thread, any number of times. One-way.
    void Cancel() { FCancelled.exchange(1); }
    bool IsCancelled() const { return FCancelled.load(std::memory_order_relaxed) != 0; }

    bool ExcludeModifiedBefore = false;
    TDateTime ModifiedBefore = 0; ///< local time; earlier files are excluded
    bool ExcludeLessThan = false;
    std::int64_t LessThanBytes = 0; ///< smaller files are excluded; 0 excludes nothing
    bool ExcludePattern = false;
    std::string Pattern;                   ///< as entered, trimmed
    std::vector<std::string> PatternMasks; ///< split and trimmed, none empty

    /// Count each file by the bytes allocated to it (st_blocks * 512) instead of its
    /// length; the size filter then compares the same measure.
    bool SizeOnDisk = false;
    /// Count every hard link of a file; otherwise a file counts once per scan, at the
    /// first link met in the tree's order, and later links are left out.
    bool CountEveryHardLink = false;
    /// Threads that walk the tree; 0 lets the scanner choose.
    unsigned Threads = 0;

private:
    std::atomic<std::int32_t> FCancelled{0};
};

} // namespace harrowdale
