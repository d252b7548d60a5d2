#pragma once

// Scans kept as history: one compressed scan file per scan in a folder of the user's own,
// so that a later scan can be compared with an earlier one of the same folder.
//
// A file's name holds a hash of the scanned folder's path, the time of the scan and its
// totals, so several folders and several scans of each live side by side and a listing
// reads only the start of each file, to check the folder it records. Anything else in the
// folder (damaged files, files of other programs, names of another form) is skipped and
// never removed.

#include "platform/PrivateFolders.h"
#include "scan/ScanTree.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// The history folder cannot be used, or a scan cannot be written into it.
class EHistoryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct THistoryLimits
{
    std::size_t ScansPerFolder = 10;     ///< the newest kept of each folder
    std::int64_t TotalBytes = 1LL << 30; ///< of every history file together
};

struct THistoryEntry
{
    std::string Path;          ///< the history file
    std::int64_t Time = 0;     ///< when the scan was recorded: Unix seconds
    std::int64_t Bytes = 0;    ///< the scan's total size
    std::int64_t Files = 0;    ///< and its number of files
    std::int64_t FileSize = 0; ///< bytes the history file takes
};

/// Every history file of every folder together.
struct THistoryTotals
{
    std::int64_t Scans = 0;
    std::int64_t Bytes = 0; ///< the files take
};

class TScanHistory
{
public:
    /// The history in `folder`, which the caller has checked (see Open); throws
    /// EHistoryError when it is a link or no folder.
    explicit TScanHistory(const std::string& folder, THistoryLimits limits = {});
    /// The user's history: harrowdale/history in the user's data folder, made where
    /// missing and refused (EHistoryError, nothing written) when it is not the user's
    /// alone.
    static TScanHistory Open(THistoryLimits limits = {});

    const std::string& Folder() const { return FFolder.Path(); }

    /// Writes the scan whose root is `root`, made at `time` (Unix seconds), as a
    /// compressed scan file that appears whole or not at all, then drops the oldest
    /// files beyond the limits (the one just written stays). Throws EHistoryError, or
    /// EExportStopped once `stop` (may be null) is set: nothing is then written or dropped.
    THistoryEntry Record(const TDirNode& root, std::int64_t time, std::int64_t metBytes = -1,
                         const std::atomic<bool>* stop = nullptr);
    /// The scans kept of the folder `rootPath` (matched as SamePath does), oldest first.
    std::vector<THistoryEntry> List(std::string_view rootPath) const;
    /// Drops the oldest history files: those of a folder beyond ScansPerFolder, then the
    /// oldest of all while they take more than TotalBytes, keeping `keep`.
    void Prune(std::string_view keep = {});
    /// What Clear would remove.
    THistoryTotals Totals() const;
    /// Removes every history file (nothing else in the folder).
    void Clear();

private:
    TScanHistory(platform::TPrivateFolder folder, THistoryLimits limits);

    /// Held open from its check on: every file is reached from it.
    platform::TPrivateFolder FFolder;
    THistoryLimits FLimits;
};

} // namespace harrowdale
