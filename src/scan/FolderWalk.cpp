#include "scan/FolderWalk.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <system_error>
#include <thread>

namespace harrowdale {

namespace {

constexpr std::size_t kListBufferBytes = 64 * 1024;
constexpr std::size_t kJobsPerChunk = 256;
constexpr unsigned kEntriesPerTick = 32;
// How long the calling thread waits for work before it ticks again.
constexpr auto kTickWait = std::chrono::milliseconds(10);

// Counters are written by their own thread only and read by any: a plain store suffices.
void Bump(std::atomic<std::int64_t>& counter, std::int64_t by = 1)
{
    counter.store(counter.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

} // namespace

/// A listed folder with subfolders, from its listing until its subtree is finished.
struct TFolderWalk::Job
{
    TDirNode* Node = nullptr;
    Job* Parent = nullptr;
    Job* NextFree = nullptr;
    std::uint64_t Serial = 0;      ///< new for every use of the record
    TDirNode** Children = nullptr; ///< as listed; nullptr where one was not entered
    std::uint32_t ChildCount = 0;
    std::atomic<std::uint32_t> Unopened{0}; ///< subfolders not yet opened
    /// Subfolders whose subtree is not done, plus one for each range of them being
    /// processed: the job outlives every thread that still works on it.
    std::atomic<std::uint32_t> Unfinished{0};
    /// Reasons to keep Handle open: opening the subfolders, subfolders waiting to be
    /// opened again from it, threads reopening a deeper folder through it. At zero the
    /// handle closes for good.
    std::atomic<std::uint32_t> HandleRefs{0};
    platform::FolderHandle Handle;
    platform::FileIdentity Identity; ///< recorded when the handle is given up
    bool GaveUp = false;             ///< the handle was closed after the listing
    bool ParentHeld = false;         ///< ... and the parent stays open to reopen it
    bool ExpansionRef = false;       ///< one of HandleRefs is for opening the subfolders
};

struct TFolderWalk::Worker
{
    Worker(TScanTree& tree, unsigned index)
        : Index(index), Builder(tree), Buffer(new char[kListBufferBytes]),
          Reader(std::span<char>(Buffer.get(), kListBufferBytes))
    {
    }

    const unsigned Index; ///< 0 is the thread that called Run
    TPartBuilder Builder;
    std::unique_ptr<char[]> Buffer;
    platform::DirReader Reader;
    TNewFile File; ///< the entry being added
    std::vector<TDirNode*> Subs;
    TExtIdCache Exts{Builder};
    TScanFilter::Scratch FilterScratch;
    std::string FolderPath;
    Job* FreeJobs = nullptr;
    unsigned SinceTick = 0;

    std::mutex QueueLock; ///< guards Queue
    std::deque<Item> Queue;

    // Written by this worker only, read by the progress reporter.
    alignas(64) std::atomic<std::int64_t> FilesCount{0};
    std::atomic<std::int64_t> DirsCount{0};
    std::atomic<std::int64_t> BytesCount{0};
    std::atomic<const TDirNode*> Current{nullptr};
};

TFolderWalk::TFolderWalk(const TScanContext& context, TScanTree& tree,
                         const TWalkSettings& settings)
    : FContext(context), FTree(tree), FSettings(settings)
{
    const std::size_t cap =
        FSettings.HandleBudget != 0 ? FSettings.HandleBudget : platform::FolderHandleBudget();
    FHardCap = std::max<std::size_t>(cap, 1);
    FBudget = std::max<std::size_t>(FHardCap * 2 / 3, 1);
    const unsigned threads = std::max(1u, FSettings.Threads);
    for (unsigned i = 0; i < threads; ++i)
        FWorkers.push_back(std::make_unique<Worker>(tree, i));
}

TFolderWalk::~TFolderWalk() = default;

std::int64_t TFolderWalk::Sum(std::atomic<std::int64_t> Worker::*counter) const
{
    std::int64_t n = 0;
    for (const auto& w : FWorkers)
        n += ((*w).*counter).load(std::memory_order_relaxed);
    return n;
}

std::int64_t TFolderWalk::Files() const
{
    return Sum(&Worker::FilesCount);
}

std::int64_t TFolderWalk::Dirs() const
{
    return Sum(&Worker::DirsCount);
}

std::int64_t TFolderWalk::Bytes() const
{
    return Sum(&Worker::BytesCount);
}

std::string TFolderWalk::CurrentFolder() const
{
    for (const auto& w : FWorkers)
        if (const TDirNode* n = w->Current.load(std::memory_order_acquire))
            return n->FullPath();
    return {};
}

bool TFolderWalk::Stopping() const
{
    return FAbort.load(std::memory_order_relaxed) || FContext.IsCancelled();
}

void TFolderWalk::Fail(std::exception_ptr error)
{
    const std::lock_guard lock(FWaitLock);
    if (!FError)
        FError = std::move(error);
    FAbort.store(true);
}

void TFolderWalk::Tick(Worker& w)
{
    if (w.Index == 0 && OnTick)
        OnTick();
}

TDirNode* TFolderWalk::Run(std::string_view rootPath, platform::FolderHandle* opened)
{
    for (const auto& w : FWorkers) {
        w->FilterScratch = {};
        w->FilesCount.store(0);
        w->DirsCount.store(0);
        w->BytesCount.store(0);
        w->Current.store(nullptr);
    }
    if (FContext.IsCancelled())
        return nullptr;
    FFilter = std::make_unique<TScanFilter>(FContext);
    FSizeOnDisk = FContext.SizeOnDisk;
    FAbort.store(false);
    FError = nullptr;
    FPending.store(0);
    FQueued.store(0);
    FOpenHandles.store(0);

    Worker& w0 = *FWorkers[0];
    TDirNode* root = w0.Builder.NewScanRoot(rootPath);
    Bump(w0.DirsCount);
    Tick(w0);
    Job* rootJob = nullptr;
    try {
        platform::FolderHandle handle;
        if (opened != nullptr)
            handle = std::move(*opened);
        else
            platform::OpenScanRoot(std::string(rootPath), handle);
        if (!handle.IsOpen()) {
            w0.Builder.SetReadError(root);
        } else {
            RecordIdentity(w0, root, handle);
            ListFolder(w0, root, handle);
            if (FSettings.OnFolderListed)
                FSettings.OnFolderListed(root);
            if (!w0.Subs.empty()) {
                rootJob = NewJob(w0, root, nullptr);
                rootJob->Handle = std::move(handle);
                // One reference opens the subfolders; the other keeps the root open for
                // the whole walk, the anchor every reopening can start from.
                rootJob->HandleRefs.store(2);
                rootJob->ExpansionRef = true;
                FOpenHandles.store(1);
                Push(w0, {rootJob, 0, rootJob->ChildCount, rootJob->Serial});
            }
        }
    } catch (...) {
        Fail(std::current_exception());
    }

    if (rootJob != nullptr) {
        std::vector<std::thread> threads;
        for (std::size_t i = 1; i < FWorkers.size(); ++i) {
            try {
                threads.emplace_back([this, i] { WorkerLoop(*FWorkers[i]); });
            } catch (const std::system_error&) {
                break; // fewer threads than asked for: the others do the work
            }
        }
        WorkerLoop(w0);
        for (std::thread& t : threads)
            t.join();
        DropRef(*rootJob);
    }

    // After a failure part-way some jobs never finished: give their handles back.
    for (const auto& chunk : FJobChunks)
        for (std::size_t i = 0; i < kJobsPerChunk; ++i)
            chunk[i].Handle.Close();
    FJobChunks.clear();
    for (const auto& w : FWorkers) {
        w->FreeJobs = nullptr;
        w->Current.store(nullptr);
        w->Builder.HandOver();
        w->Exts.Clear();
    }
    if (FError)
        std::rethrow_exception(FError);
    return root;
}

void TFolderWalk::WorkerLoop(Worker& w)
{
    Item item{};
    for (;;) {
        if (TakeWork(w, item)) {
            try {
                Process(w, item);
            } catch (...) {
                Fail(std::current_exception());
            }
            if (FPending.fetch_sub(1) == 1) {
                const std::lock_guard lock(FWaitLock);
                FWake.notify_all();
            }
            continue;
        }
        if (FPending.load() == 0)
            return;
        WaitForWork(w);
    }
}

bool TFolderWalk::TakeFrom(Worker& v, bool newest, Item& item)
{
    const std::lock_guard lock(v.QueueLock);
    if (v.Queue.empty())
        return false;
    item = newest ? v.Queue.back() : v.Queue.front();
    if (newest)
        v.Queue.pop_back();
    else
        v.Queue.pop_front();
    FQueued.fetch_sub(1);
    return true;
}

bool TFolderWalk::TakeWork(Worker& w, Item& item)
{
    // Its own queue newest first: depth-first, so few folders wait with an open handle.
    if (TakeFrom(w, true, item))
        return true;
    if (FQueued.load() == 0)
        return false;
    // Another's oldest first: the shallowest range, the most work for one steal.
    const std::size_t n = FWorkers.size();
    for (std::size_t k = 1; k < n; ++k)
        if (TakeFrom(*FWorkers[(w.Index + k) % n], false, item))
            return true;
    return false;
}

void TFolderWalk::Push(Worker& w, const Item& item)
{
    FPending.fetch_add(1);
    {
        const std::lock_guard lock(w.QueueLock);
        w.Queue.push_back(item);
    }
    FQueued.fetch_add(1);
    if (FIdle.load() > 0) {
        const std::lock_guard lock(FWaitLock);
        FWake.notify_one();
    }
}

void TFolderWalk::WaitForWork(Worker& w)
{
    {
        std::unique_lock lock(FWaitLock);
        FIdle.fetch_add(1);
        if (FQueued.load() == 0 && FPending.load() != 0) {
            if (w.Index == 0)
                FWake.wait_for(lock, kTickWait);
            else
                FWake.wait(lock);
        }
        FIdle.fetch_sub(1);
    }
    Tick(w);
}

void TFolderWalk::Process(Worker& w, Item item)
{
    Job& x = *item.Owner;
    assert(x.Serial == item.Serial);
    if (x.GaveUp) {
        // Only whole ranges exist of a folder that gave its handle up.
        if (!Stopping()) {
            EnsureHandle(x);
        } else {
            x.GaveUp = false;
            if (x.ParentHeld) {
                x.ParentHeld = false;
                DropRef(*x.Parent);
            }
        }
    }
    if (item.End - item.Begin >= 2 && FIdle.load(std::memory_order_relaxed) > 0 && !Stopping()) {
        // Someone waits: hand them the second half.
        const std::uint32_t mid = item.Begin + (item.End - item.Begin) / 2;
        x.Unfinished.fetch_add(1);
        Push(w, {&x, mid, item.End, x.Serial});
        item.End = mid;
    }
    std::uint32_t finished = 0;
    for (std::uint32_t i = item.Begin; i < item.End; ++i) {
        TDirNode* child = x.Children[i];
        if (Stopping()) {
            x.Children[i] = nullptr; // not entered
            ++finished;
            continue;
        }
        platform::FolderHandle handle;
        const platform::OpenResult r =
            x.Handle.IsOpen() ? platform::OpenSubfolder(x.Handle, child->Name(), handle)
                              : platform::OpenResult::Failed;
        if (r == platform::OpenResult::NotEntered) {
            x.Children[i] = nullptr; // a link or another mount: not counted
            ++finished;
            continue;
        }
        Bump(w.DirsCount);
        if (r == platform::OpenResult::Failed) {
            w.Builder.SetReadError(child);
            ++finished;
            Tick(w);
            continue;
        }
        RecordIdentity(w, child, handle);
        ListFolder(w, child, handle);
        if (FSettings.OnFolderListed)
            FSettings.OnFolderListed(child);
        if (w.Subs.empty()) {
            ++finished;
            continue;
        }
        Job* y = NewJob(w, child, &x);
        KeepOrGiveUp(x, *y, std::move(handle));
        Push(w, {y, 0, y->ChildCount, y->Serial});
    }
    if (FSettings.OnRangeOpened)
        FSettings.OnRangeOpened(x.Node);
    const std::uint32_t n = item.End - item.Begin;
    if (x.Unopened.fetch_sub(n) == n && x.ExpansionRef) {
        x.ExpansionRef = false;
        DropRef(x);
    }
    ChildrenFinished(w, &x, finished + 1); // and this range's hold on the job
}

void TFolderWalk::RecordIdentity(Worker& w, TDirNode* node, const platform::FolderHandle& handle)
{
    // Asked of the open folder, so it is the one listed; removal checks it later.
    platform::FileIdentity id;
    if (platform::IdentityOf(handle, id))
        w.Builder.SetIdentity(node, id);
}

void TFolderWalk::ListFolder(Worker& w, TDirNode* node, const platform::FolderHandle& handle)
{
    w.Current.store(node, std::memory_order_release);
    w.Reader.Start(handle);
    w.Subs.clear();
    if (FFilter->UsesPaths()) {
        w.FolderPath.clear();
        node->AppendFullPath(w.FolderPath);
        FFilter->StartFolder(w.FolderPath, w.FilterScratch);
    }
    std::int64_t files = w.FilesCount.load(std::memory_order_relaxed);
    std::int64_t bytes = w.BytesCount.load(std::memory_order_relaxed);
    platform::DirEntry e;
    try {
        while (!Stopping() && w.Reader.Next(e))
            AddEntry(w, node, e, files, bytes);
    } catch (...) {
        w.Builder.StoreFiles(node); // keeps what was listed; the builder starts clean
        throw;
    }
    if (w.Reader.Failed())
        w.Builder.SetReadError(node);
    w.Builder.StoreFiles(node);
    Tick(w);
}

void TFolderWalk::AddEntry(Worker& w, TDirNode* node, const platform::DirEntry& e,
                           std::int64_t& files, std::int64_t& bytes)
{
    if (e.Kind == platform::EntryKind::Directory) {
        w.Subs.push_back(w.Builder.NewChild(node, e.Name));
        return;
    }
    const std::int64_t size = FSizeOnDisk ? e.Allocated : e.Size;
    bytes += size;
    w.BytesCount.store(bytes, std::memory_order_relaxed);
    if (!FFilter->IsExcluded(e.Name, size, e.LastWriteTicks, w.FilterScratch)) {
        TNewFile& f = w.File;
        f.Name = w.Builder.StoreName(e.Name);
        f.Size = e.Size;
        f.ModifiedFT = e.LastWriteTicks;
        f.ExtId = w.Exts.IdOf(e.Name);
        f.Allocated = e.Allocated;
        f.NotRegular = e.NotRegular;
        f.Links = e.Links;
        f.Device = e.Id.Device;
        f.Inode = e.Id.Inode;
        w.Builder.AddFile(f);
        w.FilesCount.store(++files, std::memory_order_relaxed);
    }
    if (w.Index == 0 && ++w.SinceTick >= kEntriesPerTick) {
        w.SinceTick = 0;
        Tick(w);
    }
}

void TFolderWalk::KeepOrGiveUp(Job& parent, Job& job, platform::FolderHandle handle)
{
    if (FOpenHandles.load(std::memory_order_relaxed) < FBudget) {
        FOpenHandles.fetch_add(1);
        job.Handle = std::move(handle);
        job.HandleRefs.store(1, std::memory_order_relaxed); // published by the queue's lock
        job.ExpansionRef = true;
        return;
    }
    // Too many open: remember which folder this is, so that the one opened again later
    // can be checked, and close it.
    job.GaveUp = true;
    if (!platform::IdentityOf(handle, job.Identity))
        job.Identity = {}; // cannot be proved later: its subfolders will count as unreadable
    handle.Close();
    // The parent is open now (its subfolders are being opened); keeping it open a while
    // longer costs no new handle and makes the reopening one step.
    if (FOpenHandles.load(std::memory_order_relaxed) < FHardCap) {
        parent.HandleRefs.fetch_add(1);
        job.ParentHeld = true;
    }
}

void TFolderWalk::EnsureHandle(Job& job)
{
    job.GaveUp = false;
    platform::FolderHandle handle;
    bool ok = false;
    if (job.ParentHeld) {
        ok = platform::OpenSubfolder(job.Parent->Handle, job.Node->Name(), handle) ==
             platform::OpenResult::Opened;
        job.ParentHeld = false;
        DropRef(*job.Parent);
    } else {
        ok = ReopenFromAncestor(job, handle);
    }
    platform::FileIdentity id;
    if (ok && platform::IdentityOf(handle, id) && id == job.Identity) {
        job.Handle = std::move(handle);
        job.HandleRefs.store(1, std::memory_order_relaxed);
        job.ExpansionRef = true;
        FOpenHandles.fetch_add(1);
    }
    // Otherwise the folder is gone or is another one now: its subfolders cannot be
    // reached from what was listed, and count as unreadable.
}

bool TFolderWalk::TryPin(Job& job)
{
    std::uint32_t refs = job.HandleRefs.load();
    while (refs != 0)
        if (job.HandleRefs.compare_exchange_weak(refs, refs + 1))
            return true;
    return false;
}

bool TFolderWalk::ReopenFromAncestor(const Job& job, platform::FolderHandle& out)
{
    // The folders between the nearest ancestor still open and this one, deepest first.
    // The root stays open for the whole walk, so the climb always ends.
    std::vector<const Job*> chain{&job};
    Job* anchor = job.Parent;
    while (anchor != nullptr && !TryPin(*anchor)) {
        chain.push_back(anchor);
        anchor = anchor->Parent;
    }
    if (anchor == nullptr)
        return false;
    platform::FolderHandle current;
    const platform::FolderHandle* from = &anchor->Handle;
    bool ok = true;
    for (auto it = chain.rbegin(); it != chain.rend() && ok; ++it) {
        platform::FolderHandle next;
        ok = platform::OpenSubfolder(*from, (*it)->Node->Name(), next) ==
             platform::OpenResult::Opened;
        current = std::move(next);
        from = &current;
    }
    DropRef(*anchor);
    if (ok)
        out = std::move(current);
    return ok;
}

void TFolderWalk::DropRef(Job& job)
{
    if (job.HandleRefs.fetch_sub(1) == 1) {
        job.Handle.Close();
        FOpenHandles.fetch_sub(1);
    }
}

void TFolderWalk::ChildrenFinished(Worker& w, Job* job, std::uint32_t count)
{
    // Whoever finishes a folder's last subfolder finishes the folder, and so on upwards.
    for (;;) {
        if (job->Unfinished.fetch_sub(count) != count)
            return;
        FinishFolder(w, *job);
        Job* parent = job->Parent;
        if (parent == nullptr)
            return; // the root's job: Run releases it
        FreeJob(w, job);
        job = parent;
        count = 1;
    }
}

void TFolderWalk::FinishFolder(Worker& w, Job& job)
{
    TDirNode** children = job.Children;
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < job.ChildCount; ++i)
        if (children[i] != nullptr)
            children[kept++] = children[i];
    w.Builder.AttachChildren(job.Node, children, kept);
    w.Builder.BuildExtStats(job.Node);
}

TFolderWalk::Job* TFolderWalk::NewJob(Worker& w, TDirNode* node, Job* parent)
{
    if (w.FreeJobs == nullptr) {
        auto chunk = std::make_unique<Job[]>(kJobsPerChunk);
        for (std::size_t i = 0; i < kJobsPerChunk; ++i) {
            chunk[i].NextFree = w.FreeJobs;
            w.FreeJobs = &chunk[i];
        }
        const std::lock_guard lock(FChunkLock);
        FJobChunks.push_back(std::move(chunk));
    }
    Job* job = w.FreeJobs;
    w.FreeJobs = job->NextFree;
    job->NextFree = nullptr;
    job->Serial = FJobSerial.fetch_add(1, std::memory_order_relaxed) + 1;
    job->Node = node;
    job->Parent = parent;
    job->Children = w.Builder.StoreChildren(w.Subs);
    job->ChildCount = static_cast<std::uint32_t>(w.Subs.size());
    job->Unopened.store(job->ChildCount, std::memory_order_relaxed);
    job->Unfinished.store(job->ChildCount + 1, std::memory_order_relaxed); // + its first range
    job->HandleRefs.store(0, std::memory_order_relaxed);
    job->Identity = {};
    job->GaveUp = job->ParentHeld = job->ExpansionRef = false;
    return job;
}

void TFolderWalk::FreeJob(Worker& w, Job* job)
{
    job->Handle.Close();
    job->Serial = 0;
    job->NextFree = w.FreeJobs;
    w.FreeJobs = job;
}

} // namespace harrowdale
