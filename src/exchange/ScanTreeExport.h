#pragma once

// Writes a scan tree as a scan file, for `harrowdale-scan --export` and the window's
// "Save Scan...".

#include "exchange/ByteStreams.h"
#include "scan/ScanTree.h"

#include <string>

namespace harrowdale {

/// Writes the folder `root` and everything below it, depth-first (a folder's files, then
/// its subfolders in their current order), through one small buffer: memory does not grow
/// with the tree. The root is recorded by its full path. Throws EExchangeError for the
/// synthetic all-drives root (the format holds one root folder) and passes on the sink's
/// errors.
void ExportScan(const TDirNode& root, TByteSink& sink);

/// Same, into `path` ("-" for standard output): the file appears only when complete.
void ExportScanFile(const TDirNode& root, const std::string& path);

} // namespace harrowdale
