#pragma once

#include "scan/ResultArrays.h"
#include "scan/ScanControl.h"
#include "views/ContentDuplicates.h"
#include "views/Duplicates.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::cli {

/// The most paths listed for one duplicate group or for the folders that could not be
/// read: a chain of folders 100,000 deep makes paths of hundreds of kilobytes, and a group
/// of 100,000 of them would print gigabytes. The rest is counted.
constexpr std::size_t kMaxListedPaths = 20;

/// The folders of a tree that could not be read (or only in part): how many, and the
/// paths of the first kMaxListedPaths in the order of the tree.
struct UnreadableFolders
{
    std::int64_t Count = 0;
    std::vector<std::string> First;
};

UnreadableFolders FindUnreadableFolders(const TDirNode* root);

/// "2 folders could not be read:" and the paths listed, each on a line of its own after
/// `indent`, then how many more there are; "" when there are none.
std::string UnreadableText(const UnreadableFolders& folders, std::string_view indent);

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
    UnreadableFolders Unreadable;
};

/// The human-readable report: totals line, extensions, largest files, duplicate groups.
void WriteText(std::ostream& out, const ReportData& data);

/// One JSON object. Path bytes that are not valid UTF-8 are written as \udcXX escapes,
/// one per byte, so a reader can restore the exact bytes.
void WriteJson(std::ostream& out, const ReportData& data);

/// A JSON string literal of raw bytes, quotes included.
std::string JsonString(std::string_view bytes);

/// Text for a terminal, as the window shows names (VisiblePathText): invalid UTF-8 as
/// U+FFFD, and control characters and those that reorder a line as visible escapes, so a
/// name or an option value cannot break a line or send the terminal a command. Never
/// used as a path.
std::string TerminalText(std::string_view bytes);

} // namespace harrowdale::cli
