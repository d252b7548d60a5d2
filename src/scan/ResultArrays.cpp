#include "scan/ResultArrays.h"

#include "scan/FileOrder.h"
#include "scan/SideBySide.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <utility>

namespace harrowdale {

namespace {

/// One part of the tree's files, sorted largest first with equal sizes in the part's order.
/// Each file is one 64-bit key, its size's rank above its index in `Leaves`, so the sort
/// moves 8 bytes a file and ties keep the order in which the files were collected.
struct TSortedPart
{
    std::vector<const TFileLeaf*> Leaves; ///< in the tree's order
    std::vector<std::uint64_t> Keys;      ///< sorted
    std::int64_t MaxSize = 0;
    int IndexBits = 0;

    std::int64_t SizeAt(std::size_t i) const
    {
        return MaxSize - static_cast<std::int64_t>(Keys[i] >> IndexBits);
    }
    const TFileLeaf* LeafAt(std::size_t i) const
    {
        return Leaves[Keys[i] & ((std::uint64_t{1} << IndexBits) - 1)];
    }
};

// Sorts `keys` by bits [from, to) only, least significant digit first: each pass is stable,
// so keys equal in those bits keep their order.
void RadixSort(std::vector<std::uint64_t>& keys, int from, int to)
{
    constexpr int kDigitBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
    std::vector<std::uint64_t> other(keys.size());
    std::vector<std::size_t> count(kBuckets);
    for (int shift = from; shift < to; shift += kDigitBits) {
        const std::uint64_t mask = kBuckets - 1;
        std::fill(count.begin(), count.end(), 0);
        for (const std::uint64_t k : keys)
            ++count[(k >> shift) & mask];
        if (count[(keys.front() >> shift) & mask] == keys.size())
            continue; // one digit for all: nothing moves
        std::size_t at = 0;
        for (std::size_t& c : count)
            at += std::exchange(c, at);
        for (const std::uint64_t k : keys)
            other[count[(k >> shift) & mask]++] = k;
        keys.swap(other);
    }
}

// Collects one part (`collect` calls its argument for each file, in order) and sorts it.
// False when a size is negative or the sizes and indexes do not fit in 64 bits together;
// the caller then sorts otherwise.
template <typename TCollect>
bool SortPart(std::int64_t expectedFiles, const TCollect& collect, TSortedPart& part)
{
    const auto expected = static_cast<std::size_t>(std::max<std::int64_t>(0, expectedFiles));
    part.Leaves.reserve(expected);
    part.Keys.reserve(expected);
    std::int64_t minSize = 0;
    collect([&](const TFileLeaf& f) {
        part.Leaves.push_back(&f);
        part.Keys.push_back(static_cast<std::uint64_t>(f.Size()));
        part.MaxSize = std::max(part.MaxSize, f.Size());
        minSize = std::min(minSize, f.Size());
    });
    const std::size_t n = part.Leaves.size(); // the files met, whatever the totals say
    part.IndexBits = std::max(1, static_cast<int>(std::bit_width(n)));
    const int sizeBits = static_cast<int>(std::bit_width(static_cast<std::uint64_t>(part.MaxSize)));
    if (minSize < 0 || sizeBits + part.IndexBits > 64)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        part.Keys[i] =
            (static_cast<std::uint64_t>(part.MaxSize) - part.Keys[i]) << part.IndexBits | i;
    if (n > 1)
        RadixSort(part.Keys, part.IndexBits, part.IndexBits + sizeBits);
    return true;
}

// The number of the first `d` merged files that come from `a` (equal sizes: a's first).
std::size_t MergeSplit(const TSortedPart& a, const TSortedPart& b, std::size_t d)
{
    const std::size_t na = a.Keys.size(), nb = b.Keys.size();
    std::size_t lo = d > nb ? d - nb : 0, hi = std::min(d, na);
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const std::size_t j = d - mid;
        if (j > 0 && a.SizeAt(mid) >= b.SizeAt(j - 1))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

template <typename TCollect> TFileArray SortByComparison(const TCollect& collect)
{
    using Keyed = std::pair<std::int64_t, const TFileLeaf*>;
    std::vector<Keyed> all;
    collect([&all](const TFileLeaf& f) { all.emplace_back(f.Size(), &f); });
    std::stable_sort(all.begin(), all.end(),
                     [](const Keyed& a, const Keyed& b) { return a.first > b.first; });
    TFileArray result;
    result.Files.reserve(all.size());
    for (const Keyed& k : all) {
        result.Files.push_back(k.second);
        result.TotalBytes += k.first;
    }
    return result;
}

// Calls `visit` for the files below `root` folder by folder from the root, a folder's own
// files before its subfolders', files and subfolders each by name, byte for byte.
template <typename TVisit> void ForEachFileInNameOrder(const TDirNode* root, const TVisit& visit)
{
    const auto byName = [](const auto* a, const auto* b) { return a->Name() < b->Name(); };
    std::vector<const TDirNode*> stack{root}; // no recursion: trees can be deeper than the stack
    std::vector<const TFileLeaf*> files;
    std::vector<const TDirNode*> folders;
    while (!stack.empty()) {
        const TDirNode* n = stack.back();
        stack.pop_back();
        files.clear();
        for (const TFileLeaf& f : n->Leaves())
            files.push_back(&f);
        std::sort(files.begin(), files.end(), byName);
        for (const TFileLeaf* f : files)
            visit(*f);
        const auto children = n->Children();
        folders.assign(children.begin(), children.end());
        std::sort(folders.begin(), folders.end(), byName);
        stack.insert(stack.end(), folders.rbegin(), folders.rend());
    }
}

// Counts the extra links of an array sorted largest first: they count nothing, so only the
// entries of no size at its end are read.
TFileArray WithExtraLinksCounted(TFileArray files)
{
    files.ExtraLinks = 0;
    for (auto it = files.Files.rbegin(); it != files.Files.rend() && (*it)->Size() <= 0; ++it)
        files.ExtraLinks += (*it)->IsExtraLink() ? 1 : 0;
    return files;
}

TFileArray FlattenInSizeOrder(const TDirNode* root);

} // namespace

TFileArray FlattenAllFilesFromRoot(const TDirNode* root)
{
    return WithExtraLinksCounted(FlattenInSizeOrder(root));
}

namespace {

TFileArray FlattenInSizeOrder(const TDirNode* root)
{
    if (root == nullptr)
        return {};
    // A big tree is cut in two halves, each collected and sorted by its own core, then
    // merged by both: each writes one half of the result. Sizes are radix-sorted as keys
    // that carry the file's index, 8 bytes a file instead of a 16-byte pair, which also
    // keeps the peak at 24 bytes a file while it runs.
    const std::vector<TFilePieces> parts = SplitFileOrder(root, 2);
    std::vector<TSortedPart> sorted(2);
    std::vector<char> fits(parts.size(), 0);
    const auto collect = [&parts](std::size_t k) {
        return [&parts, k](const auto& visit) { ForEachFile(parts[k], visit); };
    };
    RunSideBySide(parts.size(), [&](std::size_t k) {
        fits[k] = SortPart(CountFiles(parts[k]), collect(k), sorted[k]);
    });
    if (std::find(fits.begin(), fits.end(), 0) != fits.end()) {
        // A size below zero, or of tens of terabytes.
        return SortByComparison([&](const auto& visit) {
            for (std::size_t k = 0; k < parts.size(); ++k)
                collect(k)(visit);
        });
    }

    const TSortedPart& a = sorted[0];
    const TSortedPart& b = sorted[1];
    const std::size_t total = a.Keys.size() + b.Keys.size();
    TFileArray result;
    result.Files.resize(total);
    const std::size_t half = total / 2;
    const std::size_t fromA[3] = {0, MergeSplit(a, b, half), a.Keys.size()};
    const std::size_t outAt[3] = {0, half, total};
    std::int64_t bytes[2] = {0, 0};
    RunSideBySide(parts.size() > 1 ? 2 : 1, [&](std::size_t k) {
        const std::size_t first = parts.size() > 1 ? k : 0;
        const std::size_t last = parts.size() > 1 ? k + 1 : 2;
        std::size_t x = fromA[first], y = outAt[first] - fromA[first];
        const std::size_t xEnd = fromA[last], yEnd = outAt[last] - fromA[last];
        std::int64_t sum = 0;
        for (std::size_t o = outAt[first]; o < outAt[last]; ++o) {
            const bool fromFirst = y == yEnd || (x != xEnd && a.SizeAt(x) >= b.SizeAt(y));
            const TSortedPart& p = fromFirst ? a : b;
            const std::size_t i = fromFirst ? x++ : y++;
            result.Files[o] = p.LeafAt(i);
            sum += p.SizeAt(i);
        }
        bytes[k] = sum;
    });
    result.TotalBytes = bytes[0] + bytes[1];
    return result;
}

} // namespace

TFileArray FlattenAllFilesInNameOrder(const TDirNode* root)
{
    if (root == nullptr)
        return {};
    const auto collect = [root](const auto& visit) { ForEachFileInNameOrder(root, visit); };
    TSortedPart part;
    if (!SortPart(root->TotalFiles(), collect, part))
        return WithExtraLinksCounted(SortByComparison(collect));
    TFileArray result;
    result.Files.reserve(part.Keys.size());
    for (std::size_t i = 0; i < part.Keys.size(); ++i) {
        result.Files.push_back(part.LeafAt(i));
        result.TotalBytes += part.SizeAt(i);
    }
    return WithExtraLinksCounted(std::move(result));
}

TFileArray WithoutExtraLinks(TFileArray files)
{
    auto tail = files.Files.end();
    while (tail != files.Files.begin() && (*(tail - 1))->Size() <= 0)
        --tail;
    files.Files.erase(std::remove_if(tail, files.Files.end(),
                                     [](const TFileLeaf* f) { return f->IsExtraLink(); }),
                      files.Files.end());
    files.ExtraLinks = 0;
    return files;
}

TFileArray BuildDisplayFiles(const TFileArray& all, std::size_t cap)
{
    TFileArray result;
    const std::size_t n = std::min(all.Files.size(), cap);
    result.Files.assign(all.Files.begin(), all.Files.begin() + static_cast<std::ptrdiff_t>(n));
    for (const TFileLeaf* f : result.Files)
        result.TotalBytes += f->Size();
    return WithExtraLinksCounted(std::move(result));
}

} // namespace harrowdale
