// What only Linux's walk meets: chains of folders deeper than a path can be long, opened
// from descriptors; folders renamed or replaced by links while they are walked; fifos;
// hard links and sparse files, compared with du.

#include "scan/DiskScanner.h"
#include "scan/ScanWith.h"
#include "support/TempDir.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale {
namespace {

using test::AllLeafNames;
using test::FindChild;
using test::FindLeaf;
using test::ScanResult;
using test::ScanWith;
using test::TempDir;

TEST(DiskScanner, FifoCountsAsAFileThatIsNotRegular)
{
    TempDir t;
    t.MakeFile("plain.txt", 10);
    ASSERT_EQ(::mkfifo((t / "pipe").c_str(), 0644), 0);
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    const TFileLeaf* pipe = FindLeaf(r.Root, "pipe");
    ASSERT_NE(pipe, nullptr);
    EXPECT_TRUE(pipe->IsNotRegular());
    EXPECT_FALSE(FindLeaf(r.Root, "plain.txt")->IsNotRegular());
    EXPECT_EQ(r.Root->TotalFiles(), 2);
    EXPECT_EQ(r.Root->ExtStats().Get("(none)").Files, 1);
}

TEST(DiskScanner, DeepChainIsCountedExactly)
{
    // Far past the 4,096 bytes a path may have: every folder is opened from its parent.
    constexpr int kDepth = 50000, kEvery = 1000;
    TempDir t(test::MemoryScratchBase()); // 50,000 folders: far faster in memory
    test::MakeFolderChain(t.Path(), kDepth, kEvery, 3);
    TScanContext ctx;
    ctx.Threads = 3;
    const ScanResult r = ScanWith(ctx, t.Path());
    ASSERT_NE(r.Root, nullptr);
    EXPECT_EQ(r.Root->TotalDirs(), kDepth + 1);
    EXPECT_EQ(r.Dirs, kDepth + 1);
    EXPECT_EQ(r.Root->TotalFiles(), kDepth / kEvery);
    EXPECT_EQ(r.Root->TotalSize(), 3 * (kDepth / kEvery));
    const TDirNode* n = r.Root;
    int depth = 0;
    bool anyError = n->ReadError();
    while (!n->Children().empty()) {
        n = n->Children()[0];
        ++depth;
        anyError = anyError || n->ReadError();
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_FALSE(anyError);
    EXPECT_EQ(n->FullPath().size(), t.Path().size() + 2 * kDepth);
    ASSERT_EQ(n->Leaves().size(), 1u);
    EXPECT_EQ(n->Leaves()[0].FullPath(), n->FullPath() + "/f");
}

TEST(DiskScanner, FolderSwappedDuringTheWalkIsNeverFollowed)
{
    // root/x/a/b/inner.bin; when a has been listed, before b is opened, the test swaps
    // b or a itself for a link to a folder outside, or a for another real folder that
    // also holds a "b". A handle budget of 3 makes a give its handle up and reopen from
    // its parent; a budget of 1 makes it reopen from the root, through x.
    enum class Swap
    {
        ChildForLink,
        FolderForLink,
        FolderForAnother
    };
    struct Case
    {
        const char* Label;
        Swap What;
        std::size_t Budget; // 0: the platform's
        bool BListed;       // b is a folder of the tree
        bool InnerCounted;
        bool BUnreadable;
    };
    const Case cases[] = {
        {"b becomes a link; a kept open", Swap::ChildForLink, 0, false, false, false},
        {"b becomes a link; a reopened from x", Swap::ChildForLink, 3, false, false, false},
        {"b becomes a link; a reopened from the root", Swap::ChildForLink, 1, false, false, false},
        {"a becomes a link; a kept open", Swap::FolderForLink, 0, true, true, false},
        {"a becomes a link; a reopened from x", Swap::FolderForLink, 3, true, false, true},
        {"a becomes a link; a reopened from the root", Swap::FolderForLink, 1, true, false, true},
        {"a replaced; a kept open", Swap::FolderForAnother, 0, true, true, false},
        {"a replaced; a reopened from x", Swap::FolderForAnother, 3, true, false, true},
        {"a replaced; a reopened from the root", Swap::FolderForAnother, 1, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TempDir t, outside;
        t.MakeFile("top.bin", 5);
        t.MakeDir("x/a/b");
        t.MakeFile("x/a/a-file", 1);
        t.MakeFile("x/a/b/inner.bin", 10);
        outside.MakeDir("b");
        outside.MakeFile("b/secret.bin", 1000);
        outside.MakeDir("other/b");
        outside.MakeFile("other/b/secret.bin", 1000);

        TWalkSettings settings;
        settings.HandleBudget = c.Budget;
        settings.OnFolderListed = [&](const TDirNode* n) {
            if (n->Name() != "a")
                return;
            if (c.What == Swap::ChildForLink) {
                ASSERT_EQ(std::rename((t / "x/a/b").c_str(), (t / "b-moved").c_str()), 0);
                t.MakeLink(outside.Path(), "x/a/b");
                return;
            }
            ASSERT_EQ(std::rename((t / "x/a").c_str(), (t / "a-moved").c_str()), 0);
            if (c.What == Swap::FolderForLink)
                t.MakeLink(outside.Path(), "x/a");
            else
                ASSERT_EQ(std::rename((outside / "other").c_str(), (t / "x/a").c_str()), 0);
        };
        TScanContext ctx;
        const ScanResult r = ScanWith(ctx, t.Path(), &settings);
        ASSERT_NE(r.Root, nullptr);
        const std::vector<std::string> names = AllLeafNames(r.Root);
        EXPECT_EQ(std::count(names.begin(), names.end(), "secret.bin"), 0);
        EXPECT_EQ(r.Root->TotalFiles(), c.InnerCounted ? 3 : 2);
        EXPECT_EQ(r.Root->TotalSize(), c.InnerCounted ? 16 : 6);
        EXPECT_EQ(r.Root->TotalDirs(), c.BListed ? 4 : 3);
        const TDirNode* x = FindChild(r.Root, "x");
        const TDirNode* a = x ? FindChild(x, "a") : nullptr;
        ASSERT_NE(a, nullptr);
        const TDirNode* b = FindChild(a, "b");
        ASSERT_EQ(b != nullptr, c.BListed);
        if (b != nullptr) {
            EXPECT_EQ(b->ReadError(), c.BUnreadable);
        }
    }
}

std::string Shell(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr)
        return out;
    std::array<char, 256> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    ::pclose(p);
    return out;
}

// What du counts for a tree, less what it counts for the folders themselves (a scan
// counts files only): one file system, sizes in bytes, each file once.
std::int64_t DuFiles(const std::string& root, bool apparent)
{
    const std::string du = Shell(std::string("du -s -x -B1 ") +
                                 (apparent ? "--apparent-size " : "") + "'" + root + "'");
    std::int64_t folders = 0;
    static thread_local std::int64_t* sum = nullptr;
    static thread_local bool byLength = false;
    sum = &folders;
    byLength = apparent;
    ::nftw(
        root.c_str(),
        [](const char*, const struct stat* st, int flag, struct FTW*) {
            if (flag == FTW_D)
                *sum += byLength ? st->st_size : st->st_blocks * 512;
            return 0;
        },
        16, FTW_PHYS | FTW_MOUNT);
    return std::atoll(du.c_str()) - folders;
}

// The name that comes first in the folder's listing among `names`.
std::string FirstListed(const std::string& folder, const std::vector<std::string>& names)
{
    DIR* d = ::opendir(folder.c_str());
    std::string first;
    while (const dirent* e = d ? ::readdir(d) : nullptr)
        if (std::find(names.begin(), names.end(), e->d_name) != names.end()) {
            first = e->d_name;
            break;
        }
    if (d != nullptr)
        ::closedir(d);
    return first;
}

TEST(DiskScanner, HardLinksCountOnceAsDuDoesOrEveryTime)
{
    TempDir t;
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeDir("c");
    t.MakeDir("d");
    t.MakeFile("a/one", 100000);
    t.MakeFile("b/x", 5000);
    t.MakeFile("d/plain", 300);
    for (const auto& [from, to] :
         {std::pair{"a/one", "a/two"}, std::pair{"a/one", "a/three"}, std::pair{"b/x", "c/y"}})
        ASSERT_EQ(::link((t / from).c_str(), (t / to).c_str()), 0);
    const std::int64_t met = 3 * 100000 + 2 * 5000 + 300;

    for (const unsigned threads : {1u, 4u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        TScanContext once;
        once.Threads = threads;
        const ScanResult r = ScanWith(once, t.Path());
        EXPECT_EQ(r.Root->TotalSize(), DuFiles(t.Path(), true));
        EXPECT_EQ(r.Root->TotalSize(), 105300);
        EXPECT_EQ(r.Root->TotalFiles(), 3);
        EXPECT_EQ(r.Files, 3);
        EXPECT_EQ(r.Bytes, met); // every link was met
        EXPECT_EQ(r.Root->ExtStats().Get("(none)").Files, 3);
        // The first link in the tree's order is the one that counts; the others are
        // listed, counting nothing.
        const TDirNode* a = FindChild(r.Root, "a");
        ASSERT_EQ(a->Leaves().size(), 3u);
        const std::string first = FirstListed(t / "a", {"one", "two", "three"});
        for (const TFileLeaf& f : a->Leaves()) {
            EXPECT_EQ(f.IsExtraLink(), f.Name() != first) << f.Name();
            EXPECT_EQ(f.Size(), f.Name() == first ? 100000 : 0) << f.Name();
        }
        const std::string firstFolder = FirstListed(t.Path(), {"b", "c"});
        EXPECT_EQ(FindChild(r.Root, firstFolder)->TotalFiles(), 1);
        const TDirNode* later = FindChild(r.Root, firstFolder == "b" ? "c" : "b");
        EXPECT_EQ(later->TotalFiles(), 0);
        ASSERT_EQ(later->Leaves().size(), 1u);
        EXPECT_TRUE(later->Leaves()[0].IsExtraLink());
        EXPECT_EQ(r.Tree->HardLinks(), THardLinks::Once);
        const TLinkInfo* info = r.Tree->LinkInfo(FindLeaf(a, first));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->Links, 3u);

        TScanContext each;
        each.Threads = threads;
        each.CountEveryHardLink = true;
        const ScanResult e = ScanWith(each, t.Path());
        EXPECT_EQ(e.Root->TotalSize(), met);
        EXPECT_EQ(e.Root->TotalFiles(), 6);
        EXPECT_EQ(e.Files, 6);
        EXPECT_EQ(e.Tree->HardLinks(), THardLinks::Each);
    }

    // One scanner over two folders, as over two drives: the second link is a repeat.
    TScanContext ctx;
    TScanTree tree;
    TDiskScanner scanner(ctx, tree);
    EXPECT_EQ(scanner.Scan(t / "b")->TotalFiles(), 1);
    EXPECT_EQ(scanner.Scan(t / "c")->TotalFiles(), 0);
    EXPECT_EQ(scanner.Files(), 1);
    EXPECT_EQ(scanner.Bytes(), 10000);
}

// Writes `bytes` of data at `offset` into a new file whose length is `length`.
void MakeDataFile(const std::string& path, std::int64_t length, std::int64_t offset,
                  std::int64_t bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string data(static_cast<std::size_t>(bytes), 'x');
    if (fd < 0 || ::pwrite(fd, data.data(), data.size(), offset) != bytes ||
        ::ftruncate(fd, length) != 0 || ::fsync(fd) != 0)
        throw std::runtime_error("cannot write " + path);
    ::close(fd);
}

TEST(DiskScanner, SizeOnDiskMatchesDuAndDrivesTheSizeFilter)
{
    TempDir t;
    t.MakeDir("sub");
    MakeDataFile(t / "sparse.img", 8 << 20, 1 << 20, 4096); // 8 MiB long, one block
    MakeDataFile(t / "sub/dense.bin", 100 * 1024, 0, 100 * 1024);
    t.MakeFile("empty.txt", 0);
    struct stat sparse
    {
    };
    ASSERT_EQ(::stat((t / "sparse.img").c_str(), &sparse), 0);
    const std::int64_t sparseBlocks = sparse.st_blocks * 512;
    ASSERT_LT(sparseBlocks, 64 * 1024) << "the file system does not keep holes";

    struct Case
    {
        bool OnDisk;
        bool Filter; // leave out files under 64 KiB, by the measure counted
        std::vector<std::string> Names;
    };
    const Case cases[] = {
        {false, false, {"dense.bin", "empty.txt", "sparse.img"}},
        {true, false, {"dense.bin", "empty.txt", "sparse.img"}},
        {false, true, {"dense.bin", "sparse.img"}},
        {true, true, {"dense.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.OnDisk ? "on disk" : "apparent") + (c.Filter ? ", filter" : ""));
        TScanContext ctx;
        ctx.SizeOnDisk = c.OnDisk;
        ctx.ExcludeLessThan = c.Filter;
        ctx.LessThanBytes = 64 * 1024;
        const ScanResult r = ScanWith(ctx, t.Path());
        std::vector<std::string> names = AllLeafNames(r.Root);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.Names);
        const std::int64_t du = DuFiles(t.Path(), !c.OnDisk);
        EXPECT_EQ(r.Bytes, du); // met: every file, by the measure counted
        if (!c.Filter) {
            EXPECT_EQ(r.Root->TotalSize(), du);
        }
        EXPECT_EQ(r.Tree->SizeKind(), c.OnDisk ? TSizeKind::OnDisk : TSizeKind::Apparent);
        const TFileLeaf* img = FindLeaf(r.Root, "sparse.img");
        if (img != nullptr) {
            EXPECT_EQ(img->ApparentSize(), 8 << 20);
            EXPECT_EQ(img->AllocatedSize(), sparseBlocks);
            EXPECT_EQ(img->Size(), c.OnDisk ? sparseBlocks : 8 << 20);
        }
    }
}

} // namespace
} // namespace harrowdale
