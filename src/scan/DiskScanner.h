#pragma once

#include "scan/FolderWalk.h"
#include "scan/HardLinks.h"
#include "scan/ScanContext.h"
#include "scan/ScanTree.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace harrowdale {

/// Progress callback: folder being scanned, files and folders counted so far. Runs on
/// the thread that called Scan.
using TScanProgressEvent =
    std::function<void(const std::string& path, std::int64_t files, std::int64_t dirs)>;

/// Threads a scan uses when the context leaves the choice to the scanner.
unsigned DefaultScanThreads();

/// Walks folder trees into a TScanTree, on several threads (TScanContext::Threads).
///
/// Links and roots of other mounts are neither counted nor entered; a folder that cannot
/// be read becomes an empty folder marked with a read error. The tree comes out the same
/// whatever the threads do: files and subfolders in each folder's listing order. Unless
/// the context counts every hard link, a file with several links counts once per scanner
/// (over all its Scan calls), at the first link in the tree's order.
class TDiskScanner
{
public:
    /// `context` and `tree` must outlive the scanner.
    TDiskScanner(const TScanContext& context, TScanTree& tree);
    ~TDiskScanner();

    /// Zeroes the counters and restarts the 80 ms progress clock.
    void ResetCounters();

    /// Scans `rootPath` (trailing separators removed, "/" kept) into the tree and returns its
    /// node, or nullptr when the context was cancelled on entry. A cancelled scan returns
    /// what it gathered so far. Throws EMaskException when a mask is malformed; the tree
    /// then holds unreachable nodes, which go with the tree.
    TDirNode* Scan(std::string_view rootPath);
    /// The same from the folder `root`, opened already (and taken over); `rootPath` names
    /// it in the tree. A closed handle gives an unreadable folder.
    TDirNode* Scan(std::string_view rootPath, platform::FolderHandle root);

    std::int64_t Files() const; ///< included files
    std::int64_t Dirs() const;  ///< folders entered, unreadable ones too
    std::int64_t Bytes() const; ///< bytes of every file met, excluded ones and links too
    unsigned Threads() const { return FSettings.Threads; }

    TScanProgressEvent OnProgress;

    /// Tuning and hooks of the walk (handle budget, a hook after each listing), for
    /// tests; read by the first Scan.
    TWalkSettings& WalkSettings() { return FSettings; }

private:
    TDirNode* Walk(std::string_view rootPath, platform::FolderHandle* opened);
    void DoProgress();

    const TScanContext& FContext;
    TScanTree& FTree;
    TWalkSettings FSettings;
    std::unique_ptr<TFolderWalk> FWalk;
    THardLinkFilter FLinks;
    bool FWalking = false;
    // Counters of the scans finished since the last reset; a running walk adds its own.
    std::int64_t FFiles = 0;
    std::int64_t FDirs = 0;
    std::int64_t FBytes = 0;
    std::uint32_t FLastProgressTick = 0;
};

} // namespace harrowdale
