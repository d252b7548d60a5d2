#pragma once

// Builds a scan tree from a scan file, for the report, the window's result pipeline and
// a later export, as if the tree the file describes had been scanned here.

#include "exchange/ByteStreams.h"
#include "exchange/ExchangeFormat.h"
#include "scan/ScanContext.h"
#include "scan/ScanTree.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace harrowdale {

/// Files and folders read so far; called every few thousand entries on the importing
/// thread.
using TImportProgress = std::function<void(std::int64_t files, std::int64_t dirs)>;

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
    /// Bytes of every file met, as a scan counts them: those read (filtered out and
    /// repeated links included), plus what the writer met and left out of the file when
    /// its metadata says so in the same measure.
    std::int64_t MetBytes = 0;
};

/// Most entries (files and folders) one import takes: extension tables count a subtree's
/// files in 32 bits.
inline constexpr std::uint64_t kMaxImportEntries = 0xFFFFFFFFu;

/// Reads a scan file from `source` (see TExchangeReader for what is checked) and builds
/// its tree under the rules of a scan with `context`: its size filter, masks and date
/// filter (by the same code as the scanner), its measure (SizeOnDisk: "dsize") and its
/// hard-link rule (unless CountEveryHardLink, a file with several links counts once, at
/// its first link in the tree's order, by device and inode). The import stops with
/// EImportCancelled once the context is cancelled: it looks before each block of input
/// it reads, whatever the block holds.
///
/// What Harrowdale's own scan would not count is left out: entries the writer marked
/// excluded (with what lies below them), links, and other non-regular entries unless the
/// file says they are not links (by their "mode", or because Harrowdale wrote the file:
/// its scans hold no links). Folders contribute no bytes of their own. Where the file
/// lacks data a rule needs: an entry without "dsize" has none allocated when its writer
/// is one that leaves zero sizes out (Harrowdale, ncdu, gdu), else its length counts; a
/// linked file without "ino" cannot be matched and counts at every link (gdu gives the
/// inode only of the links after the one it counted, and those are the ones left out).
/// A file whose writer could not tell sizes on disk or links apart ("dsize_known",
/// "links_known" false) is counted by lengths or at every link, and its tree says it
/// fell back.
///
/// Two entries of one name in one folder, sizes that add up past 2^63-1 and more than
/// kMaxImportEntries entries are errors. Throws EExchangeError, EImportCancelled or the
/// filter's EMaskException; the memory used is that of the tree plus one frame per open
/// folder.
TImportResult ImportScan(TByteSource& source, const TScanContext& context,
                         const TImportProgress& onProgress = {});

/// Same, from a file ("-" for standard input), gzip-compressed or not. A read that waits
/// for a pipe's writer is given up once the context is cancelled (on Linux; see
/// platform::TInputFile).
TImportResult ImportScanFile(const std::string& path, const TScanContext& context,
                             const TImportProgress& onProgress = {});

} // namespace harrowdale
