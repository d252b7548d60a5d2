#pragma once

// The scan-control logic that needs no window: reading the filter inputs, the drive list,
// and the body of the background scan task with its progress publication.

#include "scan/DateTime.h"
#include "scan/Mask.h"
#include "scan/ScanContext.h"
#include "scan/ScanTree.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// Multipliers of the size-unit list: Bytes, KB, MB, GB, TB.
std::int64_t SizeUnitMultiplier(int unitIndex);

/// Parses the "Less than" text: trimmed, a decimal number in the user's locale (or with
/// '.' as separator), not negative, times the unit; rounded half to even and capped at
/// the largest 64-bit value. False when the text is empty or not a number or negative.
bool TryGetLessThanBytes(std::string_view text, int unitIndex, std::int64_t& bytes,
                         std::string_view localeSeparator);
/// Same, with the separator of the user's locale.
bool TryGetLessThanBytes(std::string_view text, int unitIndex, std::int64_t& bytes);

/// The filter controls as the user left them.
struct TScanFilterInput
{
    bool ModifiedBeforeChecked = false;
    TDateTime ModifiedBefore = 0;
    bool LessThanChecked = false;
    std::string LessThanText;
    int SizeUnitIndex = 0;
    bool PatternChecked = false;
    std::string PatternText;
};

/// Copies the filter inputs into a fresh context.
void ApplyScanFilters(TScanContext& context, const TScanFilterInput& input);

/// The first malformed mask of `context`'s pattern (the one a scan would stop on), as
/// typed, or none. Checked before a scan starts, so a typo in a mask does not cost the
/// result on screen.
std::optional<EMaskException> FirstMaskError(const TScanContext& context);

/// Roots scanned by "All Drives", in mount order.
std::vector<std::string> GetScanDrives();
/// Used bytes of the volume holding `root`; 0 when unknown.
std::int64_t GetUsedBytes(const std::string& root);

/// The absolute path of the folder `path` names, as a scan records its root: links, "."
/// and ".." resolved as the system resolves them, no doubled or trailing separators ("/"
/// stays "/", "C:\" becomes "C:"). A path that does not exist is made absolute against
/// the current folder and normalised by its text alone.
std::string NormalizeScanPath(std::string_view path);

/// The four progress fields, written by the scan task and read by a timer.
class TScanProgressBox
{
public:
    struct Snapshot
    {
        std::string Path;
        std::int64_t Files = 0, Dirs = 0, Bytes = 0;
    };
    void PublishProgress(const std::string& path, std::int64_t files, std::int64_t dirs,
                         std::int64_t bytes);
    Snapshot Read() const;
    void Reset();

private:
    mutable std::mutex FProgLock; // guards the fields below
    Snapshot FProg;
};

/// What one scan task is asked to do.
struct TScanRequest
{
    bool AllDrives = false;
    std::string PathToScan; ///< already normalised; unused for all drives
    /// When not empty, PathToScan is a folder of a result scanned from these roots, and is
    /// reached from them as the scan reached it (platform::OpenFolderInScan).
    std::vector<platform::ScanRoot> WithinRoots;
    /// Drive list for all-drives scans; GetScanDrives when empty.
    std::function<std::vector<std::string>()> Drives;
    /// Name of the synthetic root of an all-drives scan.
    std::string AllDrivesName = "(All Drives)";
};

/// What the task hands to the thread that shows results.
struct TScanOutcome
{
    bool Ok = false;
    std::string Err; ///< "Class: message"; empty on success and on a plain cancellation
    /// The folder of a WithinRoots request is gone, or a link or a mount is on its way.
    bool FolderGone = false;
    std::unique_ptr<TScanTree> Tree;
    /// Counters of the whole scan: included files, folders entered, bytes met (excluded
    /// files included).
    std::int64_t Files = 0, Dirs = 0, Bytes = 0;
    /// Unix seconds when a scan file read instead of a scan was written; 0 when it does
    /// not say, and for a scan.
    std::int64_t WrittenAt = 0;
};

/// The task body: scans a folder, or every drive under a synthetic root, publishing
/// progress at most every 90 ms. Catches every error. Runs on the worker thread.
TScanOutcome RunScanTask(const TScanRequest& request, const TScanContext& context,
                         TScanProgressBox& progress);

/// "Class: message" for an exception caught inside the task; a malformed mask is the
/// user's own input and is named by its message alone.
std::string ErrorText(const std::exception_ptr& error);

/// Position 0..1000 of a drive-scan progress bar, ties to even, never past 1000.
int DriveProgressPosition(std::int64_t bytes, std::int64_t expected);

} // namespace harrowdale
