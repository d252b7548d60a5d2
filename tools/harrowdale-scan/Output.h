#pragma once

#include "scan/ResultArrays.h"
#include "scan/ScanControl.h"
#include "views/ContentDuplicates.h"
#include "views/Duplicates.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace harrowdale::cli {

/// Everything a report shows, computed once.
struct ReportData
{
    const TDirNode* Root = nullptr;
    std::int64_t MetBytes = 0;
    TFileArray AllFiles;
    TDuplicates Duplicates;
    std::size_t Largest = 20;
    std::size_t DuplicateGroups = 20;
    bool ByContent = false;  ///< Duplicates were grouped by content
    TContentOutcome Content; ///< what that grouping read, when ByContent
};

/// The human-readable report: totals line, extensions, largest files, duplicate groups.
void WriteText(std::ostream& out, const ReportData& data);

/// One JSON object. Path bytes that are not valid UTF-8 are written as \udcXX escapes,
/// one per byte, so a reader can restore the exact bytes.
void WriteJson(std::ostream& out, const ReportData& data);

/// A JSON string literal of raw bytes, quotes included.
std::string JsonString(std::string_view bytes);

/// Text for a terminal: invalid UTF-8 as U+FFFD and control characters as '?', so a
/// name with a line break cannot break the layout. Never used as a path.
std::string TerminalText(std::string_view bytes);

} // namespace harrowdale::cli
