#pragma once

#include "scan/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace harrowdale::cli {

struct Options
{
    bool AllDrives = false;
    std::string Path;
    bool ExcludeBefore = false;
    TDateTime Before = 0;
    bool ExcludeSmaller = false;
    std::string SmallerNumber; ///< the number as typed, parsed like the "Less than" box
    int SmallerUnit = 0;       ///< 0 B, 1 KB, 2 MB, 3 GB, 4 TB
    bool ExcludePattern = false;
    std::string Pattern;
    std::size_t Largest = 20;
    std::size_t Duplicates = 20;
    bool Json = false;
    bool NoProgress = false;
    bool Help = false;
    bool Version = false;
    // Treemap picture instead of the report.
    std::string TreemapKind;
    int Width = 0, Height = 0;
    std::string PngPath;
    // Scan files: write the scan to a file, or report on a file instead of scanning.
    std::string ExportPath; ///< "-" for standard output
    std::string ImportPath; ///< "-" for standard input
};

/// Parses the command line. On a usage error returns nullopt and sets `error` to a
/// one-line message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

std::string UsageText();

} // namespace harrowdale::cli
