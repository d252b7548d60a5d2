// The window keeps the user's place when the result changes under it: after Delete or
// Rescan This Folder the open folders stay open, the lists stay scrolled where they were,
// and a selection that went away moves to the next row still there, never to the scanned
// folder itself.

#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"

#include <QScrollBar>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

/// big/ holds 30 files (f00 the largest), mid/ two, small/ one; g.dat (3000 bytes) is in
/// all three, a group of duplicates, and h.dat in big and mid, another.
void MakeTree(const test::TempDir& t)
{
    for (const char* d : {"big", "mid", "small"})
        t.MakeDir(d);
    for (int i = 0; i < 30; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "big/f%02d", i);
        t.MakeFile(name, 100000 - i * 100);
    }
    t.MakeFile("mid/m1", 50000);
    t.MakeFile("mid/m2", 40000);
    t.MakeFile("small/s1", 500);
    for (const char* d : {"big", "mid", "small"})
        t.MakeFile(std::string(d) + "/g.dat", 3000);
    for (const char* d : {"big", "mid"})
        t.MakeFile(std::string(d) + "/h.dat", 2000);
}

class Window : public test::WindowDriver
{
public:
    explicit Window(const std::string& path) : WindowDriver({1000, 700})
    {
        EXPECT_TRUE(Scan(path));
    }
    QTreeView* Tree() const { return FilesInFolders().FoldersAndFilesTree(); }
    QModelIndex Folder(const std::string& path) const
    {
        for (const TDirNode* d : Root()->Children())
            if (d->FullPath() == path)
                return FilesInFolders().FoldersAndFilesModel()->IndexOfFolder(d);
        return {};
    }
    QModelIndex File(const std::string& path) const
    {
        const QModelIndex folder = Folder(path.substr(0, path.rfind('/')));
        for (const TFileLeaf& f : FilesInFolders().FoldersAndFilesModel()->Folder(folder)->Leaves())
            if (f.FullPath() == path)
                return FilesInFolders().FoldersAndFilesModel()->IndexOfFile(&f);
        return {};
    }
    void MakeCurrent(QTreeView* view, const QModelIndex& index)
    {
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        QApplication::processEvents();
    }
    int Scroll(QTreeView* view) const { return view->verticalScrollBar()->value(); }
};

TEST(KeptPlace, FilesInFoldersKeepsOpenFoldersScrollAndMovesToTheNextRow)
{
    test::TempDir t;
    MakeTree(t);
    Window w(t.Path());
    w.ShowPage(TPageIndex::FilesInFolders);
    QTreeView* tree = w.Tree();
    tree->expand(tree->model()->index(0, 0));
    tree->expand(w.Folder(t / "big"));
    tree->expand(w.Folder(t / "mid"));
    w.MakeCurrent(tree, w.File(t / "big/f10"));
    tree->verticalScrollBar()->setValue(tree->verticalScrollBar()->maximum() / 2);
    const int scroll = w.Scroll(tree);
    ASSERT_GT(scroll, 0);

    w.Trigger(TCommand::DeletePermanently);
    ASSERT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join('|').toStdString();
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "big/f11"});
    EXPECT_TRUE(tree->isExpanded(w.Folder(t / "big")));
    EXPECT_TRUE(tree->isExpanded(w.Folder(t / "mid")));
    EXPECT_FALSE(tree->isExpanded(w.Folder(t / "small")));
    EXPECT_EQ(w.Scroll(tree), scroll);

    // Rescan This Folder: the folder stays selected and the others open.
    w.MakeCurrent(tree, w.Folder(t / "mid"));
    w.Trigger(TCommand::RescanFolder);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "mid"});
    EXPECT_TRUE(tree->isExpanded(w.Folder(t / "big")));
    EXPECT_TRUE(tree->isExpanded(w.Folder(t / "mid")));

    // The last row gone, with only the scanned folder above: nothing is selected, and a
    // second Delete has nothing to offer.
    w.MakeCurrent(tree, w.Folder(t / "small"));
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_EQ(w.Log.Questions.size(), 2);
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{});
    EXPECT_FALSE(w.Action(TCommand::DeletePermanently)->isEnabled());
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_EQ(w.Log.Questions.size(), 2);
    EXPECT_TRUE(std::filesystem::exists(t.Path()));
}

TEST(KeptPlace, ListsAndDuplicatesKeepTheirPlace)
{
    test::TempDir t;
    MakeTree(t);
    Window w(t.Path());

    // The largest-files list: the row below takes the deleted one's place.
    w.ShowPage(TPageIndex::OnlyFiles);
    QTreeView* list = w.OnlyFiles().FilesList();
    w.SelectRows(list, {2});
    const std::string below = w.OnlyFiles().FilesModel()->File(3)->FullPath();
    list->verticalScrollBar()->setValue(3);
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{below});
    EXPECT_EQ(w.Scroll(list), 3);

    // Duplicates: the groups open stay open, the next file of the group is selected.
    w.ShowPage(TPageIndex::Duplicates);
    QTreeView* dups = w.Duplicates().DuplicatesTree();
    ASSERT_EQ(dups->model()->rowCount(), 2);
    dups->expandAll();
    const QModelIndex group = dups->model()->index(0, 0); // g.dat, three copies
    w.MakeCurrent(dups, dups->model()->index(0, 0, group));
    const std::string next =
        w.Duplicates().DuplicatesModel()->File(dups->model()->index(1, 0, group))->FullPath();
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_EQ(dups->model()->rowCount(), 2);
    EXPECT_TRUE(dups->isExpanded(dups->model()->index(0, 0)));
    EXPECT_TRUE(dups->isExpanded(dups->model()->index(1, 0)));
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{next});
}

} // namespace
} // namespace harrowdale
