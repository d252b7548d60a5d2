#pragma once

// Duplicate files by content: files whose bytes are the same, whatever their names.
//
//   TDuplicates dups;
//   TContentSettings settings;
//   settings.OnProgress = [](const TContentProgress& p) { ... };   // every 90 ms
//   const TContentOutcome r = BuildContentDuplicates(root, allFiles, dups, context, settings);
//
// Candidates are the regular files of equal length (zero-length files left out). Several
// hard links of one file are one file: its first link in the array stands for it. Files
// are read on worker threads, the files of one length together, and are called equal
// only after their bytes were compared:
// - small files (up to 16 KiB) that fit in a reading thread's buffer together are read
//   whole, once each, and compared there;
// - up to kSideBySideFiles larger files of one length are read side by side, a small head
//   first, then in chunks, each file dropping out as soon as no other file shares its
//   bytes so far: one read of each file at most, and a file that differs early is hardly
//   read;
// - more files of one length are told apart by a hash of their head (of the whole of a
//   small file), then by a hash of their whole contents; files that share a hash are then
//   compared as above, in batches beside the first of them when there are many.
// A file is opened from the scan root that holds it, never through a link or into
// another mount. A file that cannot be opened or read, or that is not what the tree says
// (another length) or changes while it is checked (its length, time or identity differ
// between two looks), is left out of every group and counted as unreadable.
//
// Memory, whatever the files' sizes: 4 bytes per candidate (and, while they are chosen
// from a tree that counts space on disk, 4 per file for an index by length), a record per
// file of the lengths being checked, and a buffer per reading thread (kBufferBytes), of
// which only the pages reads reach take memory.

#include "scan/ScanContext.h"
#include "scan/ScanTree.h"
#include "views/Duplicates.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace harrowdale {

/// How many files of one length are read side by side.
constexpr std::size_t kSideBySideFiles = 8;
/// Buffer space of one worker.
constexpr std::size_t kBufferBytes = 128 * 1024;

/// Where the grouping stands; read on the calling thread.
struct TContentProgress
{
    std::int64_t BytesRead = 0;
    std::int64_t BytesToRead = 0;       ///< the bytes of every candidate: an upper bound
    std::int64_t FilesDone = 0;         ///< candidates settled
    std::int64_t Files = 0;             ///< candidates
    const TFileLeaf* Current = nullptr; ///< a file being read now, or null
};

struct TContentSettings
{
    std::size_t Cap = kMaxDupGroups;
    /// False leaves ColorByFile and GroupByFile empty (see BuildDuplicates).
    bool FillMaps = true;
    /// Reading threads; 0 lets the grouping choose (several, so that reads overlap on a
    /// disk that has to seek).
    unsigned Threads = 0;
    /// Called on the calling thread every 90 ms while files are read.
    std::function<void(const TContentProgress&)> OnProgress;
    /// Called on a reading thread each time a file was opened and looked at, before its
    /// bytes are read. For tests that change a file while it is checked.
    std::function<void(const TFileLeaf*)> OnFileOpened;
};

enum class TContentStatus : std::uint8_t
{
    Done,
    Cancelled,   ///< the context was cancelled; no groups
    RootMissing, ///< none of the folders the tree was scanned from exists here
    Unavailable, ///< this system cannot read files for comparing them
};

struct TContentOutcome
{
    TContentStatus Status = TContentStatus::Done;
    std::int64_t Candidates = 0;     ///< files that had another of their length
    std::int64_t CandidateBytes = 0; ///< their bytes
    std::int64_t BytesRead = 0;
    std::int64_t Unreadable = 0; ///< candidates left out: not readable, or changed
};

/// Groups the files of `allFiles` (the tree below `root`, as FlattenAllFilesFromRoot
/// gives them) by content into `out`: groups ranked and capped as BuildDuplicates ranks
/// them, by files x length; a group's FileName, ModifiedFT and colour are its first
/// file's, its Size the common length, its files in array order. Polls `context` for
/// cancellation, which ends the reading within a fraction of a second. `out` is empty
/// unless the status is Done.
TContentOutcome BuildContentDuplicates(const TDirNode* root,
                                       const std::vector<const TFileLeaf*>& allFiles,
                                       TDuplicates& out, const TScanContext& context,
                                       const TContentSettings& settings = {});

} // namespace harrowdale
