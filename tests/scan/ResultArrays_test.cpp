// The flat array of every file, largest first, that the files list, the files map and
// the duplicates grouping read.

#include "scan/ResultArrays.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

// The tree's files, a folder's own before its subfolders', sorted by size with a stable
// sort: the order the flat array must have.
std::vector<const TFileLeaf*> Reference(const TDirNode* root)
{
    std::vector<const TFileLeaf*> files;
    const std::function<void(const TDirNode*)> visit = [&](const TDirNode* n) {
        for (const TFileLeaf& f : n->Leaves())
            files.push_back(&f);
        for (const TDirNode* c : n->Children())
            visit(c);
    };
    visit(root);
    std::stable_sort(files.begin(), files.end(),
                     [](const TFileLeaf* a, const TFileLeaf* b) { return a->Size() > b->Size(); });
    return files;
}

void ExpectLikeReference(const TDirNode* root)
{
    const std::vector<const TFileLeaf*> want = Reference(root);
    const TFileArray got = FlattenAllFilesFromRoot(root);
    std::int64_t total = 0;
    for (const TFileLeaf* f : want)
        total += f->Size();
    EXPECT_EQ(got.TotalBytes, total);
    ASSERT_EQ(got.Files.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        ASSERT_EQ(got.Files[i], want[i])
            << "at " << i << ", sizes " << got.Files[i]->Size() << " and " << want[i]->Size();
}

TEST(ResultArrays, LargestFirstWithEqualSizesInTheTreesOrder)
{
    struct Case
    {
        const char* Name;
        std::vector<std::int64_t> Sizes; // repeated over the folders below
    };
    const Case cases[] = {
        {"ties and zeros", {5, 0, 5, 7, 0, 5, 1}},
        {"one file", {42}},
        {"every size equal", {3, 3, 3}},
        // Sizes too large to share 64 bits with a file's number, and negative sizes, take
        // the other way of sorting: same order.
        {"sizes of 2^59 bytes", {std::int64_t{1} << 59, 1, std::int64_t{1} << 59, 0}},
        {"a negative size", {4, -3, 4, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TreeFixture fx;
        TDirNode* a = fx.Folder(fx.Root(), "a");
        TDirNode* b = fx.Folder(a, "b");
        TDirNode* d = fx.Folder(fx.Root(), "d");
        int n = 0;
        for (TDirNode* folder : {fx.Root(), a, b, d})
            for (const std::int64_t size : c.Sizes)
                fx.File(folder, "f" + std::to_string(n++), size);
        fx.Finish();
        ExpectLikeReference(fx.Root());
    }
    test::TreeFixture empty;
    empty.Finish();
    EXPECT_TRUE(FlattenAllFilesFromRoot(empty.Root()).Files.empty());
    EXPECT_TRUE(FlattenAllFilesFromRoot(nullptr).Files.empty());
}

TEST(ResultArrays, BigTreesSortedOnTwoCoresGiveTheSameOrder)
{
    // Enough files to be cut in two halves sorted side by side and merged by two threads:
    // equal sizes on both sides of the cut and of the merge's middle, and a folder
    // bigger than half the tree, which the cut goes through.
    test::TreeFixture fx;
    TDirNode* big = fx.Folder(fx.Root(), "big");
    TDirNode* inner = fx.Folder(big, "inner");
    std::vector<TDirNode*> small;
    for (int i = 0; i < 50; ++i)
        small.push_back(fx.Folder(fx.Root(), "s" + std::to_string(i)));
    for (int i = 0; i < 150000; ++i) {
        TDirNode* folder = i % 5 == 0 ? small[i % 50] : (i % 2 ? big : inner);
        fx.File(folder, "f" + std::to_string(i), (i * 7919) % 1013);
    }
    fx.Finish();
    ExpectLikeReference(fx.Root());
}

} // namespace
} // namespace harrowdale
