// Finding items by full path: the layouts resolve paths through the scan tree instead of
// storing them, so every odd shape of path has to land where an exact path comparison
// would.

#include "TreemapTestSupport.h"
#include "support/TreeFixture.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/TreemapLayout.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

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

    for (const char* path : {"/a.txt", "/usr/bin/ls", "/usr/bin/bad\xFF\nname"}) {
        const TTreemapItem* it = map.GetItemByPath(path);
        ASSERT_NE(it, nullptr) << path;
        EXPECT_EQ(it->FullPath(), path);
    }
    for (const char* path :
         {"", "/", "a.txt", "//a.txt", "/usr//bin/ls", "/usr/bin/ls/", "/usr/bin", "/usr/bin/LS",
          "/usr/bin/bad\xEF\xBF\xBD\nname", "/usr/bin/ls/x", "/nope/ls"})
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
        TDirNode* slash = tree.NewScanRoot("/");
        TDirNode* home2 = tree.NewChild(slash, "home2");
        AddFile(home2, "z", 5);
        AddFile(slash, "x.txt", 7);
        tree.SetChildren(slash, std::span(&home2, 1));
        tree.AppendDrive(top, slash);
        TDirNode* home = tree.NewScanRoot("/home");
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
    for (const char* path : {"/x.txt", "/home2/z", "/home/u/y.txt"}) {
        const TTreemapItem* it = flat.GetItemByPath(path);
        ASSERT_NE(it, nullptr) << path;
        EXPECT_EQ(it->FullPath(), path);
    }
    EXPECT_EQ(flat.GetItemByPath("/home2/u/y.txt"), nullptr);
    EXPECT_EQ(flat.GetItemByPath("/u/y.txt"), nullptr);

    THierTreemapLayout nested;
    nested.BuildFromRootSquarified(tree.Root(), {0, 0, 100, 100});
    for (const char* path : {"/", "/home", "/home2", "/home/u/y.txt"}) {
        nested.SetSelectedByUpperPaths(std::vector<std::string>{path});
        ASSERT_NE(nested.Primary(), nullptr) << path;
        EXPECT_EQ(nested.Primary()->FullPath(), path);
    }
}

} // namespace
} // namespace harrowdale
