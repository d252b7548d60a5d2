// The "Only Folders", "Files in Folders" and "Duplicates" pages after a real scan.

#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/TreeModels.h"
#include "ui/TreemapCanvas.h"
#include "ui/WindowDriver.h"

#include <QApplication>
#include <QTreeView>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TPageIndex;

struct ScannedWindow : test::WindowDriver
{
    explicit ScannedWindow(const std::string& path) { Scan(path); }
};

QString Text(const QModelIndex& i)
{
    return i.data().toString();
}

TEST(FoldersPage, TreeOrderTextsAndLegend)
{
    test::TempDir t;
    t.MakeDir("small/inner");
    t.MakeDir("big");
    t.MakeDir("empty");
    t.MakeFile("small/inner/x.bin", 2048);
    t.MakeFile("big/y.bin", 10240);
    t.MakeFile("root-file.bin", 999999); // files of the root belong to no top-level folder
    ScannedWindow w(t.Path());
    ASSERT_TRUE(w.Status().startsWith("Done."));

    ui::TFolderTreeModel* m = w.OnlyFolders().FoldersModel();
    ASSERT_EQ(m->rowCount(), 3); // the root has no node
    EXPECT_EQ(Text(m->index(0, 0)), "big  [10.0 KB]");
    EXPECT_EQ(Text(m->index(1, 0)), "small  [2.0 KB]");
    EXPECT_EQ(Text(m->index(2, 0)), "empty  [0 B]");
    const QModelIndex small = m->index(1, 0);
    ASSERT_EQ(m->rowCount(small), 1);
    EXPECT_EQ(Text(m->index(0, 0, small)), "inner  [2.0 KB]");
    EXPECT_EQ(m->parent(m->index(0, 0, small)), small);

    // The first node is selected: the largest top-level folder is the chosen folder.
    ASSERT_NE(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "big");
    EXPECT_EQ(w.OnlyFolders().FoldersTree()->currentIndex(), m->index(0, 0));

    // The legend lists the top-level folders; their shares make 100 % among themselves.
    ui::TTopFoldersModel* legend = w.OnlyFolders().TopFoldersModel();
    ASSERT_EQ(legend->rowCount(), 3);
    EXPECT_EQ(Text(legend->index(0, 0)), "big");
    EXPECT_EQ(Text(legend->index(0, 3)), "83.33%");
    EXPECT_EQ(Text(legend->index(1, 3)), "16.67%");
    EXPECT_EQ(Text(legend->index(2, 3)), "0.00%");
    EXPECT_EQ(Text(legend->index(0, 4)), "1");
    EXPECT_EQ(legend->index(0, 1).data(ui::kColorRole).value<TColor>(), ColorForPath(t / "big"));

    // Choosing another folder in the tree frames it in the folder map and keeps the legend.
    w.OnlyFolders().FoldersTree()->setCurrentIndex(small);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "small");
    EXPECT_EQ(w.OnlyFolders().Map().SelectedNode(), w.OnlyFolders().ChosenFolder());
    EXPECT_EQ(legend->rowCount(), 3);
}

TEST(FoldersPage, RootWithoutSubfoldersGivesAnEmptyTree)
{
    test::TempDir t;
    t.MakeFile("only.txt", 10);
    ScannedWindow w(t.Path());
    EXPECT_EQ(w.OnlyFolders().FoldersModel()->rowCount(), 0);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().TopFoldersModel()->rowCount(), 0);
}

TEST(FilesInFoldersPage, LoadsFoldersOnFirstExpansion)
{
    test::TempDir t;
    t.MakeDir("tiny");
    t.MakeDir("mid");
    t.MakeFile("tiny/a", 1);
    t.MakeFile("mid/b", 5000);
    t.MakeFile("huge.iso", 10 * 1024 * 1024);
    t.MakeFile("medium.bin", 4096);
    ScannedWindow w(t.Path());
    ui::TFilesTreeModel* m = w.FilesInFolders().FoldersAndFilesModel();
    QTreeView* tree = w.FilesInFolders().FoldersAndFilesTree();

    ASSERT_EQ(m->rowCount(), 1);
    const QModelIndex root = m->index(0, 0);
    EXPECT_EQ(Text(root), QString::fromStdString(std::string(w.Root()->Name())) + "  [10.0 MB]");
    EXPECT_EQ(tree->currentIndex(), root);
    EXPECT_FALSE(tree->isExpanded(root));
    EXPECT_TRUE(m->hasChildren(root));
    EXPECT_EQ(m->rowCount(root), 0); // nothing loaded before the first expansion

    tree->expand(root); // the children exist as soon as the call returns
    ASSERT_EQ(m->rowCount(root), 4);
    // Subfolders first, by size, then the files by size: a 1-byte folder above a 10 MB file.
    EXPECT_EQ(Text(m->index(0, 0, root)), "mid  [4.9 KB]");
    EXPECT_EQ(Text(m->index(1, 0, root)), "tiny  [1 B]");
    EXPECT_EQ(Text(m->index(2, 0, root)), "huge.iso  [10.0 MB]");
    EXPECT_EQ(Text(m->index(3, 0, root)), "medium.bin  [4.0 KB]");
    EXPECT_NE(m->Folder(m->index(1, 0, root)), nullptr);
    EXPECT_NE(m->File(m->index(2, 0, root)), nullptr);
    EXPECT_FALSE(m->hasChildren(m->index(2, 0, root)));

    // Collapsing and expanding again adds nothing.
    tree->collapse(root);
    tree->expand(root);
    EXPECT_EQ(m->rowCount(root), 4);

    // An index of a deep file loads the folders on the way.
    const TFileLeaf* b = &w.Root()->Children()[0]->Leaves()[0];
    const QModelIndex bi = m->IndexOfFile(b);
    ASSERT_TRUE(bi.isValid());
    EXPECT_EQ(m->File(bi), b);
    EXPECT_EQ(m->parent(bi), m->index(0, 0, root));
}

TEST(FilesInFoldersPage, EmptyRootShowsNoExpander)
{
    test::TempDir t;
    ScannedWindow w(t.Path());
    ui::TFilesTreeModel* m = w.FilesInFolders().FoldersAndFilesModel();
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_FALSE(m->hasChildren(m->index(0, 0)));
}

TEST(DuplicatesPage, GroupsCapsAndDates)
{
    test::TempDir t;
    // 503 copies of one name (in any case) and size: 500 nodes and a "more files" node.
    for (int d = 0; d < 503; ++d) {
        const std::string dir = "d" + std::to_string(d);
        t.MakeDir(dir);
        t.MakeFile(dir + (d % 2 ? "/Report.PDF" : "/report.pdf"), 1000, 1700000000);
    }
    // Exactly 500 copies: no "more files" node. Empty files rank last.
    for (int d = 0; d < 500; ++d)
        t.MakeFile("d" + std::to_string(d) + "/five.dat", 7, 1700000000);
    t.MakeFile("d0/zero", 0, 1700000000);
    t.MakeFile("d1/zero", 0, 1700000000);
    // A group whose first file has no date.
    t.MakeFile("d0/undated.txt", 3000, 0);
    t.MakeFile("d1/undated.txt", 3000, 0);
    // Same name, different sizes: no group.
    t.MakeFile("d2/lonely.txt", 1000);
    t.MakeFile("d3/lonely.txt", 1001);
    ScannedWindow w(t.Path());
    ASSERT_TRUE(w.Status().startsWith("Done.")) << w.Status().toStdString();

    ui::TDupTreeModel* tree = w.Duplicates().DuplicatesModel();
    ui::TDupGroupsModel* list = w.Duplicates().GroupsModel();
    ASSERT_EQ(tree->rowCount(), 4);
    ASSERT_EQ(list->rowCount(), 4);
    // Ranked by files x size: 503 x 1000, 500 x 7 = 3500 < 2 x 3000 = 6000, then 0.
    const QModelIndex big = tree->index(0, 0);
    EXPECT_TRUE(Text(big).endsWith("  (503)")) << Text(big).toStdString();
    ASSERT_EQ(tree->rowCount(big), 501);
    EXPECT_EQ(Text(tree->index(500, 0, big)), "... 3 more files not shown");
    EXPECT_TRUE(tree->IsMoreNode(tree->index(500, 0, big)));
    EXPECT_EQ(tree->File(tree->index(500, 0, big)), nullptr);
    EXPECT_TRUE(Text(tree->index(0, 0, big)).startsWith(QString::fromStdString(t.Path())));

    EXPECT_EQ(Text(tree->index(1, 0)), "undated.txt  (2)");
    EXPECT_EQ(Text(list->index(1, 3)), "");
    EXPECT_EQ(Text(tree->index(2, 0)), "five.dat  (500)");
    EXPECT_EQ(tree->rowCount(tree->index(2, 0)), 500);
    EXPECT_EQ(Text(tree->index(3, 0)), "zero  (2)");
    EXPECT_EQ(Text(list->index(0, 2)), "1000 B");
    EXPECT_EQ(Text(list->index(0, 3)).size(), 16);
    EXPECT_EQ(list->index(0, 1).data(ui::kColorRole).value<TColor>(),
              w.Win.Results().Duplicates.Groups[0]->Color);

    // The first node is selected and every group is collapsed; the map shows duplicates.
    EXPECT_EQ(w.Duplicates().DuplicatesTree()->currentIndex(), big);
    EXPECT_FALSE(w.Duplicates().DuplicatesTree()->isExpanded(big));
    w.ShowPage(TPageIndex::Duplicates);
    EXPECT_FALSE(w.Duplicates().Map().Items().empty());

    // The group node selects every file of the group in the map, also those past the
    // 500 listed under it.
    w.Duplicates().DuplicatesTree()->selectionModel()->clear();
    w.Duplicates().DuplicatesTree()->setCurrentIndex(big);
    std::size_t placed = 0, selected = 0;
    for (const TDupItem& it : w.Duplicates().Map().Items()) {
        if (it.Kind() != dkFile || it.Size() != 1000)
            continue;
        ++placed;
        selected += w.Duplicates().Map().IsSelected(it) ? 1 : 0;
    }
    EXPECT_GT(placed, 500u); // cells too small to draw get no item
    EXPECT_EQ(selected, placed);
    EXPECT_TRUE(w.Status().endsWith("  1000 B  (503 duplicates)")) << w.Status().toStdString();
}

TEST(DuplicatesPage, NoDuplicatesKeepsThePlaceholder)
{
    test::TempDir t;
    t.MakeFile("a.txt", 10);
    t.MakeFile("b.txt", 10);
    ScannedWindow w(t.Path());
    EXPECT_EQ(w.Duplicates().DuplicatesModel()->rowCount(), 0);
    EXPECT_EQ(w.Duplicates().GroupsModel()->rowCount(), 0);
    w.ShowPage(TPageIndex::Duplicates);
    w.Duplicates().Canvas()->grab();
    EXPECT_NE(w.Duplicates().Canvas()->Buffer().pixel(1, 1), qRgb(0, 0, 0));
}

} // namespace
} // namespace harrowdale
