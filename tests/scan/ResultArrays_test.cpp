// The flat array of every file, largest first, that the files list, the files map and
// the duplicates grouping read.

#include "scan/ResultArrays.h"
#include "support/NativePath.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <map>
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

// A report must read the same whichever system listed the folders: equal sizes folder by
// folder from the root, a folder's own files first, files and folders each by name, byte
// for byte (unsigned: UTF-8 after ASCII). Byte order of whole paths would differ between
// systems ('/' sorts before '-', digits and capitals, '\' after them).
TEST(ResultArrays, EqualSizesInNameOrderWhateverTheListingOrder)
{
    struct File
    {
        std::string Folder; // "" for the root's own files
        std::string Name;
        std::int64_t Size;
    };
    // Added in an order no listing would give, with sizes too large for the compact sort
    // in the second round.
    const File files[] = {
        {"dupA", "same.dat", 40},  {"b", "zeta", 5},
        {"dup", "same.dat", 40},   {"a", "\xc3\xa9t\xc3\xa9", 5},
        {"", "same.dat", 40},      {"dup/deeper", "same.dat", 40},
        {"b", "Zeta", 5},          {"a", "z", 7},
        {"dup-x", "same.dat", 40}, {"a", "zeta", 5},
        {"b", "\x01", 5},
    };
    const std::string expected[] = {
        "/r/same.dat",
        "/r/dup/same.dat",
        "/r/dup/deeper/same.dat",
        "/r/dup-x/same.dat",
        "/r/dupA/same.dat",
        "/r/a/z",
        "/r/a/zeta",
        "/r/a/\xc3\xa9t\xc3\xa9",
        "/r/b/\x01",
        "/r/b/Zeta",
        "/r/b/zeta",
    };
    for (const std::int64_t scale : {std::int64_t{1}, std::int64_t{1} << 55}) {
        SCOPED_TRACE(scale);
        test::TreeFixture fx;
        std::map<std::string, TDirNode*> folders{{"", fx.Root()}};
        const std::function<TDirNode*(const std::string&)> folder = [&](const std::string& path) {
            TDirNode*& node = folders[path];
            if (node == nullptr) {
                const std::size_t cut = path.rfind('/');
                node = cut == std::string::npos
                           ? fx.Folder(fx.Root(), path)
                           : fx.Folder(folder(path.substr(0, cut)), path.substr(cut + 1));
            }
            return node;
        };
        for (const File& f : files)
            fx.File(folder(f.Folder), f.Name, f.Size * scale);
        fx.Finish();

        const TFileArray all = FlattenAllFilesInNameOrder(fx.Root());
        EXPECT_EQ(all.TotalBytes, fx.Root()->TotalSize());
        ASSERT_EQ(all.Files.size(), std::size(expected));
        for (std::size_t i = 0; i < all.Files.size(); ++i)
            EXPECT_EQ(all.Files[i]->FullPath(), test::NativePath(expected[i])) << i;
    }
}

} // namespace
} // namespace harrowdale
