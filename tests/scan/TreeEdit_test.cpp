// Taking files and folders out of a finished tree: every folder left must hold the totals
// and extension table a tree built without them would hold.

#include "scan/ResultArrays.h"
#include "scan/TreeLookup.h"
#include "support/Environment.h"
#include "support/NativePath.h"
#include "support/TreeFixture.h"
#include "views/TreeRemoval.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

// One tree, as "folder/" and "file:size" paths below the root /r.
const std::vector<std::string> kShape = {
    "a/",
    "a/x.jpg:10",
    "a/b/",
    "a/b/y.jpg:100",
    "a/b/z.log:200",
    "a/b/c/",
    "a/b/c/w.txt:300",
    "a/e/",
    "a/e/v.txt:7",
    "d/",
    "d/u.log:1000",
    "d/f/",
    "d/f/t.bin:4000",
    "top.txt:1",
    "ab/",
    "ab/s.txt:5",
};

/// The tree of `shape` without the entries `gone` names (a folder with what is below it).
std::unique_ptr<TScanTree> Build(const std::vector<std::string>& shape,
                                 const std::vector<std::string>& gone = {},
                                 std::string_view rootPath = "/r")
{
    test::TreeFixture fx(rootPath);
    std::map<std::string, TDirNode*> folders{{"", fx.Root()}};
    for (const std::string& entry : shape) {
        const bool folder = entry.back() == '/';
        const std::string path =
            folder ? entry.substr(0, entry.size() - 1) : entry.substr(0, entry.find(':'));
        bool skipped = false;
        for (const std::string& g : gone)
            skipped |= path == g || path.rfind(g + "/", 0) == 0;
        if (skipped)
            continue;
        const auto slash = path.rfind('/');
        TDirNode* parent = folders.at(slash == std::string::npos ? "" : path.substr(0, slash));
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (folder)
            folders[path] = fx.Folder(parent, name);
        else
            fx.File(parent, name, std::stoll(entry.substr(entry.find(':') + 1)));
    }
    fx.Finish();
    return fx.Release();
}

/// Every folder's path, totals and extension table, and its files, one line a folder.
std::string Describe(const TDirNode* d)
{
    std::ostringstream out;
    out << d->FullPath() << " size=" << d->TotalSize() << " files=" << d->TotalFiles()
        << " dirs=" << d->TotalDirs() << " exts=";
    for (const TExtStatPair& e : d->ExtStats().ToSortedArrayByBytesDesc())
        out << e.Ext << ':' << e.Bytes << '/' << e.Files << ',';
    out << " leaves=";
    for (const TFileLeaf& f : d->Leaves())
        out << f.Name() << ',';
    out << '\n';
    for (std::size_t i = 0; i < d->Children().size(); ++i) {
        EXPECT_EQ(d->Children()[i]->IndexInParent(), i) << d->Children()[i]->FullPath();
        EXPECT_EQ(d->Children()[i]->Parent(), d);
        out << Describe(d->Children()[i]);
    }
    return out.str();
}

TEST(TreeEdit, RemovalLeavesTheTreeAsIfTheEntriesHadNeverBeenThere)
{
    struct Case
    {
        const char* Name;
        std::vector<std::string> Removed;  ///< below /r
        std::vector<std::string> Expected; ///< what a fresh tree leaves out
        std::int64_t Bytes;
    };
    const Case cases[] = {
        {"a folder whose parent keeps others", {"a/b/c"}, {"a/b/c"}, 300},
        {"a folder with subfolders, the first of several", {"a"}, {"a"}, 617},
        {"the last subfolder: the parent's table is its files' again", {"d/f"}, {"d/f"}, 4000},
        {"a file inside a removed folder counts once",
         {"a/b", "a/b/y.jpg", "a/b/c/w.txt"},
         {"a/b"},
         600},
        {"files and folders in several places",
         {"top.txt", "a/e", "d/u.log", "ab"},
         {"top.txt", "a/e", "d/u.log", "ab"},
         1013},
        {"repeats, and a name that is a prefix of another",
         {"ab", "ab", "a/x.jpg"},
         {"ab", "a/x.jpg"},
         15},
        {"paths the tree does not hold change nothing", {"nope", "a/b/y.jpg/", "a/../d"}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TScanTree> tree = Build(kShape);
        std::vector<std::string> paths;
        for (const std::string& p : c.Removed)
            paths.push_back(test::NativePath("/r/" + p));
        const TRemovalPlan plan = PlanRemoval(tree->Root(), paths);
        EXPECT_FALSE(plan.RootRemoved);
        EXPECT_EQ(plan.Bytes, c.Bytes);
        ApplyRemoval(*tree, plan);
        EXPECT_EQ(Describe(tree->Root()), Describe(Build(kShape, c.Expected)->Root()));
    }
}

TEST(TreeEdit, GroupsTakenCountsTheDuplicatesARemovalLeavesWithoutACopy)
{
    // Two groups: three copies of same.dat (a, a/b, d) and two of pair.txt (a/b, d/f).
    const std::unique_ptr<TScanTree> tree =
        Build({"a/", "a/same.dat:50", "a/b/", "a/b/same.dat:50", "a/b/pair.txt:9", "d/",
               "d/SAME.dat:50", "d/f/", "d/f/pair.txt:9", "lone.txt:9"});
    const TFileArray all = FlattenAllFilesFromRoot(tree->Root());
    TDuplicates dups;
    ASSERT_TRUE(BuildDuplicates(all.Files, dups));
    ASSERT_EQ(dups.Groups.size(), 2u);
    struct Case
    {
        std::vector<std::string> Paths;
        TGroupsTaken Expected;
    };
    const Case cases[] = {
        {{"/r/lone.txt"}, {0, 0, 0}},
        {{"/r/a/same.dat", "/r/d/SAME.dat"}, {1, 0, 0}},
        {{"/r/a/same.dat", "/r/a/b/same.dat", "/r/d/SAME.dat"}, {1, 1, 3}},
        // A folder takes what lies below it; a name that merely starts alike does not.
        {{"/r/a", "/r/d/f"}, {2, 1, 2}},
        {{"/r/a", "/r/d"}, {2, 2, 5}},
        {{"/r/a/b/same.dat", "/r/a/b/same.dat", "/r/a/b"}, {2, 0, 0}},
        {{"/r"}, {2, 2, 5}},
        {{"/r/missing", ""}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Paths));
        std::vector<std::string> paths;
        for (const std::string& p : c.Paths)
            paths.push_back(p.empty() ? p : test::NativePath(p));
        const TGroupsTaken got = GroupsTaken(tree->Root(), dups, paths);
        EXPECT_EQ(got.Touched, c.Expected.Touched);
        EXPECT_EQ(got.Emptied, c.Expected.Emptied);
        EXPECT_EQ(got.EmptiedFiles, c.Expected.EmptiedFiles);
    }
}

TEST(TreeEdit, WhatTheRemovalReportsDecidesWhatLeaves)
{
    using platform::TLeftEntry;
    using platform::TRemovalOutcome;
    using platform::TRemovalStatus;
    auto outcome = [](TRemovalStatus status, std::vector<TLeftEntry> left = {}) {
        return TRemovalOutcome{status, platform::TRemovalError::None, std::move(left)};
    };
    struct Case
    {
        const char* Name;
        std::vector<std::pair<std::string, TRemovalOutcome>> Done; ///< below /r
        std::vector<std::string> Expected;                         ///< what a fresh tree leaves out
        std::int64_t Bytes, Items, Vanished;
    };
    const Case cases[] = {
        {"a folder removed in part keeps what stays and the folders on its way",
         {{"a/b", outcome(TRemovalStatus::PartlyRemoved, {{"c", false}, {"c/w.txt", true}})}},
         {"a/b/y.jpg", "a/b/z.log"},
         300,
         1,
         0},
        {"a folder left whole keeps everything below it",
         {{"a", outcome(TRemovalStatus::PartlyRemoved, {{"b", true}})}},
         {"a/x.jpg", "a/e"},
         17,
         1,
         0},
        {"what stays of the item cannot be told: it stays as it was",
         {{"a", outcome(TRemovalStatus::PartlyRemoved, {{"", true}, {"b", false}})}},
         {},
         0,
         1,
         0},
        {"what stays that the tree never held (a mount) changes nothing",
         {{"d", outcome(TRemovalStatus::PartlyRemoved, {{"mnt", true}})}},
         {"d/u.log", "d/f"},
         5000,
         1,
         0},
        {"what no longer existed leaves, without counting as removed",
         {{"top.txt", outcome(TRemovalStatus::AlreadyGone)},
          {"ab", outcome(TRemovalStatus::AlreadyGone)},
          {"a/e", outcome(TRemovalStatus::Removed)}},
         {"top.txt", "ab", "a/e"},
         7,
         1,
         2},
        {"what failed or changed since the scan stays",
         {{"a/b", outcome(TRemovalStatus::Changed)},
          {"top.txt", outcome(TRemovalStatus::Failed)},
          {"d/u.log", outcome(TRemovalStatus::Removed)}},
         {"d/u.log"},
         1000,
         1,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TScanTree> tree = Build(kShape);
        std::vector<std::string> paths;
        std::vector<TRemovalOutcome> outcomes;
        for (const auto& [path, done] : c.Done) {
            paths.push_back(test::NativePath("/r/" + path));
            outcomes.push_back(done);
        }
        const TRemovalPlan plan = PlanRemoval(tree->Root(), paths, outcomes);
        EXPECT_EQ(plan.Bytes, c.Bytes);
        EXPECT_EQ(plan.Items, c.Items);
        EXPECT_EQ(plan.Vanished, c.Vanished);
        ApplyRemoval(*tree, plan);
        EXPECT_EQ(Describe(tree->Root()), Describe(Build(kShape, c.Expected)->Root()));
    }
}

TEST(TreeEdit, TheRecordOfAnItemIsWhatTheTreeKnows)
{
    test::TreeFixture fx("/r");
    TDirNode* known = fx.Folder(fx.Root(), "known");
    fx.Tree().SetIdentity(known, {7, 70});
    fx.Folder(fx.Root(), "unknown");
    TNewFile linked{.Name = "linked", .Size = 1, .Links = 2, .Device = 7, .Inode = 71};
    fx.File(fx.Root(), linked);
    fx.File(fx.Root(), "single", 1);
    fx.Finish();
    const std::vector<std::string> paths = {
        test::NativePath("/r/known"), test::NativePath("/r/unknown"), test::NativePath("/r/linked"),
        test::NativePath("/r/single"), test::NativePath("/r/nowhere")};
    const auto items = RecordedItems(fx.Tree(), paths);
    ASSERT_EQ(items.size(), paths.size());
    using Id = std::optional<platform::FileIdentity>;
    const std::pair<bool, Id> want[] = {{true, platform::FileIdentity{7, 70}},
                                        {true, std::nullopt},
                                        {false, platform::FileIdentity{7, 71}},
                                        {false, std::nullopt},
                                        {false, platform::FileIdentity{0, 0}}};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        EXPECT_EQ(items[i].Path, paths[i]);
        EXPECT_EQ(items[i].IsFolder, want[i].first);
        EXPECT_EQ(items[i].Id, want[i].second);
    }
}

TEST(TreeEdit, TheRootIsNotTakenOutOfItsOwnTree)
{
    std::unique_ptr<TScanTree> tree = Build(kShape);
    const std::string before = Describe(tree->Root());
    const std::string paths[] = {test::NativePath("/r"), test::NativePath("/r/a/x.jpg")};
    const TRemovalPlan plan = PlanRemoval(tree->Root(), paths);
    EXPECT_TRUE(plan.RootRemoved);
    EXPECT_EQ(plan.Items, 2);
    EXPECT_EQ(plan.Bytes, tree->Root()->TotalSize());
    EXPECT_FALSE(tree->RemoveFolder(tree->Root()));
    EXPECT_EQ(Describe(tree->Root()), before);
}

TEST(TreeEdit, PathsAreFoundByTheSystemsRule)
{
    std::unique_ptr<TScanTree> tree = Build(kShape);
    const TDirNode* root = tree->Root();
    const TFileLeaf* jpg = FindEntry(root, test::NativePath("/r/a/x.jpg")).File;
    ASSERT_NE(jpg, nullptr);
    // Another case is another file on Linux and the same one on Windows.
    EXPECT_EQ(FindEntry(root, test::NativePath("/R/A/X.JPG")).File,
              test::OnWindows() ? jpg : nullptr);
    EXPECT_EQ(FindEntry(root, test::NativePath("/r/A")).Folder,
              test::OnWindows() ? FindEntry(root, test::NativePath("/r/a")).Folder : nullptr);
}

TEST(TreeEdit, AFolderThatIsGoneGivesWayToTheDeepestFolderLeftOnItsPath)
{
    // "a/b" removed: what was below it, and what was never there, fall back as far as the
    // tree still goes; a path outside the tree gives the root.
    std::unique_ptr<TScanTree> tree = Build(kShape, {"a/b"});
    const TDirNode* root = tree->Root();
    auto folder = [root](const char* path) {
        return FindEntry(root, test::NativePath(path)).Folder;
    };
    const TDirNode* a = folder("/r/a");
    const TDirNode* ab = folder("/r/ab");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(ab, nullptr);
    const struct
    {
        const char* Path;
        const TDirNode* Folder;
    } cases[] = {
        {"/r/a/e", folder("/r/a/e")}, {"/r/a/b", a}, {"/r/a/b/c", a},      {"/r/a/x.jpg", a},
        {"/r/ab/nope", ab},           {"/r", root},  {"/elsewhere", root},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(FindNearestFolder(root, test::NativePath(c.Path)), c.Folder);
    }
    EXPECT_EQ(FindNearestFolder(root, ""), root);
    EXPECT_EQ(FindNearestFolder(nullptr, "/r"), nullptr);
}

TEST(TreeEdit, ADriveLeavesTheAllDrivesRoot)
{
    // Two drives, one inside the other's path: a path goes to the longest.
    TScanTree tree;
    TDirNode* all = tree.NewSyntheticRoot("(All Drives)");
    tree.SetRoot(all);
    TDirNode* slash = tree.NewScanRoot("/");
    TDirNode* home = tree.NewScanRoot("/home");
    const TNewFile rootFiles[] = {{tree.StoreName("vmlinuz"), 50, 0, tree.Exts().Intern("")}};
    const TNewFile homeFiles[] = {{tree.StoreName("a.txt"), 7, 0, tree.Exts().Intern(".txt")},
                                  {tree.StoreName("b.txt"), 3, 0, tree.Exts().Intern(".txt")}};
    tree.SetLeaves(slash, rootFiles);
    tree.SetLeaves(home, homeFiles);
    tree.AppendDrive(all, slash);
    tree.AppendDrive(all, home);

    EXPECT_EQ(FindEntry(all, "/home/a.txt").File, &home->Leaves()[0]);
    EXPECT_EQ(FindEntry(all, "/vmlinuz").File, &slash->Leaves()[0]);
    EXPECT_EQ(FindEntry(all, "/home").Folder, home);
    EXPECT_FALSE(FindEntry(all, "").Found());

    const std::string gone[] = {"/home/b.txt", "/home"};
    const TRemovalPlan plan = PlanRemoval(all, gone);
    EXPECT_FALSE(plan.RootRemoved);
    EXPECT_EQ(plan.Bytes, 10);
    ApplyRemoval(tree, plan);
    ASSERT_EQ(all->Children().size(), 1u);
    EXPECT_EQ(all->Children()[0], slash);
    EXPECT_EQ(all->TotalSize(), 50);
    EXPECT_EQ(all->TotalFiles(), 1);
    EXPECT_EQ(all->TotalDirs(), 1);
    EXPECT_EQ(all->ExtStats().Count(), 1u);
    EXPECT_EQ(all->ExtStats().Get(".txt").Files, 0);
}

TEST(TreeEdit, ARescannedFolderTakesTheOldOnesPlaceAndTotals)
{
    // a/b rescanned: y.jpg grew, z.log went, a new extension and a new subfolder came.
    const std::vector<std::string> rescanned = {"y.jpg:150",  "n.new:9", "g/",
                                                "g/h.txt:40", "c/",      "c/w.txt:300"};
    std::vector<std::string> after = {"a/", "a/x.jpg:10", "a/b/"};
    for (const std::string& e : rescanned)
        after.push_back("a/b/" + e);
    after.insert(after.end(), kShape.begin() + 7, kShape.end());

    std::unique_ptr<TScanTree> tree = Build(kShape);
    const TDirNode* old = FindEntry(tree->Root(), test::NativePath("/r/a/b")).Folder;
    ASSERT_NE(old, nullptr);
    const TDirNode* grafted = tree->Graft(old, Build(rescanned, {}, "/r/a/b"));
    ASSERT_NE(grafted, nullptr);
    EXPECT_EQ(grafted->FullPath(), test::NativePath("/r/a/b"));
    EXPECT_EQ(FindEntry(tree->Root(), test::NativePath("/r/a/b/g/h.txt")).File->Ext(), ".txt");
    EXPECT_EQ(Describe(tree->Root()), Describe(Build(after)->Root()));
    // The root cannot be replaced in place.
    EXPECT_EQ(tree->Graft(tree->Root(), Build(rescanned)), nullptr);
}

TEST(TreeEdit, ARescanLeavesALinkCountedElsewhereWhereItIs)
{
    // Inode 7 has a link in /r/a (counted there) and one in /r/b; inode 8 only in /r/b.
    auto linked = [](TScanTree& t, std::string_view name, std::uint64_t inode) {
        TNewFile f{t.StoreName(name), 100, 0, t.Exts().Intern(LowerFileExt(name))};
        f.Links = 2;
        f.Device = 1;
        f.Inode = inode;
        return f;
    };
    TScanTree tree;
    tree.SetHardLinks(THardLinks::Once);
    TDirNode* root = tree.NewScanRoot("/r");
    TDirNode* a = tree.NewChild(root, "a");
    TDirNode* b = tree.NewChild(root, "b");
    const TNewFile aFiles[] = {linked(tree, "one.dat", 7)};
    tree.SetLeaves(a, aFiles);
    TDirNode* const kids[] = {a, b};
    tree.SetChildren(root, kids);
    tree.BuildExtStats(root);
    tree.SetRoot(root);

    auto fresh = std::make_unique<TScanTree>();
    fresh->SetHardLinks(THardLinks::Once);
    TDirNode* fb = fresh->NewScanRoot("/r/b");
    const TNewFile bFiles[] = {linked(*fresh, "two.dat", 7), linked(*fresh, "own.dat", 8)};
    fresh->SetLeaves(fb, bFiles);
    fresh->SetRoot(fb);

    const TDirNode* nb = tree.Graft(b, std::move(fresh));
    ASSERT_NE(nb, nullptr);
    ASSERT_EQ(nb->Leaves().size(), 2u);
    EXPECT_EQ(nb->Leaves()[0].Name(), "two.dat");
    EXPECT_TRUE(nb->Leaves()[0].IsExtraLink());
    EXPECT_FALSE(nb->Leaves()[1].IsExtraLink());
    EXPECT_EQ(root->TotalFiles(), 2);
    EXPECT_EQ(root->TotalSize(), 200);
    EXPECT_EQ(nb->TotalSize(), 100);
    EXPECT_EQ(root->ExtStats().Get(".dat").Files, 2);
    EXPECT_EQ(tree.Links().size(), 3u);
    ASSERT_NE(tree.LinkInfo(&nb->Leaves()[1]), nullptr);
    EXPECT_EQ(tree.LinkInfo(&nb->Leaves()[1])->Inode, 8u);

    // Rescanned again without its file 7, /r/a no longer holds the link that carried it:
    // the one in /r/b carries it from then on.
    auto again = std::make_unique<TScanTree>();
    again->SetHardLinks(THardLinks::Once);
    again->SetRoot(again->NewScanRoot("/r/a"));
    const TDirNode* na = tree.Graft(a, std::move(again));
    ASSERT_NE(na, nullptr);
    EXPECT_FALSE(nb->Leaves()[0].IsExtraLink());
    EXPECT_EQ(nb->Leaves()[0].Size(), 100);
    EXPECT_EQ(nb->TotalSize(), 200);
    EXPECT_EQ(nb->TotalFiles(), 2);
    EXPECT_EQ(root->TotalSize(), 200);
    EXPECT_EQ(root->TotalFiles(), 2);
    EXPECT_EQ(root->ExtStats().Get(".dat").Files, 2);
}

} // namespace
} // namespace harrowdale
