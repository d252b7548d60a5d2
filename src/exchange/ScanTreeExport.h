#pragma once

// Writes a scan tree as a scan file, for `harrowdale-scan --export` and the window's
// "Save Scan...".

#include "exchange/ByteStreams.h"
#include "exchange/ExchangeFormat.h"
#include "scan/ScanTree.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace harrowdale {

/// Writes the folder `root` and everything below it, depth-first (a folder's files, then
/// its subfolders in their current order), through one small buffer: memory does not grow
/// with the tree. The root is recorded by its full path. Every file carries both sizes,
/// its date, and where the tree knows them its device, inode and link count (files with
/// several links) and that it is not a regular file; folders that could not be read say
/// so. The metadata says which measure and which link rule the tree's totals follow, and
/// when `metBytes` (the bytes the scan met, by that measure; -1 when not known) is given,
/// how many of them the tree left out.
///
/// Throws EExchangeError for the synthetic all-drives root (the format holds one root
/// folder) and passes on the sink's errors.
void ExportScan(const TDirNode& root, TByteSink& sink, std::int64_t metBytes = -1);

/// The export was given up because its caller asked it to stop; no file was made.
class EExportStopped : public EExchangeError
{
public:
    EExportStopped() : EExchangeError("stopped") {}
};

/// Same, into `path` ("-" for standard output): the file appears only when complete.
/// With `gzip`, compressed at zlib's fastest level.
void ExportScanFile(const TDirNode& root, const std::string& path, std::int64_t metBytes = -1,
                    bool gzip = false);
/// Same, into the file `name` of `folder` (see platform::TOutputFile). Once `stop` (may be
/// null) is set, the next write throws EExportStopped and the file is not made.
void ExportScanFile(const TDirNode& root, const platform::TPrivateFolder& folder,
                    std::string_view name, std::int64_t metBytes = -1, bool gzip = false,
                    const std::atomic<bool>* stop = nullptr);

} // namespace harrowdale
