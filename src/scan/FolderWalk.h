#pragma once

// The parallel walk of one folder tree, behind TDiskScanner.
//
// Work is a range of the subfolders of a listed folder. A thread takes a range, opens
// each subfolder relative to the folder's open handle, lists it whole (files become the
// folder's leaves, subfolders its children, both in listing order) and queues a range for
// the subfolders it found. Each thread keeps its own queue and builds into its own arena;
// an idle thread takes the oldest range of another thread's queue. A folder is finished
// (totals, extension table) by whichever thread finishes its last subfolder, so the tree
// comes out the same whatever the threads do.
//
// Handles: a folder keeps its handle from its listing until its subfolders are opened,
// while the number of open handles stays within a budget. Past it a folder gives its
// handle up after the listing; its parent then stays open until that folder is opened
// again from it, or, when too many parents would stay open, it is opened again from the
// nearest ancestor still open, one name at a time. Either way links and mount crossings
// are refused and the folder must prove to be the one listed (same device and file
// number). No folder is ever opened by its full path, so depth has no limit.

#include "platform/FileSystem.h"
#include "scan/ExtIdCache.h"
#include "scan/ScanContext.h"
#include "scan/ScanFilter.h"
#include "scan/ScanTree.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

struct TWalkSettings
{
    unsigned Threads = 1;
    /// Folder handles kept open at once; 0 takes the platform's budget.
    std::size_t HandleBudget = 0;
    /// Called on a walking thread after a folder is listed, before any of its subfolders
    /// is opened. For tests that change the tree while it is walked.
    std::function<void(const TDirNode*)> OnFolderListed;
    /// Called on a walking thread when it has opened a range of a folder's subfolders,
    /// before it counts them done. For tests that stretch the moments between threads.
    std::function<void(const TDirNode*)> OnRangeOpened;
};

class TFolderWalk
{
public:
    TFolderWalk(const TScanContext& context, TScanTree& tree, const TWalkSettings& settings);
    ~TFolderWalk();
    TFolderWalk(const TFolderWalk&) = delete;
    TFolderWalk& operator=(const TFolderWalk&) = delete;

    /// Walks the folder at `rootPath` into the tree and returns its node; nullptr when
    /// the context is cancelled on entry. Cancellation stops the walk early with a
    /// consistent partial tree. Rethrows the first error a thread met (EMaskException,
    /// out of memory) after every thread has stopped. With `opened`, the walk starts from
    /// that folder (taken over; closed: unreadable) instead of opening `rootPath`.
    TDirNode* Run(std::string_view rootPath, platform::FolderHandle* opened = nullptr);

    /// Called often on the thread that called Run (every few dozen entries, and every few
    /// milliseconds while it waits): where progress is reported from.
    std::function<void()> OnTick;

    /// Counters of the current or last Run: included files, folders entered (unreadable
    /// ones too), bytes of every file met. Any thread.
    std::int64_t Files() const;
    std::int64_t Dirs() const;
    std::int64_t Bytes() const;
    /// Path of a folder being listed now ("" when none). Any thread.
    std::string CurrentFolder() const;

private:
    struct Job;
    struct Item
    {
        Job* Owner;
        std::uint32_t Begin, End; ///< subfolders [Begin, End) of Owner
        std::uint64_t Serial;     ///< Owner's, to check that it was not recycled meanwhile
    };
    struct Worker;

    std::int64_t Sum(std::atomic<std::int64_t> Worker::*counter) const;
    void WorkerLoop(Worker& w);
    bool TakeWork(Worker& w, Item& item);
    bool TakeFrom(Worker& v, bool newest, Item& item);
    void Push(Worker& w, const Item& item);
    void WaitForWork(Worker& w);
    void Process(Worker& w, Item item);
    void RecordIdentity(Worker& w, TDirNode* node, const platform::FolderHandle& handle);
    void ListFolder(Worker& w, TDirNode* node, const platform::FolderHandle& handle);
    void AddEntry(Worker& w, TDirNode* node, const platform::DirEntry& e, std::int64_t& files,
                  std::int64_t& bytes);
    void KeepOrGiveUp(Job& parent, Job& job, platform::FolderHandle handle);
    void EnsureHandle(Job& job);
    bool ReopenFromAncestor(const Job& job, platform::FolderHandle& out);
    void ChildrenFinished(Worker& w, Job* job, std::uint32_t count);
    void FinishFolder(Worker& w, Job& job);
    Job* NewJob(Worker& w, TDirNode* node, Job* parent);
    void FreeJob(Worker& w, Job* job);
    void DropRef(Job& job);
    static bool TryPin(Job& job);
    bool Stopping() const;
    void Fail(std::exception_ptr error);
    void Tick(Worker& w);

    const TScanContext& FContext;
    TScanTree& FTree;
    TWalkSettings FSettings;
    std::size_t FBudget = 0;  ///< handles kept for listed folders
    std::size_t FHardCap = 0; ///< above it no parent stays open for a child
    std::unique_ptr<TScanFilter> FFilter;
    bool FSizeOnDisk = false;
    std::vector<std::unique_ptr<Worker>> FWorkers;

    // Shared by the walking threads during Run.
    std::atomic<std::int64_t> FPending{0};    ///< items queued or being processed
    std::atomic<std::int64_t> FQueued{0};     ///< items queued
    std::atomic<std::uint32_t> FIdle{0};      ///< threads waiting for work
    std::atomic<std::size_t> FOpenHandles{0}; ///< handles held by folders
    std::atomic<std::uint64_t> FJobSerial{0}; ///< numbers the uses of job records
    std::atomic<bool> FAbort{false};          ///< a thread failed: stop everyone
    std::mutex FWaitLock;                     ///< pairs with FWake; guards FError
    std::condition_variable FWake;
    std::exception_ptr FError;
    // Jobs live in chunks owned by the walk, recycled through each thread's free list,
    // so a failure part-way cannot leak one (or its handle).
    std::mutex FChunkLock; ///< guards FJobChunks
    std::vector<std::unique_ptr<Job[]>> FJobChunks;
};

} // namespace harrowdale
