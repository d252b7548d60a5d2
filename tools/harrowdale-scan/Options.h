#pragma once

#include "scan/DateTime.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::cli {

struct Options
{
    bool AllDrives = false;
    std::string Path; ///< exactly as given: blanks belong to the name
    bool ExcludeBefore = false;
    TDateTime Before = 0;
    bool ExcludeSmaller = false;
    std::string SmallerText;   ///< the value as given, for messages
    std::string SmallerNumber; ///< the number as typed, parsed like the "Less than" box
    int SmallerUnit = 0;       ///< 0 B, 1 KB, 2 MB, 3 GB, 4 TB
    bool ExcludePattern = false;
    std::string Pattern;
    std::size_t Largest = 20;
    std::size_t Duplicates = 20;
    bool DuplicatesByContent = false; ///< same bytes instead of same name and size
    unsigned Threads = 0;             ///< 0: the scanner's choice
    bool SizeOnDisk = false;
    bool EveryHardLink = false;
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
    /// Scan files to report on, shown as one result when several; "-" for standard input.
    std::vector<std::string> ImportPaths;
    std::string ComparePath; ///< the older scan file of a comparison
    /// Folders of other machines to scan through ssh, "[user@]host[:port]:PATH" each.
    std::vector<std::string> Remotes;
    std::string SshConfig; ///< ssh's configuration file instead of the user's
    bool History = false;  ///< keep the scan in the scan history
};

/// One command-line option: adding an option is adding a row to the table in
/// Options.cpp, which drives both the parser and --help.
struct OptionSpec
{
    std::string_view Name;  ///< "--largest"
    std::string_view Short; ///< "-h", or ""
    std::string_view Value; ///< the value's name in --help ("N"); "" for a switch
    std::string_view Help;  ///< one sentence for --help
    /// Stores the option (`value` is "" for a switch); false with `error` set when the
    /// value is not acceptable.
    bool (*Apply)(Options& options, const std::string& value, std::string& error);
};

/// The options, in the order --help lists them.
std::span<const OptionSpec> OptionTable();

/// Parses the command line. A value follows its option as the next argument or after
/// '=' ("--largest=3"); "--" ends the options, so a PATH may start with '-'. On a usage
/// error returns nullopt and sets `error` to a one-line message.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

/// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" exactly, as local time;
/// nullopt for anything else or a date that does not exist.
std::optional<TDateTime> ParseLocalDate(std::string_view text);

std::string UsageText();

} // namespace harrowdale::cli
