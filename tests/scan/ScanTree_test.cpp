#include "scan/ScanTree.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::NativePath;

TEST(ScanTree, TotalsAndExtensionTablesRollUp)
{
    test::TreeFixture fx("/data");
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* empty = fx.Folder(fx.Root(), "empty");
    fx.File(fx.Root(), "Photo.JPG", 100);
    fx.File(a, "b.jpg", 50);
    fx.File(a, "README", 7);
    fx.Finish();

    const TDirNode* r = fx.Root();
    EXPECT_EQ(r->TotalSize(), 157);
    EXPECT_EQ(r->TotalFiles(), 3);
    EXPECT_EQ(r->TotalDirs(), 3);
    EXPECT_EQ(empty->TotalDirs(), 1);
    EXPECT_EQ(empty->TotalFiles(), 0);
    EXPECT_TRUE(empty->ExtStats().Empty());

    const TExtStat jpg = r->ExtStats().Get(".jpg");
    EXPECT_EQ(jpg.Bytes, 150);
    EXPECT_EQ(jpg.Files, 2);
    EXPECT_EQ(r->ExtStats().Get("(none)").Files, 1);
    EXPECT_EQ(r->Leaves()[0].Ext(), ".jpg");
    EXPECT_EQ(a->Leaves()[1].Ext(), "");

    const auto sorted = r->ExtStats().ToSortedArrayByBytesDesc();
    ASSERT_EQ(sorted.size(), 2u);
    EXPECT_EQ(sorted[0].Ext, ".jpg");
    EXPECT_EQ(sorted[1].Ext, "(none)");

    // Equal byte counts by key, whatever order the files came in.
    test::TreeFixture ties("/t");
    for (const char* name : {"n.zip", "README", "m.arc"})
        ties.File(ties.Root(), name, 7);
    ties.Finish();
    std::vector<std::string> keys;
    for (const TExtStatPair& p : ties.Root()->ExtStats().ToSortedArrayByBytesDesc())
        keys.push_back(p.Ext);
    EXPECT_EQ(keys, (std::vector<std::string>{"(none)", ".arc", ".zip"}));
}

TEST(ScanTree, FullPathsComeFromTheParentChain)
{
    test::TreeFixture fx("/");
    TDirNode* usr = fx.Folder(fx.Root(), "usr");
    TDirNode* bin = fx.Folder(usr, "bin");
    fx.File(fx.Root(), "a.txt", 1);
    fx.File(bin, "ls", 2);
    fx.Finish();

    EXPECT_EQ(fx.Root()->FullPath(), NativePath("/"));
    EXPECT_EQ(fx.Root()->Name(), NativePath("/"));
    EXPECT_EQ(usr->FullPath(), NativePath("/usr"));
    EXPECT_EQ(bin->FullPath(), NativePath("/usr/bin"));
    EXPECT_EQ(fx.Root()->Leaves()[0].FullPath(), NativePath("/a.txt"));
    EXPECT_EQ(bin->Leaves()[0].FullPath(), NativePath("/usr/bin/ls"));
}

TEST(ScanTree, FilesKeepNamesBothSizesAndFlagsInEitherMeasure)
{
    struct Case
    {
        std::string Name;
        std::int64_t Length;
        std::int64_t Allocated;
        bool NotRegular;
        std::uint32_t Links;
    };
    const std::int64_t big = 5LL << 30; // past 32 bits
    const std::vector<Case> cases = {
        {"a", 1, 4096, false, 1},
        {std::string(254, 'x') + ".txt", 7, 0, true, 1},
        {std::string(255, 'y'), 123456789, 123457024, false, 3},
        {std::string(300, 'z') + ".bin", big, 4096, false, 1}, // sparse and huge
        {"odd-blocks", 10, 1000, false, 2},                    // not whole 512-byte units
        {"huge-allocated", 1, 3LL << 41, false, 1},            // past 2^32 blocks
    };
    for (const TSizeKind kind : {TSizeKind::Apparent, TSizeKind::OnDisk}) {
        SCOPED_TRACE(kind == TSizeKind::OnDisk ? "on disk" : "apparent");
        TScanTree tree;
        tree.SetSizeKind(kind);
        TDirNode* root = tree.NewScanRoot(NativePath("/t"));
        std::vector<TNewFile> files;
        std::int64_t total = 0;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            TNewFile f;
            f.Name = tree.StoreName(c.Name);
            f.Size = c.Length;
            f.Allocated = c.Allocated;
            f.ModifiedFT = 1000 + static_cast<std::int64_t>(i);
            f.ExtId = tree.Exts().Intern(LowerFileExt(c.Name));
            f.NotRegular = c.NotRegular;
            f.Links = c.Links;
            f.Device = 7;
            f.Inode = 100 + i;
            files.push_back(f);
            total += kind == TSizeKind::OnDisk ? c.Allocated : c.Length;
        }
        tree.SetLeaves(root, files);
        tree.SetRoot(root);
        EXPECT_EQ(root->TotalSize(), total);
        ASSERT_EQ(root->Leaves().size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const TFileLeaf& f = root->Leaves()[i];
            SCOPED_TRACE(c.Name.substr(0, 12));
            EXPECT_EQ(f.Name(), c.Name);
            EXPECT_EQ(f.FullPath(), NativePath("/t/" + c.Name));
            EXPECT_EQ(f.ApparentSize(), c.Length);
            EXPECT_EQ(f.AllocatedSize(), c.Allocated);
            EXPECT_EQ(f.Size(), kind == TSizeKind::OnDisk ? c.Allocated : c.Length);
            EXPECT_EQ(f.ModifiedFT(), 1000 + static_cast<std::int64_t>(i));
            EXPECT_EQ(f.IsNotRegular(), c.NotRegular);
            EXPECT_EQ(f.HasLinks(), c.Links > 1);
            const TLinkInfo* link = tree.LinkInfo(&f);
            ASSERT_EQ(link != nullptr, c.Links > 1);
            if (link != nullptr) {
                EXPECT_EQ(link->Links, c.Links);
                EXPECT_EQ(link->Inode, 100 + i);
                EXPECT_EQ(link->Device, 7u);
            }
        }
    }
}

TEST(ScanTree, RemovingFilesCorrectsEveryFolderUpToTheRoot)
{
    TScanTree tree;
    auto file = [&](std::string_view name, std::int64_t size, std::uint32_t links = 1) {
        TNewFile f{tree.StoreName(name), size, 0, tree.Exts().Intern(LowerFileExt(name))};
        f.Links = links;
        f.Inode = 42;
        return f;
    };
    TDirNode* root = tree.NewScanRoot("/r");
    TDirNode* a = tree.NewChild(root, "a");
    TDirNode* b = tree.NewChild(a, "b");
    TDirNode* c = tree.NewChild(root, "c");
    TDirNode* d = tree.NewChild(c, "d");
    const TNewFile rootFiles[] = {file("top.txt", 1)};
    const TNewFile aFiles[] = {file("a1.jpg", 10), file("a2.txt", 20)};
    const TNewFile bFiles[] = {file("b1.jpg", 100), file("b2.log", 200), file("b3.txt", 300)};
    const TNewFile cFiles[] = {file("c1.log", 1000)};
    // The linked file moves within its folder when the one before it goes.
    const TNewFile dFiles[] = {file("gone.log", 4000), file("late.txt", 5000, 2)};
    tree.SetLeaves(root, rootFiles);
    tree.SetLeaves(a, aFiles);
    tree.SetLeaves(b, bFiles);
    tree.SetLeaves(c, cFiles);
    tree.SetLeaves(d, dFiles);
    TDirNode* const aKids[] = {b};
    TDirNode* const cKids[] = {d};
    TDirNode* const rootKids[] = {a, c};
    tree.SetChildren(a, aKids);
    tree.BuildExtStats(a);
    tree.SetChildren(c, cKids);
    tree.BuildExtStats(c);
    tree.SetChildren(root, rootKids);
    tree.BuildExtStats(root);
    tree.SetRoot(root);

    const TFileLeaf* removed[] = {&b->Leaves()[0], &b->Leaves()[2], &a->Leaves()[1],
                                  &d->Leaves()[0], &b->Leaves()[0]};
    tree.RemoveLeaves(removed);

    auto names = [](const TDirNode* n) {
        std::vector<std::string> v;
        for (const TFileLeaf& f : n->Leaves())
            v.emplace_back(f.Name());
        return v;
    };
    EXPECT_EQ(names(b), std::vector<std::string>{"b2.log"});
    EXPECT_EQ(names(a), std::vector<std::string>{"a1.jpg"});
    EXPECT_EQ(names(d), std::vector<std::string>{"late.txt"});
    struct Totals
    {
        const TDirNode* Node;
        std::int64_t Size, Files;
    };
    for (const Totals& t : {Totals{b, 200, 1}, Totals{a, 210, 2}, Totals{d, 5000, 1},
                            Totals{c, 6000, 2}, Totals{root, 6211, 5}}) {
        SCOPED_TRACE(t.Node->FullPath());
        EXPECT_EQ(t.Node->TotalSize(), t.Size);
        EXPECT_EQ(t.Node->TotalFiles(), t.Files);
    }
    EXPECT_EQ(root->TotalDirs(), 5);
    // Below a, .txt is gone from the table; .jpg lost b1 but keeps a1.
    const TExtStatsView ra = a->ExtStats();
    EXPECT_EQ(ra.Count(), 2u);
    EXPECT_EQ(ra.Get(".jpg").Bytes, 10);
    EXPECT_EQ(ra.Get(".log").Bytes, 200);
    EXPECT_EQ(root->ExtStats().Get(".txt").Bytes, 5001);
    EXPECT_EQ(root->ExtStats().Get(".log").Bytes, 1200);
    EXPECT_EQ(c->ExtStats().Get(".log").Files, 1);
    const TLinkInfo* info = tree.LinkInfo(&d->Leaves()[0]);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Inode, 42u);
    EXPECT_EQ(tree.Links().size(), 1u);
}

} // namespace
} // namespace harrowdale
