#pragma once

// Reading a scan file as the window's background task: the same hand-over, progress and
// cancellation as a scan, so the window shows the tree the file describes as if it had
// just been scanned.

#include "exchange/RemoteScan.h"
#include "scan/ScanControl.h"

#include <string>
#include <vector>

namespace harrowdale {

/// Reads the scan files at `paths` (gzip-compressed or not) into a tree whose root is the
/// path the file records (several under a synthetic root named `rootName`, as
/// ImportScanFiles joins them), under the context's filters, measure and hard-link rule as a
/// scan would be. Publishes the files and folders read so far to `progress`
/// (with no path), stops when `context` is cancelled (Ok false, Err empty), and fails
/// on a bad or unreadable file with the reader's one-line reason in Err. Catches every
/// error. Runs on the worker thread.
TScanOutcome RunImportTask(const std::vector<std::string>& paths, const std::string& rootName,
                           const TScanContext& context, TScanProgressBox& progress);

/// The same with a scan of `targets` through ssh (RunRemoteScans): the files and folders
/// received so far and the bytes (as Bytes) go to `progress`; a failure is the remote
/// scan's one line in Err.
TScanOutcome RunRemoteTask(const std::vector<TRemoteTarget>& targets, const std::string& rootName,
                           const TScanContext& context, TScanProgressBox& progress);

} // namespace harrowdale
