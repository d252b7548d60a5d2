#include "views/Duplicates.h"

#include "platform/Casing.h"
#include "scan/SideBySide.h"
#include "ui/text/DisplayFormat.h"
#include "views/DupRanking.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <thread>

namespace harrowdale {

namespace {

/// One file of the current run of equal sizes: the hash of its upper-cased name and its
/// position in the processing order. While a block of equal hashes is split, `Hash` is
/// reused as the "same name as the block's first" flag.
struct TRunEntry
{
    std::uint64_t Hash;
    std::size_t Pos;
};

bool IsAsciiName(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

constexpr std::uint64_t kHashSeed = 0x9E3779B97F4A7C15ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

std::uint64_t MixWord(std::uint64_t h, std::uint64_t w)
{
    h = (h ^ w) * 0xFF51AFD7ED558CCDULL;
    return h ^ (h >> 32);
}

std::uint64_t LoadWord(std::string_view s, std::size_t i)
{
    std::uint64_t w = 0; // a short last word is padded with zero bytes
    std::memcpy(&w, s.data() + i, std::min<std::size_t>(8, s.size() - i));
    return w;
}

// The hash of an upper-cased key's bytes, eight at a time.
std::uint64_t UpperKeyHash(std::string_view upper)
{
    std::uint64_t h = kHashSeed ^ upper.size();
    for (std::size_t i = 0; i < upper.size(); i += 8)
        h = MixWord(h, LoadWord(upper, i));
    return h;
}

// UpperKeyHash of the upper-cased name. Names that upper-case to the same key must meet
// whatever their spelling ("file.txt" with a dotless i is "FILE.TXT" too), so every
// name is hashed as the bytes of its key. Most names are ASCII: those are upper-cased on
// the fly, a word at a time, which gives exactly the words of the key without building
// it for each of a million files. Equal hashes are confirmed by comparing the names.
std::uint64_t NameHash(std::string_view name)
{
    std::uint64_t h = kHashSeed ^ name.size();
    for (std::size_t i = 0; i < name.size(); i += 8) {
        std::uint64_t w = LoadWord(name, i);
        if ((w & kHighBits) != 0)
            return UpperKeyHash(platform::UpperCase(name));
        // Bytes 'a'..'z' lose their 0x20 bit: ASCII upper-casing of all eight at once.
        const std::uint64_t atLeastA = w + (0x80 - 'a') * kOnes;
        const std::uint64_t aboveZ = w + (0x80 - 'z' - 1) * kOnes;
        w ^= ((atLeastA & ~aboveZ) & kHighBits) >> 2;
        h = MixWord(h, w);
    }
    return h;
}

bool SameUpperName(std::string_view a, std::string_view b)
{
    if (IsAsciiName(a) && IsAsciiName(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
                return false;
        return true;
    }
    return platform::UpperCase(a) == platform::UpperCase(b);
}

/// How often each name hash of a run occurs: open addressing over twice as many slots as
/// entries, the count stopping at 2. Kept from run to run to spare allocations.
struct THashCounts
{
    std::vector<std::uint64_t> Keys;
    std::vector<std::uint8_t> Counts;
};

/// Removes the entries whose hash no other entry of the run has: most names in a run of
/// equal sizes are unique, and one pass over a small table is cheaper than sorting them.
/// The others keep their order.
void DropUniqueHashes(std::vector<TRunEntry>& run, THashCounts& table)
{
    constexpr std::size_t kSortDirectly = 64; // a small run is just sorted
    if (run.size() <= kSortDirectly)
        return;
    std::vector<std::uint64_t>& keys = table.Keys;
    std::vector<std::uint8_t>& counts = table.Counts;
    const std::size_t slots = std::bit_ceil(run.size() * 2);
    keys.assign(slots, 0);
    counts.assign(slots, 0);
    const auto slotOf = [&](std::uint64_t hash) {
        std::size_t i = static_cast<std::size_t>(hash * 0x9E3779B97F4A7C15ULL >> 32) & (slots - 1);
        while (counts[i] != 0 && keys[i] != hash)
            i = (i + 1) & (slots - 1);
        return i;
    };
    for (const TRunEntry& e : run) {
        const std::size_t i = slotOf(e.Hash);
        keys[i] = e.Hash;
        counts[i] = static_cast<std::uint8_t>(std::min(2, counts[i] + 1));
    }
    std::erase_if(run, [&](const TRunEntry& e) { return counts[slotOf(e.Hash)] < 2; });
}

/// Groups the files of one run of equal sizes. Equivalent to one pass with a dictionary
/// from key to members, restricted to the run: entries are sorted by (name hash, position), so
/// within a block of equal hashes the files keep the array order; a block is then split by the
/// actual upper-cased names (hashes may collide), each name taking its members in order.
template <typename TAt>
void GroupRun(std::vector<TRunEntry>& run, std::int64_t size, const TAt& at,
              TGroupSelector& selector, THashCounts& table)
{
    if (run.size() < 2)
        return;
    DropUniqueHashes(run, table);
    std::sort(run.begin(), run.end(), [](const TRunEntry& a, const TRunEntry& b) {
        return a.Hash != b.Hash ? a.Hash < b.Hash : a.Pos < b.Pos;
    });
    std::size_t b = 0;
    while (b < run.size()) {
        std::size_t e = b + 1;
        while (e < run.size() && run[e].Hash == run[b].Hash)
            ++e;
        const std::size_t blockEnd = e;
        // Split [b, e) by name: the first entry's name takes every entry of that name;
        // the others move up, in order, and are split again. One round unless hashes
        // collide.
        while (e - b >= 2) {
            const std::string_view first = at(run[b].Pos)->Name();
            std::size_t count = 0;
            for (std::size_t k = b; k < e; ++k) {
                const bool same = k == b || SameUpperName(at(run[k].Pos)->Name(), first);
                run[k].Hash = same ? 1 : 0;
                count += same ? 1 : 0;
            }
            // Entries are in position order within the block: the first is the group's first.
            const std::size_t firstPos = run[b].Pos;
            if (count >= 2 && selector.Offer(GroupProduct(count, size), firstPos)) {
                auto group = std::make_unique<TDupGroup>();
                group->Files.reserve(count);
                for (std::size_t k = b; k < e; ++k)
                    if (run[k].Hash == 1)
                        group->Files.push_back(at(run[k].Pos));
                // Named and dated after the member whose arrival made the group.
                const TFileLeaf* second = group->Files[1];
                group->FileName = std::string(second->Name());
                group->Size = size;
                group->ModifiedFT = second->ModifiedFT();
                group->Color = DupGroupColor(DuplicateKey(first, size));
                selector.Add(GroupProduct(count, size), firstPos, std::move(group));
            }
            const auto rest = std::remove_if(run.begin() + static_cast<std::ptrdiff_t>(b),
                                             run.begin() + static_cast<std::ptrdiff_t>(e),
                                             [](const TRunEntry& x) { return x.Hash == 1; });
            e = static_cast<std::size_t>(rest - run.begin());
        }
        b = blockEnd;
    }
}

// How far ahead the loops over an array of files start loading a file's record, and its
// name (whose address is in the record, so it is asked for once the record is in).
constexpr std::size_t kLeafAhead = 16;
constexpr std::size_t kNameAhead = 8;

/// True when files of equal size are adjacent: sizes never increase, or never decrease
/// (null entries ignored).
bool EqualSizesAdjacent(const std::vector<const TFileLeaf*>& files)
{
    bool down = true;
    bool up = true;
    const TFileLeaf* prev = nullptr;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i + kLeafAhead < files.size() && files[i + kLeafAhead] != nullptr)
            PrefetchForRead(files[i + kLeafAhead]);
        const TFileLeaf* f = files[i];
        if (f == nullptr)
            continue;
        if (prev != nullptr) {
            down = down && f->Size() <= prev->Size();
            up = up && f->Size() >= prev->Size();
            if (!down && !up)
                return false;
        }
        prev = f;
    }
    return true;
}

/// What a pass saw of the order of sizes: whether they went up or down anywhere, and
/// the first and last size.
struct TSizeOrder
{
    bool Any = false, Up = false, Down = false;
    std::int64_t First = 0, Last = 0;
};

/// Groups positions [begin, end) of `n`; runs of equal sizes must not cross `begin` or
/// `end`. `order`, when given, records how sizes changed from run to run.
template <typename TAt>
bool GroupAll(std::size_t begin, std::size_t end, std::size_t n, const TAt& at,
              const TDupProgress& progress, TGroupSelector& selector, TSizeOrder* order = nullptr)
{
    std::vector<TRunEntry> run;
    THashCounts table;
    std::int64_t runSize = 0;
    for (std::size_t p = begin; p < end; ++p) {
        if (p + kLeafAhead < end)
            if (const TFileLeaf* ahead = at(p + kLeafAhead))
                PrefetchForRead(ahead);
        if (p + kNameAhead < end)
            if (const TFileLeaf* ahead = at(p + kNameAhead))
                ahead->PrefetchName();
        const TFileLeaf* f = at(p);
        // Links of one file are one file, not duplicates: only the one that counts groups.
        if (f == nullptr || (f->Size() == 0 && f->IsExtraLink()))
            continue;
        const std::int64_t size = f->Size();
        if (run.empty() || size != runSize) {
            if (order != nullptr) {
                if (!order->Any)
                    order->First = size;
                else if (size > runSize)
                    order->Up = true;
                else
                    order->Down = true;
                order->Any = true;
                order->Last = size;
            }
            GroupRun(run, runSize, at, selector, table);
            run.clear();
            runSize = size;
            // Size the buffer for the whole run at once, so it never holds twice a run.
            std::size_t length = 0;
            for (std::size_t q = p; q < end; ++q) {
                const TFileLeaf* g = at(q);
                if (g == nullptr)
                    continue;
                if (g->Size() != runSize)
                    break;
                ++length;
            }
            if (length > run.capacity()) {
                std::vector<TRunEntry>().swap(run);
                run.reserve(length);
            }
        }
        // Names are hashed only once a run has a second file: a file of unique size (most
        // files) costs no upper-casing.
        run.push_back({0, p});
        if (run.size() == 2)
            run[0].Hash = NameHash(at(run[0].Pos)->Name());
        if (run.size() >= 2)
            run.back().Hash = NameHash(f->Name());
        if ((p % 800 == 0 || p == n - 1) && progress && !progress(p + 1, n))
            return false;
    }
    GroupRun(run, runSize, at, selector, table);
    return true;
}

constexpr std::size_t kParallelFiles = 200000;

// The first position at or after `p` where a run of equal sizes can start: past the files
// of the size of the last file before `p`.
std::size_t RunStartFrom(const std::vector<const TFileLeaf*>& files, std::size_t p)
{
    std::size_t q = p;
    while (q > 0 && files[q - 1] == nullptr)
        --q;
    if (q == 0)
        return p;
    const std::int64_t size = files[q - 1]->Size();
    while (p < files.size() && (files[p] == nullptr || files[p]->Size() == size))
        ++p;
    return p;
}

/// Groups an array thought sorted by size in slices on all cores, each slice whole runs,
/// taken by whichever core is free (the runs of small sizes hold most of the work). Each
/// slice notes how its sizes went; false, with `selector` untouched, when the array was not
/// sorted after all.
bool GroupInSlices(const std::vector<const TFileLeaf*>& files, std::size_t cap,
                   TGroupSelector& selector)
{
    const std::size_t n = files.size();
    constexpr std::size_t kSlices = 64;
    std::vector<std::size_t> bounds(kSlices + 1, n);
    bounds[0] = 0;
    for (std::size_t j = 1; j < kSlices; ++j)
        bounds[j] = RunStartFrom(files, std::max(bounds[j - 1], j * (n / kSlices)));
    std::vector<TGroupSelector> found;
    found.reserve(kSlices);
    for (std::size_t j = 0; j < kSlices; ++j)
        found.emplace_back(cap);
    std::vector<TSizeOrder> orders(kSlices);
    std::atomic<std::size_t> next{0};
    const auto at = [&files](std::size_t p) { return files[p]; };
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    RunSideBySide(threads, [&](std::size_t) {
        for (std::size_t j; (j = next.fetch_add(1)) < kSlices;)
            GroupAll(bounds[j], bounds[j + 1], n, at, {}, found[j], &orders[j]);
    });
    // Sorted means sizes never go both up and down, slice boundaries included.
    bool up = false, down = false;
    const TSizeOrder* last = nullptr;
    for (const TSizeOrder& o : orders) {
        if (!o.Any)
            continue;
        up = up || o.Up || (last != nullptr && o.First > last->Last);
        down = down || o.Down || (last != nullptr && o.First < last->Last);
        last = &o;
    }
    if (up && down)
        return false;
    for (TGroupSelector& f : found)
        selector.MergeFrom(f);
    return true;
}

} // namespace

void TDuplicates::Clear()
{
    // The maps refer to the groups: drop them first.
    ColorByFile.clear();
    GroupByFile.clear();
    Groups.clear();
    GroupsFound = 0;
}

std::string DuplicateKey(std::string_view name, std::int64_t size)
{
    std::string key = platform::UpperCase(name);
    key.push_back('|');
    key += std::to_string(size);
    return key;
}

bool BuildDuplicates(const std::vector<const TFileLeaf*>& allFiles, TDuplicates& out,
                     const TDupProgress& progress, std::size_t cap, bool fillMaps)
{
    out.Clear();
    const std::size_t n = allFiles.size();
    if (n == 0)
        return true;

    TGroupSelector selector(cap);
    // Without progress to report, an array sorted by size is grouped on all cores; whether
    // it is sorted is seen on the way.
    const bool grouped = !progress && n >= kParallelFiles && GroupInSlices(allFiles, cap, selector);
    const auto direct = [&allFiles](std::size_t p) { return allFiles[p]; };
    bool completed = grouped;
    if (!grouped && EqualSizesAdjacent(allFiles)) {
        completed = GroupAll(0, n, n, direct, progress, selector);
    } else if (!grouped) {
        // Not sorted by size: process in a stable size order, so equal sizes are adjacent
        // and keep their array order.
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&allFiles](std::size_t a, std::size_t b) {
            const TFileLeaf* fa = allFiles[a];
            const TFileLeaf* fb = allFiles[b];
            if (fa == nullptr || fb == nullptr)
                return fa != nullptr && fb == nullptr; // nulls last
            return fa->Size() > fb->Size();
        });
        completed = GroupAll(
            0, n, n, [&](std::size_t p) { return allFiles[order[p]]; }, progress, selector);
    }
    if (!completed)
        return false; // the selector frees the groups found so far

    out.GroupsFound = selector.Found();
    out.Groups = selector.Take();
    CountJoinedScans(out);
    if (fillMaps)
        FillDuplicateMaps(out);
    return true;
}

void CountJoinedScans(TDuplicates& dups)
{
    for (const auto& g : dups.Groups) {
        std::vector<const TDirNode*> parts;
        for (const TFileLeaf* f : g->Files)
            if (const TDirNode* part = f != nullptr ? JoinedPartOf(*f) : nullptr)
                if (std::find(parts.begin(), parts.end(), part) == parts.end())
                    parts.push_back(part);
        g->Scans = static_cast<std::uint32_t>(parts.size());
    }
}

void FillDuplicateMaps(TDuplicates& dups)
{
    std::size_t members = 0;
    for (const auto& g : dups.Groups)
        members += g->Files.size();
    dups.ColorByFile.reserve(members);
    dups.GroupByFile.reserve(members);
    for (const auto& g : dups.Groups) {
        for (const TFileLeaf* f : g->Files) {
            dups.ColorByFile[f] = g->Color;
            dups.GroupByFile[f] = g.get();
        }
    }
}

std::string DupGroupModifiedText(const TDupGroup& group)
{
    if (group.Files.empty() || group.Files.front() == nullptr)
        return {};
    const TDateTime t = group.Files.front()->GetModifiedDateTime();
    // Round to 1/10000 day as the groups list does; nearbyint rounds halves to even.
    const double d = std::nearbyint(t * 10000.0);
    if (!(d > 0))
        return {};
    return FormatDateText(d / 10000.0);
}

} // namespace harrowdale
