#include "views/ContentDuplicates.h"

#include "platform/ContentFiles.h"
#include "views/ContentHash.h"
#include "views/DupRanking.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>
#include <tuple>

namespace harrowdale {

namespace {

/// The first piece read of every file: most files of equal length differ in it already.
constexpr std::int64_t kHeadBytes = 4096;
/// Files up to this length are hashed whole when their head is hashed.
constexpr std::int64_t kWholeHeadBytes = 16 * 1024;
/// From this length on the system is asked to read ahead: for smaller files the request
/// costs more than it saves.
constexpr std::int64_t kReadAheadFrom = 256 * 1024;
constexpr auto kProgressPeriod = std::chrono::milliseconds(90);

struct TMember
{
    const TFileLeaf* Leaf = nullptr;
    std::uint32_t Pos = 0; ///< in the array of all files
    // The first look at it (its length is the class's).
    std::int64_t LastWriteNs = 0;
    platform::FileIdentity Id;
    THash128 Hash;
    bool Looked = false;
    bool Dropped = false; ///< unreadable, changed, or another link of a file met before
};

/// One length's files: positions [Begin, End) of the candidate list.
struct TLengthClass
{
    std::uint32_t Begin = 0, End = 0;
    std::int64_t Size = 0;
};

/// What the reading threads share.
struct TShared
{
    TShared(const platform::ContentRoots& roots, const TScanContext& context,
            const TContentSettings& settings)
        : Roots(roots), Context(context), Settings(settings), Best(settings.Cap)
    {
    }
    const platform::ContentRoots& Roots;
    const TScanContext& Context;
    const TContentSettings& Settings;
    std::mutex BestLock; ///< guards Best
    /// The best groups of every thread: one cap for all, so memory holds no more groups
    /// than the result keeps.
    TGroupSelector Best;
    std::atomic<std::int64_t> BytesRead{0};
    std::atomic<std::int64_t> FilesDone{0};
    std::atomic<std::int64_t> Unreadable{0};
    std::atomic<const TFileLeaf*> Current{nullptr};

    bool Cancelled() const { return Context.IsCancelled(); }
};

/// Checks the files of one length at a time; one per reading thread, with its own buffer,
/// hasher and the best groups it found.
class TLengthChecker
{
public:
    // The buffer is not cleared: only the pages reads reach take memory.
    explicit TLengthChecker(TShared& shared) : FShared(shared), FBuffer(new char[kBufferBytes]) {}

    void Check(std::vector<TMember>& members, std::int64_t size);

private:
    using TSet = std::vector<TMember*>;

    bool Open(TMember& m, platform::ContentFile& file);
    bool LooksUnchanged(TMember& m, const platform::ContentFile& file);
    bool SameAsFirstLook(const TMember& m, const platform::FileStamp& stamp) const
    {
        return stamp.Size == FSize && stamp.LastWriteNs == m.LastWriteNs && stamp.Id == m.Id;
    }
    void Drop(TMember& m);
    bool HashFile(TMember& m, std::int64_t length);
    std::vector<TSet> ReadSideBySide(const TSet& set);
    bool FitsInBuffer(std::size_t files) const
    {
        return FSize <= kWholeHeadBytes && static_cast<std::uint64_t>(FSize) * files <=
                                               static_cast<std::uint64_t>(kBufferBytes);
    }
    std::vector<TSet> ReadAllAtOnce(const TSet& set);
    void SplitByHash(TSet& set, bool hashIsWhole);
    void Confirm(TSet set);
    void Emit(TSet& group);

    TShared& FShared;
    std::unique_ptr<char[]> FBuffer; ///< kBufferBytes
    TContentHasher FHasher;
    std::int64_t FSize = 0; ///< the length being checked
};

void TLengthChecker::Drop(TMember& m)
{
    if (!m.Dropped)
        FShared.Unreadable.fetch_add(1, std::memory_order_relaxed);
    m.Dropped = true;
}

// Opens a member and looks at it: the first look must find the length the tree has, every
// later one what the first found.
bool TLengthChecker::Open(TMember& m, platform::ContentFile& file)
{
    FShared.Current.store(m.Leaf, std::memory_order_relaxed);
    platform::FileStamp stamp;
    if (!FShared.Roots.OpenFile(m.Leaf->FullPath(), file) || !file.Look(stamp)) {
        Drop(m);
        return false;
    }
    if (!m.Looked) {
        m.LastWriteNs = stamp.LastWriteNs;
        m.Id = stamp.Id;
        m.Looked = true;
    }
    if (!SameAsFirstLook(m, stamp)) {
        Drop(m);
        file.Close();
        return false;
    }
    if (FShared.Settings.OnFileOpened)
        FShared.Settings.OnFileOpened(m.Leaf);
    return true;
}

bool TLengthChecker::LooksUnchanged(TMember& m, const platform::ContentFile& file)
{
    platform::FileStamp stamp;
    if (file.Look(stamp) && SameAsFirstLook(m, stamp))
        return true;
    Drop(m);
    return false;
}

// Hashes the first `length` bytes of a member.
bool TLengthChecker::HashFile(TMember& m, std::int64_t length)
{
    platform::ContentFile file;
    if (!Open(m, file))
        return false;
    if (length >= kReadAheadFrom)
        file.WillReadWhole();
    FHasher.Reset();
    for (std::int64_t offset = 0; offset < length;) {
        if (FShared.Cancelled())
            return false;
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(length - offset, static_cast<std::int64_t>(kBufferBytes)));
        const std::int64_t n = file.ReadAt(FBuffer.get(), want, offset);
        FShared.BytesRead.fetch_add(std::max<std::int64_t>(n, 0), std::memory_order_relaxed);
        if (n != static_cast<std::int64_t>(want)) { // a read error, or the file shrank
            Drop(m);
            return false;
        }
        FHasher.Update(FBuffer.get(), want);
        offset += n;
    }
    m.Hash = FHasher.Digest();
    return LooksUnchanged(m, file);
}

// Reads the members of `set` (at most kSideBySideFiles) side by side and returns the sets
// of members whose bytes are all equal, each of two members or more, in `set`'s order.
// A member that is alone with its bytes stops being read.
std::vector<TLengthChecker::TSet> TLengthChecker::ReadSideBySide(const TSet& set)
{
    const std::size_t k = set.size();
    std::array<platform::ContentFile, kSideBySideFiles> files;
    std::vector<std::size_t> alive;
    for (std::size_t i = 0; i < k; ++i) {
        if (FShared.Cancelled())
            return {};
        if (!Open(*set[i], files[i]))
            continue;
        // A hard link the tree did not know of: the same file, met again.
        const bool seen = std::any_of(alive.begin(), alive.end(),
                                      [&](std::size_t j) { return set[j]->Id == set[i]->Id; });
        if (seen) {
            set[i]->Dropped = true;
            files[i].Close();
            continue;
        }
        if (FSize >= kReadAheadFrom)
            files[i].WillReadWhole();
        alive.push_back(i);
    }
    const std::size_t slot = std::max<std::size_t>(kHeadBytes, kBufferBytes / k / 4096 * 4096);
    const auto bytesOf = [&](std::size_t i) { return FBuffer.get() + i * slot; };
    std::vector<std::vector<std::size_t>> parts;
    if (alive.size() >= 2)
        parts.push_back(std::move(alive));
    for (std::int64_t offset = 0; offset < FSize && !parts.empty();) {
        const std::int64_t chunk = offset == 0 ? kHeadBytes : static_cast<std::int64_t>(slot);
        const auto len = static_cast<std::size_t>(std::min(FSize - offset, chunk));
        std::vector<std::vector<std::size_t>> next;
        for (const std::vector<std::size_t>& part : parts) {
            // Members of one part had equal bytes so far: split them by this chunk's.
            std::vector<std::vector<std::size_t>> split;
            for (const std::size_t i : part) {
                if (FShared.Cancelled())
                    return {};
                const std::int64_t n = files[i].ReadAt(bytesOf(i), len, offset);
                FShared.BytesRead.fetch_add(std::max<std::int64_t>(n, 0),
                                            std::memory_order_relaxed);
                if (n != static_cast<std::int64_t>(len)) {
                    Drop(*set[i]);
                    files[i].Close();
                    continue;
                }
                auto same = std::find_if(split.begin(), split.end(), [&](const auto& s) {
                    return std::memcmp(bytesOf(s.front()), bytesOf(i), len) == 0;
                });
                if (same == split.end())
                    split.push_back({i});
                else
                    same->push_back(i);
            }
            for (std::vector<std::size_t>& s : split) {
                if (s.size() >= 2)
                    next.push_back(std::move(s));
                else
                    files[s.front()].Close();
            }
        }
        parts = std::move(next);
        offset += static_cast<std::int64_t>(len);
    }
    std::vector<TSet> equal;
    for (const std::vector<std::size_t>& part : parts) {
        TSet same;
        for (const std::size_t i : part)
            if (LooksUnchanged(*set[i], files[i]))
                same.push_back(set[i]);
        if (same.size() >= 2)
            equal.push_back(std::move(same));
    }
    return equal;
}

// Several members that are one file (hard links the tree did not know of): the first
// stands for it.
void KeepOneOfEachFile(std::vector<TMember*>& set)
{
    std::sort(set.begin(), set.end(), [](const TMember* a, const TMember* b) {
        return std::tie(a->Id.Device, a->Id.Inode, a->Pos) <
               std::tie(b->Id.Device, b->Id.Inode, b->Pos);
    });
    set.erase(std::unique(set.begin(), set.end(),
                          [](const TMember* a, const TMember* b) { return a->Id == b->Id; }),
              set.end());
}

// Small files that fit in the buffer together: each is opened once and read whole, and
// the sets of equal bytes are found by comparing them there.
std::vector<TLengthChecker::TSet> TLengthChecker::ReadAllAtOnce(const TSet& set)
{
    const auto len = static_cast<std::size_t>(FSize);
    const auto bytesOf = [&](std::size_t i) { return FBuffer.get() + i * len; };
    std::vector<std::size_t> read;
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (FShared.Cancelled())
            return {};
        platform::ContentFile file;
        if (!Open(*set[i], file))
            continue;
        const std::int64_t n = file.ReadAt(bytesOf(i), len, 0);
        FShared.BytesRead.fetch_add(std::max<std::int64_t>(n, 0), std::memory_order_relaxed);
        if (n != FSize) {
            Drop(*set[i]);
            continue;
        }
        if (LooksUnchanged(*set[i], file))
            read.push_back(i);
    }
    std::sort(read.begin(), read.end(), [&](std::size_t a, std::size_t b) {
        const int c = std::memcmp(bytesOf(a), bytesOf(b), len);
        return c != 0 ? c < 0 : set[a]->Pos < set[b]->Pos;
    });
    std::vector<TSet> equal;
    for (std::size_t b = 0; b < read.size();) {
        std::size_t e = b + 1;
        while (e < read.size() && std::memcmp(bytesOf(read[b]), bytesOf(read[e]), len) == 0)
            ++e;
        TSet same;
        for (std::size_t k = b; k < e; ++k)
            same.push_back(set[read[k]]);
        KeepOneOfEachFile(same);
        if (same.size() >= 2)
            equal.push_back(std::move(same));
        b = e;
    }
    return equal;
}

// Sorts `set` by hash and goes on with each run of equal hashes: read side by side when
// few, else confirmed (with `hashIsWhole`) or hashed whole first.
void TLengthChecker::SplitByHash(TSet& set, bool hashIsWhole)
{
    std::sort(set.begin(), set.end(), [](const TMember* a, const TMember* b) {
        return a->Hash != b->Hash ? a->Hash < b->Hash : a->Pos < b->Pos;
    });
    for (std::size_t b = 0; b < set.size() && !FShared.Cancelled();) {
        std::size_t e = b + 1;
        while (e < set.size() && set[e]->Hash == set[b]->Hash)
            ++e;
        TSet run(set.begin() + static_cast<std::ptrdiff_t>(b),
                 set.begin() + static_cast<std::ptrdiff_t>(e));
        b = e;
        if (run.size() < 2)
            continue;
        if (FitsInBuffer(run.size())) {
            for (TSet& g : ReadAllAtOnce(run))
                Emit(g);
        } else if (run.size() <= kSideBySideFiles) {
            for (TSet& g : ReadSideBySide(run))
                Emit(g);
        } else if (hashIsWhole) {
            Confirm(std::move(run));
        } else {
            TSet hashed;
            for (TMember* m : run)
                if (HashFile(*m, FSize))
                    hashed.push_back(m);
            SplitByHash(hashed, true);
        }
    }
}

// Members whose whole hashes are equal, more than can be read side by side: each batch is
// read beside the first member, and those found equal to it join its group. Members found
// different (a hash collision) are checked again among themselves.
void TLengthChecker::Confirm(TSet pending)
{
    while (pending.size() >= 2 && !FShared.Cancelled()) {
        if (pending.size() <= kSideBySideFiles) {
            for (TSet& g : ReadSideBySide(pending))
                Emit(g);
            return;
        }
        TMember* leader = pending.front();
        TSet group{leader};
        TSet others;
        std::size_t next = 1;
        while (next < pending.size() && !leader->Dropped) {
            TSet batch{leader};
            for (; next < pending.size() && batch.size() < kSideBySideFiles; ++next)
                batch.push_back(pending[next]);
            const std::vector<TSet> equal = ReadSideBySide(batch);
            if (FShared.Cancelled())
                return;
            for (TMember* m : batch) {
                if (m == leader || m->Dropped)
                    continue;
                const bool withLeader = std::any_of(equal.begin(), equal.end(), [&](const TSet& s) {
                    return s.front() == leader && std::find(s.begin(), s.end(), m) != s.end();
                });
                (withLeader ? group : others).push_back(m);
            }
        }
        if (leader->Dropped) {
            // Those found equal to it are checked again, without it.
            TSet again(group.begin() + 1, group.end());
            again.insert(again.end(), others.begin(), others.end());
            again.insert(again.end(), pending.begin() + static_cast<std::ptrdiff_t>(next),
                         pending.end());
            pending = std::move(again);
            continue;
        }
        if (group.size() >= 2)
            Emit(group);
        pending = std::move(others);
    }
}

void TLengthChecker::Emit(TSet& group)
{
    std::sort(group.begin(), group.end(),
              [](const TMember* a, const TMember* b) { return a->Pos < b->Pos; });
    const std::int64_t product = GroupProduct(group.size(), FSize);
    {
        const std::lock_guard guard(FShared.BestLock);
        if (!FShared.Best.Offer(product, group.front()->Pos))
            return;
    }
    auto g = std::make_unique<TDupGroup>();
    const TFileLeaf* first = group.front()->Leaf;
    g->FileName = std::string(first->Name());
    g->Size = FSize;
    g->ModifiedFT = first->ModifiedFT();
    g->Color = DupGroupColor(DuplicateKey(g->FileName, FSize));
    std::vector<std::string_view> names;
    for (const TMember* m : group) {
        g->Files.push_back(m->Leaf);
        if (m->Leaf->Name() != g->FileName)
            names.push_back(m->Leaf->Name());
    }
    std::sort(names.begin(), names.end());
    g->OtherNames =
        static_cast<std::uint32_t>(std::unique(names.begin(), names.end()) - names.begin());
    // Other threads may have added better groups since the look above.
    const std::lock_guard guard(FShared.BestLock);
    if (FShared.Best.Wants(product, group.front()->Pos))
        FShared.Best.Add(product, group.front()->Pos, std::move(g));
}

void TLengthChecker::Check(std::vector<TMember>& members, std::int64_t size)
{
    FSize = size;
    TSet set;
    for (TMember& m : members)
        set.push_back(&m);
    if (FitsInBuffer(set.size())) {
        for (TSet& g : ReadAllAtOnce(set))
            Emit(g);
        return;
    }
    if (set.size() <= kSideBySideFiles) {
        for (TSet& g : ReadSideBySide(set))
            Emit(g);
        return;
    }
    // Too many to read side by side: a hash of each head (of the whole of a small file).
    const bool headIsWhole = size <= kWholeHeadBytes;
    TSet hashed;
    for (TMember* m : set) {
        if (FShared.Cancelled())
            return;
        if (HashFile(*m, headIsWhole ? size : kHeadBytes))
            hashed.push_back(m);
    }
    KeepOneOfEachFile(hashed);
    SplitByHash(hashed, headIsWhole);
}

/// The files that have another of their length, by length, largest first; each file with
/// several links once (its first link in the array). Positions are 4 bytes: a tree holds
/// fewer than 2^32 files (each costs tens of bytes of memory).
struct TCandidates
{
    std::vector<std::uint32_t> Positions;
    std::vector<TLengthClass> Classes;
    std::int64_t Bytes = 0;
};

bool IsCandidate(const TFileLeaf* f)
{
    return f != nullptr && !f->IsNotRegular() && f->ApparentSize() > 0 && !f->IsExtraLink();
}

// Keeps the first link of each file among `run`, the positions of files of one length.
void DropLaterLinks(const std::vector<const TFileLeaf*>& allFiles, std::vector<std::uint32_t>& run)
{
    std::vector<std::pair<const TLinkInfo*, std::size_t>> linked;
    for (std::size_t k = 0; k < run.size(); ++k) {
        const TFileLeaf* f = allFiles[run[k]];
        if (const TLinkInfo* link = f->HasLinks() ? f->Parent()->Tree()->LinkInfo(f) : nullptr)
            linked.emplace_back(link, k);
    }
    if (linked.size() < 2)
        return;
    std::sort(linked.begin(), linked.end(), [](const auto& x, const auto& y) {
        return std::tie(x.first->Device, x.first->Inode, x.second) <
               std::tie(y.first->Device, y.first->Inode, y.second);
    });
    std::vector<bool> repeat(run.size(), false);
    for (std::size_t j = 1; j < linked.size(); ++j)
        repeat[linked[j].second] = linked[j].first->Device == linked[j - 1].first->Device &&
                                   linked[j].first->Inode == linked[j - 1].first->Inode;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < run.size(); ++k)
        if (!repeat[k])
            run[kept++] = run[k];
    run.resize(kept);
}

TCandidates FindCandidates(const std::vector<const TFileLeaf*>& allFiles)
{
    // Files of one length must be adjacent. The array is sorted by the size the tree
    // counts: by length, unless the tree counts space on disk; then an index sorted by
    // length (stable: equal lengths keep the array's order) stands in for it.
    bool sorted = true;
    std::int64_t last = std::numeric_limits<std::int64_t>::max();
    for (const TFileLeaf* f : allFiles) {
        if (!IsCandidate(f))
            continue;
        sorted = sorted && f->ApparentSize() <= last;
        last = f->ApparentSize();
    }
    std::vector<std::uint32_t> order;
    if (!sorted) {
        for (std::size_t i = 0; i < allFiles.size(); ++i)
            if (IsCandidate(allFiles[i]))
                order.push_back(static_cast<std::uint32_t>(i));
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return allFiles[a]->ApparentSize() > allFiles[b]->ApparentSize();
        });
    }
    const std::size_t n = sorted ? allFiles.size() : order.size();
    const auto at = [&](std::size_t k) {
        return sorted ? static_cast<std::uint32_t>(k) : order[k];
    };
    // Runs of one length with two files or more, `visit`ed in order.
    std::vector<std::uint32_t> run;
    const auto forEachRun = [&](const auto& visit) {
        for (std::size_t k = 0; k < n;) {
            if (!IsCandidate(allFiles[at(k)])) {
                ++k;
                continue;
            }
            const std::int64_t size = allFiles[at(k)]->ApparentSize();
            run.clear();
            for (; k < n; ++k) {
                const TFileLeaf* f = allFiles[at(k)];
                if (!IsCandidate(f))
                    continue;
                if (f->ApparentSize() != size)
                    break;
                run.push_back(at(k));
            }
            if (run.size() >= 2)
                visit(size);
        }
    };
    // Counted first, so the lists are allocated once at their size.
    std::size_t files = 0, lengths = 0;
    forEachRun([&](std::int64_t) {
        files += run.size();
        ++lengths;
    });
    TCandidates c;
    c.Positions.reserve(files);
    c.Classes.reserve(lengths);
    forEachRun([&](std::int64_t size) {
        DropLaterLinks(allFiles, run);
        if (run.size() < 2)
            return;
        const auto begin = static_cast<std::uint32_t>(c.Positions.size());
        c.Positions.insert(c.Positions.end(), run.begin(), run.end());
        c.Classes.push_back({begin, static_cast<std::uint32_t>(c.Positions.size()), size});
        c.Bytes += size * static_cast<std::int64_t>(run.size());
    });
    return c;
}

unsigned ReadingThreads(unsigned asked)
{
    if (asked > 0)
        return asked;
    // Several reads in flight even on few cores: on a disk that seeks, reading waits.
    return std::clamp(std::thread::hardware_concurrency() * 2, 4u, 8u);
}

} // namespace

TContentOutcome BuildContentDuplicates(const TDirNode* root,
                                       const std::vector<const TFileLeaf*>& allFiles,
                                       TDuplicates& out, const TScanContext& context,
                                       const TContentSettings& settings)
{
    out.Clear();
    TContentOutcome outcome;
    if (!platform::ContentReadingAvailable()) {
        outcome.Status = TContentStatus::Unavailable;
        return outcome;
    }
    TCandidates cand = FindCandidates(allFiles);
    outcome.Candidates = static_cast<std::int64_t>(cand.Positions.size());
    outcome.CandidateBytes = cand.Bytes;
    if (cand.Classes.empty())
        return outcome;
    const platform::ContentRoots roots(ScanRoots(root));
    if (roots.OpenCount() == 0) {
        outcome.Status = TContentStatus::RootMissing;
        return outcome;
    }

    TShared shared(roots, context, settings);
    const unsigned threads =
        std::min<unsigned>(ReadingThreads(settings.Threads),
                           static_cast<unsigned>(std::min<std::size_t>(cand.Classes.size(), 64)));
    std::vector<std::unique_ptr<TLengthChecker>> checkers;
    for (unsigned t = 0; t < threads; ++t)
        checkers.push_back(std::make_unique<TLengthChecker>(shared));

    std::atomic<std::size_t> nextClass{0};
    std::mutex lock; // guards running and error
    std::condition_variable finished;
    unsigned running = threads;
    std::exception_ptr error;
    const auto work = [&](TLengthChecker& checker) {
        try {
            std::vector<TMember> members;
            for (std::size_t i; (i = nextClass.fetch_add(1)) < cand.Classes.size();) {
                if (context.IsCancelled())
                    break;
                const TLengthClass& lc = cand.Classes[i];
                members.clear();
                // At its size: a class of many files would otherwise grow the records to
                // twice their need, and hold both copies while it grows.
                members.reserve(lc.End - lc.Begin);
                for (std::size_t k = lc.Begin; k < lc.End; ++k) {
                    members.emplace_back().Leaf = allFiles[cand.Positions[k]];
                    members.back().Pos = cand.Positions[k];
                }
                checker.Check(members, lc.Size);
                shared.FilesDone.fetch_add(static_cast<std::int64_t>(members.size()),
                                           std::memory_order_relaxed);
            }
        } catch (...) {
            const std::lock_guard guard(lock);
            if (!error)
                error = std::current_exception();
            nextClass.store(cand.Classes.size()); // the others stop after their class
        }
        const std::lock_guard guard(lock);
        --running;
        finished.notify_one();
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) {
        try {
            pool.emplace_back(work, std::ref(*checkers[t]));
        } catch (const std::system_error&) {
            work(*checkers[t]); // no thread to be had: this one reads
        }
    }
    const auto snapshot = [&] {
        TContentProgress p;
        p.BytesRead = shared.BytesRead.load(std::memory_order_relaxed);
        p.BytesToRead = cand.Bytes;
        p.FilesDone = shared.FilesDone.load(std::memory_order_relaxed);
        p.Files = outcome.Candidates;
        p.Current = shared.Current.load(std::memory_order_relaxed);
        return p;
    };
    {
        std::unique_lock wait(lock);
        while (!finished.wait_for(wait, kProgressPeriod, [&] { return running == 0; })) {
            if (!settings.OnProgress)
                continue;
            wait.unlock();
            settings.OnProgress(snapshot());
            wait.lock();
        }
    }
    for (std::thread& t : pool)
        t.join();
    if (error)
        std::rethrow_exception(error);

    outcome.BytesRead = shared.BytesRead.load();
    outcome.Unreadable = shared.Unreadable.load();
    if (context.IsCancelled()) {
        outcome.Status = TContentStatus::Cancelled;
        return outcome;
    }
    out.GroupsFound = shared.Best.Found();
    out.Groups = shared.Best.Take();
    CountJoinedScans(out);
    if (settings.FillMaps)
        FillDuplicateMaps(out);
    return outcome;
}

} // namespace harrowdale
