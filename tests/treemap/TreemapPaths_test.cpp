// Finding items by full path: the layouts resolve paths through the scan tree instead of
// storing them, so every odd shape of path has to land where an exact path comparison
// would.

#include "TreemapTestSupport.h"
#include "support/Environment.h"
#include "support/TreeFixture.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/TreemapLayout.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::NativePath;

TEST(TreemapPaths, FileSystemRootAndOddNames)
{
    test::TreeFixture fx("/");
    TDirNode* usr = fx.Folder(fx.Root(), "usr");
    TDirNode* bin = fx.Folder(usr, "bin");
    fx.File(fx.Root(), "a.txt", 10);
    fx.File(bin, "ls", 20);
    fx.File(bin, "bad\xFF\nname", 30);
    fx.Finish();
    TTreemapLayout map;
    map.BuildFromFiles(test::FilesBelow(fx.Root()), {0, 0, 60, 10});

    for (const std::string& path :
         {NativePath("/a.txt"), NativePath("/usr/bin/ls"), NativePath("/usr/bin/bad\xFF\nname")}) {
        const TTreemapItem* it = map.GetItemByPath(path);
        ASSERT_NE(it, nullptr) << path;
        EXPECT_EQ(it->FullPath(), path);
    }
    // Names differ by case only on Linux; on Windows "LS" is "ls".
    const TTreemapItem* upper = map.GetItemByPath(NativePath("/usr/bin/LS"));
    EXPECT_EQ(upper, test::OnWindows() ? map.GetItemByPath(NativePath("/usr/bin/ls")) : nullptr);
    for (const std::string& path : std::vector<std::string>{
             "", NativePath("/"), "a.txt", NativePath("//a.txt"), NativePath("/usr//bin/ls"),
             NativePath("/usr/bin/ls/"), NativePath("/usr/bin"),
             NativePath("/usr/bin/bad\xEF\xBF\xBD\nname"), NativePath("/usr/bin/ls/x"),
             NativePath("/nope/ls")})
        EXPECT_EQ(map.GetItemByPath(path), nullptr) << path;
}

// An all-drives scan: "/" and "/home" are two drives, and "/" has a folder "home2".
class TreemapPathsAllDrives : public ::testing::Test
{
protected:
    TreemapPathsAllDrives()
    {
        TDirNode* top = tree.NewSyntheticRoot("(All Drives)");
        tree.SetRoot(top);
        TDirNode* slash = tree.NewScanRoot(NativePath("/"));
        TDirNode* home2 = tree.NewChild(slash, "home2");
        AddFile(home2, "z", 5);
        AddFile(slash, "x.txt", 7);
        tree.SetChildren(slash, std::span(&home2, 1));
        tree.AppendDrive(top, slash);
        TDirNode* home = tree.NewScanRoot(NativePath("/home"));
        TDirNode* user = tree.NewChild(home, "u");
        AddFile(user, "y.txt", 9);
        tree.SetChildren(home, std::span(&user, 1));
        tree.AppendDrive(top, home);
    }
    void AddFile(TDirNode* dir, std::string_view name, std::int64_t size)
    {
        const TNewFile f{tree.StoreName(name), size, 0, 0};
        tree.SetLeaves(dir, std::span(&f, 1));
    }
    TScanTree tree;
};

TEST_F(TreemapPathsAllDrives, PathsResolveInTheDeepestDriveHoldingThem)
{
    TTreemapLayout flat;
    flat.BuildFromFiles(test::FilesBelow(tree.Root()), {0, 0, 30, 10});
    for (const std::string& path :
         {NativePath("/x.txt"), NativePath("/home2/z"), NativePath("/home/u/y.txt")}) {
        const TTreemapItem* it = flat.GetItemByPath(path);
        ASSERT_NE(it, nullptr) << path;
        EXPECT_EQ(it->FullPath(), path);
    }
    EXPECT_EQ(flat.GetItemByPath(NativePath("/home2/u/y.txt")), nullptr);
    EXPECT_EQ(flat.GetItemByPath(NativePath("/u/y.txt")), nullptr);

    THierTreemapLayout nested;
    nested.BuildFromRootSquarified(tree.Root(), {0, 0, 100, 100});
    for (const std::string& path : {NativePath("/"), NativePath("/home"), NativePath("/home2"),
                                    NativePath("/home/u/y.txt")}) {
        nested.SetSelectedByUpperPaths(std::vector<std::string>{path});
        ASSERT_NE(nested.Primary(), nullptr) << path;
        EXPECT_EQ(nested.Primary()->FullPath(), path);
    }
}

} // namespace
} // namespace harrowdale
