#include "scan/DiskScanner.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace harrowdale {

namespace {

constexpr std::uint32_t kProgressIntervalMs = 80;

} // namespace

unsigned DefaultScanThreads()
{
    // On a warm cache the walk is the kernel's work and two threads per core gain nothing
    // over one; on a cold one the wait is the disk's, and four per core keep enough reads
    // in flight (measured: 2 threads on 2 cores take a third longer than 4 to 16; 32 no
    // faster, with more memory).
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp(cores * 4, 4u, 16u);
}

TDiskScanner::TDiskScanner(const TScanContext& context, TScanTree& tree)
    : FContext(context), FTree(tree)
{
    FSettings.Threads = context.Threads != 0 ? context.Threads : DefaultScanThreads();
    ResetCounters();
}

TDiskScanner::~TDiskScanner() = default;

void TDiskScanner::ResetCounters()
{
    FFiles = FDirs = FBytes = 0;
    FLastProgressTick = platform::TickCount();
}

std::int64_t TDiskScanner::Files() const
{
    return FFiles + (FWalking ? FWalk->Files() : 0);
}

std::int64_t TDiskScanner::Dirs() const
{
    return FDirs + (FWalking ? FWalk->Dirs() : 0);
}

std::int64_t TDiskScanner::Bytes() const
{
    return FBytes + (FWalking ? FWalk->Bytes() : 0);
}

void TDiskScanner::DoProgress()
{
    if (!OnProgress || FContext.IsCancelled())
        return;
    const std::uint32_t now = platform::TickCount();
    if (now - FLastProgressTick >= kProgressIntervalMs) {
        FLastProgressTick = now;
        OnProgress(FWalk->CurrentFolder(), Files(), Dirs());
    }
}

TDirNode* TDiskScanner::Scan(std::string_view rootPath)
{
    return Walk(rootPath, nullptr);
}

TDirNode* TDiskScanner::Scan(std::string_view rootPath, platform::FolderHandle root)
{
    return Walk(rootPath, &root);
}

TDirNode* TDiskScanner::Walk(std::string_view rootPath, platform::FolderHandle* opened)
{
    rootPath = platform::TrimTrailingSeparators(rootPath);
    if (!FWalk) {
        FWalk = std::make_unique<TFolderWalk>(FContext, FTree, FSettings);
        FWalk->OnTick = [this] { DoProgress(); };
    }
    // The tree records what was counted, not what was asked for.
    const platform::ListingMeasures can = platform::WhatListingsMeasure();
    const bool onDisk = FContext.SizeOnDisk && can.AllocatedSizes;
    const bool everyLink = FContext.CountEveryHardLink || !can.LinkIdentity;
    FTree.SetSizeKind(onDisk ? TSizeKind::OnDisk : TSizeKind::Apparent);
    FTree.SetHardLinks(everyLink ? THardLinks::Each : THardLinks::Once);
    FTree.SetMeasureFellBack(onDisk != FContext.SizeOnDisk ||
                             everyLink != FContext.CountEveryHardLink);
    FTree.SetKnownMeasures(can.AllocatedSizes, can.LinkIdentity);
    const std::size_t linksBefore = FTree.Links().size();

    struct WalkCounters // folds the walk's counters in, however the walk ends
    {
        TDiskScanner& S;
        ~WalkCounters()
        {
            S.FFiles += S.FWalk->Files();
            S.FDirs += S.FWalk->Dirs();
            S.FBytes += S.FWalk->Bytes();
            S.FWalking = false;
        }
    };
    TDirNode* root = nullptr;
    {
        FWalking = true;
        const WalkCounters fold{*this};
        root = FWalk->Run(rootPath, opened);
    }
    if (root != nullptr && !FContext.CountEveryHardLink) {
        const auto all = FTree.Links();
        const std::vector<TLinkInfo> links(all.begin() + static_cast<std::ptrdiff_t>(linksBefore),
                                           all.end());
        FFiles -= FLinks.LeaveOutRepeats(FTree, root, links);
    }
    return root;
}

} // namespace harrowdale
