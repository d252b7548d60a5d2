#pragma once

// Several scans shown as one result: each scan a top-level folder of a synthetic root, as
// an all-drives scan joins its drives, so that totals, extension tables and duplicates
// cover them all and the maps set them side by side.

#include "exchange/ScanTreeImport.h"
#include "scan/ScanTree.h"

#include <memory>
#include <string>
#include <vector>

namespace harrowdale {

/// One scan to join, and the name of its top-level folder: "host:/path" for a scan of
/// another machine, the scanned folder's own path when the scan does not say where it
/// was made.
struct TJoinPart
{
    TImportResult Scan;
    std::string Label;
};

/// Joins `parts` (two or more) under a synthetic root named `rootName`. Labels are kept
/// apart: a label met before gets " (2)", " (3)" and so on, so every path of the result
/// names one entry. All parts must be measured alike (size kind and hard-link rule);
/// otherwise throws EExchangeError naming the first two that differ and how. The result's
/// MetBytes add up; its Meta is the first part's, with the oldest timestamp.
TImportResult JoinScans(std::vector<TJoinPart> parts, const std::string& rootName);

/// Reads the scan files `paths` as ImportScanFile does and joins them (JoinScans) under
/// `rootName`; one path gives that file's tree alone. `onProgress` sees the entries read
/// from all files so far. An error names the file it comes from.
TImportResult ImportScanFiles(const std::vector<std::string>& paths, const TScanContext& context,
                              const std::string& rootName, const TImportProgress& onProgress = {});

} // namespace harrowdale
