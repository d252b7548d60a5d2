// Files with several hard links, counted once: every link stays listed, one carries the
// bytes, and the count follows the links as they are removed.

#include "scan/ResultArrays.h"
#include "scan/ScanWith.h"
#include "support/TempDir.h"
#include "views/Duplicates.h"
#include "views/FindQuery.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace harrowdale {
namespace {

using test::FindChild;
using test::FindLeaf;
using test::ScanResult;
using test::ScanWith;
using test::TempDir;

// one.dat has three links: in the root (whose own files come first in the tree's order,
// so it carries the bytes) and twice in a/. e/two.dat is an empty file named as a link.
struct TThreeLinks
{
    TempDir T;
    TThreeLinks()
    {
        test::WriteFileBytes(T / "one.dat", std::string(100000, 'x')); // not sparse
        T.MakeFile("plain.txt", 300);
        T.MakeDir("a");
        T.MakeDir("e");
        T.MakeHardLink("one.dat", "a/two.dat");
        T.MakeHardLink("one.dat", "a/three.dat");
        T.MakeFile("e/two.dat", 0);
    }
    ScanResult ScanOnce(bool onDisk) const
    {
        TScanContext once;
        once.SizeOnDisk = onDisk;
        return ScanWith(once, T.Path());
    }
    std::int64_t Allocated() const
    {
        struct stat st
        {
        };
        return ::stat((T / "one.dat").c_str(), &st) == 0 ? st.st_blocks * 512 : -1;
    }
};

TEST(ExtraLinks, EveryLinkListedBytesCountedOnce)
{
    const TThreeLinks fx;
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk ? "on disk" : "apparent");
        const ScanResult r = fx.ScanOnce(onDisk);
        const std::int64_t size = onDisk ? fx.Allocated() : 100000;
        const TDirNode* a = FindChild(r.Root, "a");
        const TFileLeaf* one = FindLeaf(r.Root, "one.dat");
        ASSERT_NE(one, nullptr);
        EXPECT_FALSE(one->IsExtraLink());
        EXPECT_EQ(one->Size(), size);
        ASSERT_EQ(a->Leaves().size(), 2u);
        for (const TFileLeaf& f : a->Leaves()) {
            EXPECT_TRUE(f.IsExtraLink()) << f.Name();
            EXPECT_TRUE(f.HasLinks());
            EXPECT_EQ(f.Size(), 0);
            EXPECT_EQ(f.ApparentSize(), 0);
            EXPECT_EQ(f.AllocatedSize(), 0);
            ASSERT_NE(r.Tree->LinkInfo(&f), nullptr);
            EXPECT_EQ(r.Tree->LinkInfo(&f)->Links, 3u);
        }
        // Totals, folder sizes and extension tables as if the links were not there.
        EXPECT_EQ(r.Root->TotalFiles(), 3);
        EXPECT_EQ(r.Files, 3);
        EXPECT_EQ(a->TotalSize(), 0);
        EXPECT_EQ(a->TotalFiles(), 0);
        EXPECT_TRUE(a->ExtStats().Empty());
        EXPECT_EQ(r.Root->ExtStats().Get(".dat").Files, 2);
        EXPECT_EQ(r.Root->ExtStats().Get(".dat").Bytes, size);

        // The flat array lists every link; its counts and bytes are the files'.
        const TFileArray all = FlattenAllFilesFromRoot(r.Root);
        EXPECT_EQ(all.Files.size(), 5u);
        EXPECT_EQ(all.ExtraLinks, 2);
        EXPECT_EQ(all.CountedFiles(), 3);
        EXPECT_EQ(all.TotalBytes, r.Root->TotalSize());
        EXPECT_EQ(WithoutExtraLinks(all).Files.size(), 3u);
        EXPECT_EQ(FlattenAllFilesInNameOrder(r.Root).ExtraLinks, 2);
        EXPECT_EQ(BuildDisplayFiles(all).ExtraLinks, 2);

        // Find finds every link, each with the bytes it counts.
        TFindCriteria ask;
        ask.Name = ".dat";
        ask.Folders = false;
        TFindQuery query(ask);
        const std::atomic<bool> stop{false};
        std::int64_t found = 0;
        const TFindTotals totals =
            FindEntries(r.Root, query, stop, [&](std::span<const TEntryRef> m, std::int64_t) {
                found += static_cast<std::int64_t>(m.size());
            });
        EXPECT_EQ(totals.Matches, 4); // three links and the empty e/two.dat
        EXPECT_EQ(found, 4);
        EXPECT_EQ(totals.Bytes, size);

        // A link is no duplicate: not of the file's other links, nor of an empty file of
        // its name.
        TDuplicates dups;
        ASSERT_TRUE(BuildDuplicates(all.Files, dups));
        EXPECT_TRUE(dups.Groups.empty());
    }

    TScanContext each;
    each.CountEveryHardLink = true;
    const ScanResult e = ScanWith(each, fx.T.Path());
    EXPECT_EQ(e.Root->TotalSize(), 300300);
    EXPECT_EQ(e.Root->TotalFiles(), 5);
    EXPECT_EQ(FindChild(e.Root, "a")->TotalSize(), 200000);
    for (const TFileLeaf& f : FindChild(e.Root, "a")->Leaves())
        EXPECT_FALSE(f.IsExtraLink());
    EXPECT_EQ(FlattenAllFilesFromRoot(e.Root).ExtraLinks, 0);
}

TEST(ExtraLinks, RemovingLinksKeepsTheFileCountedUntilItsLastLink)
{
    const TThreeLinks fx;
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk ? "on disk" : "apparent");
        const ScanResult r = fx.ScanOnce(onDisk);
        TScanTree& tree = *r.Tree;
        const TDirNode* a = FindChild(r.Root, "a");
        const std::int64_t size = FindLeaf(r.Root, "one.dat")->Size();
        const std::int64_t apparent = FindLeaf(r.Root, "one.dat")->ApparentSize();
        const std::int64_t allocated = FindLeaf(r.Root, "one.dat")->AllocatedSize();
        const std::int64_t total = r.Root->TotalSize();
        const auto links = [&](const TDirNode* d, std::string_view name) {
            return tree.LinkInfo(FindLeaf(d, name))->Links;
        };

        // An extra link goes: nothing counted changes; the others have one link less.
        const TFileLeaf* two = FindLeaf(a, "two.dat");
        tree.RemoveLeaves({&two, 1});
        EXPECT_EQ(r.Root->TotalSize(), total);
        EXPECT_EQ(r.Root->TotalFiles(), 3);
        ASSERT_EQ(a->Leaves().size(), 1u);
        EXPECT_EQ(links(r.Root, "one.dat"), 2u);
        EXPECT_EQ(links(a, "three.dat"), 2u);

        // The link that carried the bytes goes: the last one carries them, in its folder.
        const TFileLeaf* one = FindLeaf(r.Root, "one.dat");
        tree.RemoveLeaves({&one, 1});
        const TFileLeaf* three = FindLeaf(a, "three.dat");
        ASSERT_NE(three, nullptr);
        EXPECT_FALSE(three->IsExtraLink());
        EXPECT_EQ(three->Size(), size);
        EXPECT_EQ(three->ApparentSize(), apparent);
        EXPECT_EQ(three->AllocatedSize(), allocated);
        EXPECT_EQ(tree.LinkInfo(three)->Links, 1u);
        EXPECT_EQ(r.Root->TotalSize(), total);
        EXPECT_EQ(r.Root->TotalFiles(), 3);
        EXPECT_EQ(a->TotalSize(), size);
        EXPECT_EQ(a->TotalFiles(), 1);
        EXPECT_EQ(a->ExtStats().Get(".dat").Files, 1);
        EXPECT_EQ(r.Root->ExtStats().Get(".dat").Files, 2);
        EXPECT_EQ(r.Root->ExtStats().Get(".dat").Bytes, size);

        // The last link goes: the space with it.
        tree.RemoveLeaves({&three, 1});
        EXPECT_EQ(r.Root->TotalSize(), total - size);
        EXPECT_EQ(r.Root->TotalFiles(), 2);
        EXPECT_TRUE(a->ExtStats().Empty());
    }
}

TEST(ExtraLinks, RemovingAFolderOfLinksLeavesTheCarrierCounted)
{
    const TThreeLinks fx;
    const ScanResult r = fx.ScanOnce(false);
    const std::int64_t total = r.Root->TotalSize();
    ASSERT_TRUE(r.Tree->RemoveFolder(FindChild(r.Root, "a")));
    EXPECT_EQ(r.Root->TotalSize(), total);
    EXPECT_EQ(r.Root->TotalFiles(), 3);
    EXPECT_EQ(r.Tree->LinkInfo(FindLeaf(r.Root, "one.dat"))->Links, 1u);
}

} // namespace
} // namespace harrowdale
