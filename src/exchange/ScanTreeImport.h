#pragma once

// Builds a scan tree from a scan file, for the report, the window's result pipeline and
// a later export, as if the tree the file describes had been scanned here.

#include "exchange/ByteStreams.h"
#include "exchange/ExchangeFormat.h"
#include "scan/ScanTree.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace harrowdale {

/// How files with several hard links count.
enum class THardLinkCount : std::uint8_t
{
    Each, ///< at every link, as the scanner does today
    Once, ///< at the first link met (by device and inode); later ones are left out
};

struct TImportOptions
{
    /// Count "dsize" (bytes on the disk; 0 where the file gives none) instead of "asize".
    bool SizeOnDisk = false;
    THardLinkCount HardLinks = THardLinkCount::Each;
    /// Polled every few thousand entries on the importing thread; true stops the import
    /// with EImportCancelled.
    std::function<bool()> IsCancelled;
    /// Files and folders read so far; called every few thousand entries.
    std::function<void(std::int64_t files, std::int64_t dirs)> OnProgress;
};

class EImportCancelled : public std::exception
{
public:
    const char* what() const noexcept override { return "Cancelled by user"; }
};

struct TImportResult
{
    /// Root() is the root folder at the path the file records (it need not exist here).
    std::unique_ptr<TScanTree> Tree;
    TExchangeMeta Meta;
    /// Bytes of every file read, those left out as repeated hard links included.
    std::int64_t MetBytes = 0;
};

/// Most entries (files and folders) one import takes: extension tables count a subtree's
/// files in 32 bits.
inline constexpr std::uint64_t kMaxImportEntries = 0xFFFFFFFFu;

/// Reads a scan file from `source` (see TExchangeReader for what is checked) and builds
/// its tree. What Harrowdale's own scan would not count is left out: entries the writer
/// marked excluded (with what lies below them), links, and other non-regular entries
/// unless the file says they are not links (by their "mode", or because Harrowdale wrote
/// the file: its scans hold no links). Folders contribute no bytes of their own. Two
/// entries of one name in one folder, sizes that add up past 2^63-1 and more than
/// kMaxImportEntries entries are errors. Throws EExchangeError or EImportCancelled; the
/// memory used is that of the tree plus one frame per open folder.
TImportResult ImportScan(TByteSource& source, const TImportOptions& options = {});

/// Same, from a file ("-" for standard input), gzip-compressed or not.
TImportResult ImportScanFile(const std::string& path, const TImportOptions& options = {});

} // namespace harrowdale
