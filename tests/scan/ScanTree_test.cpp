#include "scan/ScanTree.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

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
}

TEST(ScanTree, FullPathsComeFromTheParentChain)
{
    test::TreeFixture fx("/");
    TDirNode* usr = fx.Folder(fx.Root(), "usr");
    TDirNode* bin = fx.Folder(usr, "bin");
    fx.File(fx.Root(), "a.txt", 1);
    fx.File(bin, "ls", 2);
    fx.Finish();

    EXPECT_EQ(fx.Root()->FullPath(), "/");
    EXPECT_EQ(fx.Root()->Name(), "/");
    EXPECT_EQ(usr->FullPath(), "/usr");
    EXPECT_EQ(bin->FullPath(), "/usr/bin");
    EXPECT_EQ(fx.Root()->Leaves()[0].FullPath(), "/a.txt");
    EXPECT_EQ(bin->Leaves()[0].FullPath(), "/usr/bin/ls");
}

} // namespace
} // namespace harrowdale
