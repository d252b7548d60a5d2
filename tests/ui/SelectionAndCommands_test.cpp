// Selections flowing between each page's treemap, lists and trees, and the file commands
// acting on exactly what is selected.

#include "platform/FileOps.h"
#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/TreeModels.h"
#include "ui/TreemapCanvas.h"
#include "ui/WindowDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMimeData>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

class Scanned : public test::WindowDriver
{
public:
    explicit Scanned(const std::string& path) { Scan(path); }
    /// Row of a file name in the largest-files list.
    int FileRow(const std::string& name)
    {
        for (int r = 0; r < Win.FilesModel()->rowCount(); ++r)
            if (Win.FilesModel()->File(r)->Name() == name)
                return r;
        return -1;
    }
    void SelectRows(QTreeView* view, std::initializer_list<int> rows, bool clear = true)
    {
        QItemSelection sel;
        for (const int r : rows)
            sel.select(view->model()->index(r, 0),
                       view->model()->index(r, view->model()->columnCount() - 1));
        view->selectionModel()->select(sel, clear ? QItemSelectionModel::ClearAndSelect
                                                  : QItemSelectionModel::Select);
        QApplication::processEvents();
    }
};

void MakeTree(const test::TempDir& t)
{
    t.MakeDir("photos/2024");
    t.MakeDir("docs");
    t.MakeFile("photos/2024/a.jpg", 300000);
    t.MakeFile("photos/b.JPG", 200000);
    t.MakeFile("docs/c.txt", 100000);
    t.MakeFile("docs/d.pdf", 50000);
    t.MakeFile("photos/copy.dat", 4000);
    t.MakeFile("docs/copy.dat", 4000);
}

TEST(Selection, OnlyFilesListExtensionsAndMapStayInStep)
{
    test::TempDir t;
    MakeTree(t);
    Scanned w(t.Path());
    w.ShowPage(1);
    const int a = w.FileRow("a.jpg"), c = w.FileRow("c.txt"), d = w.FileRow("d.pdf");

    w.SelectRows(w.Win.lvFiles, {a});
    ASSERT_NE(w.Win.Treemap().Primary(), nullptr);
    EXPECT_EQ(w.Win.Treemap().Primary()->File->Name(), "a.jpg");
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "photos/2024/a.jpg") + "  293.0 KB");

    w.SelectRows(w.Win.lvFiles, {a, c, d});
    int selected = 0;
    for (const TTreemapItem& it : w.Win.Treemap().Items())
        selected += w.Win.Treemap().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(w.Status(),
              QString::fromStdString(t / "photos/2024/a.jpg") + "  293.0 KB  (3 selected)");

    // Taking a row out of the selection leaves the map alone.
    w.Win.lvFiles->selectionModel()->select(
        w.Win.FilesModel()->index(d, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    selected = 0;
    for (const TTreemapItem& it : w.Win.Treemap().Items())
        selected += w.Win.Treemap().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 3);

    // The .jpg row selects both spellings' rows and cells; no extension row clears both.
    w.SelectRows(w.Win.lvExt, {0});
    ASSERT_EQ(w.Win.ExtModel()->Row(0).Ext, ".jpg");
    const QModelIndexList rows = w.Win.lvFiles->selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 2);
    for (const QModelIndex& i : rows)
        EXPECT_EQ(w.Win.FilesModel()->File(i.row())->Ext(), ".jpg");
    selected = 0;
    for (const TTreemapItem& it : w.Win.Treemap().Items())
        selected += w.Win.Treemap().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 2);
    w.Win.lvExt->selectionModel()->clearSelection();
    QApplication::processEvents();
    EXPECT_TRUE(w.Win.lvFiles->selectionModel()->selectedRows().isEmpty());
    EXPECT_FALSE(w.Win.Treemap().HasSelection());

    // A click on a cell selects its row; a Ctrl-click on a selected cell still selects it.
    const TTreemapItem& cell = w.Win.Treemap().Items()[0];
    const QPoint in((cell.Rect.Left + cell.Rect.Right) / 2, (cell.Rect.Top + cell.Rect.Bottom) / 2);
    QTest::mouseClick(w.Win.PaintBox1, Qt::LeftButton, {}, in);
    QTest::mouseClick(w.Win.PaintBox1, Qt::LeftButton, Qt::ControlModifier, in);
    EXPECT_FALSE(w.Win.Treemap().HasSelection());
    const QModelIndexList after = w.Win.lvFiles->selectionModel()->selectedRows();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(w.Win.FilesModel()->File(after[0].row()), cell.File);
}

TEST(Selection, NestedMapClickOpensTheTreeDownToTheFile)
{
    test::TempDir t;
    MakeTree(t);
    Scanned w(t.Path());
    w.ShowPage(0);
    const THierItem* deep = nullptr;
    for (const THierItem& it : w.Win.HierMap().Items())
        if (it.Kind == hkFile && it.FileLeaf()->Name() == "a.jpg")
            deep = &it;
    ASSERT_NE(deep, nullptr);
    QTest::mouseClick(
        w.Win.PaintBox3, Qt::LeftButton, {},
        QPoint((deep->Rect.Left + deep->Rect.Right) / 2, (deep->Rect.Top + deep->Rect.Bottom) / 2));
    ui::TFilesTreeModel* m = w.Win.FoldersAndFilesModel();
    const QModelIndex current = w.Win.tvFoldersAndFiles->currentIndex();
    ASSERT_NE(m->File(current), nullptr);
    EXPECT_EQ(m->File(current)->Name(), "a.jpg");
    EXPECT_TRUE(w.Win.tvFoldersAndFiles->isExpanded(m->parent(current)));
    ASSERT_NE(w.Win.HierMap().Primary(), nullptr);
    EXPECT_EQ(w.Win.HierMap().Primary()->FileLeaf(), m->File(current));
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "photos/2024/a.jpg") + "  293.0 KB");

    // The extension list selects every cell of its extensions in the nested map.
    int jpgRow = -1;
    for (int r = 0; r < w.Win.FileExtensionsModel()->rowCount(); ++r)
        if (w.Win.FileExtensionsModel()->Row(r).Ext == ".jpg")
            jpgRow = r;
    w.SelectRows(w.Win.tvFileExtensions, {jpgRow});
    int selected = 0;
    for (const THierItem& it : w.Win.HierMap().Items())
        selected += w.Win.HierMap().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 2);
}

TEST(Selection, FoldersAndDuplicatesPages)
{
    test::TempDir t;
    MakeTree(t);
    Scanned w(t.Path());

    // A legend row chooses that folder in the tree and the map.
    w.ShowPage(2);
    int docs = -1;
    for (int r = 0; r < w.Win.TopFoldersModel()->rowCount(); ++r)
        if (w.Win.TopFoldersModel()->Folder(r)->Name() == "docs")
            docs = r;
    w.SelectRows(w.Win.lvFilesOfSelectedFolder, {docs});
    QApplication::processEvents();
    ASSERT_NE(w.Win.SelectedFolder(), nullptr);
    EXPECT_EQ(w.Win.SelectedFolder()->Name(), "docs");
    EXPECT_EQ(w.Win.FoldersModel()->Folder(w.Win.tvFolders->currentIndex())->Name(), "docs");
    EXPECT_EQ(w.Win.FolderMap().SelectedNode(), w.Win.SelectedFolder());
    EXPECT_TRUE(w.Win.lvFilesOfSelectedFolder->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "docs") + "  150.4 KB");

    // A group node selects all of its files in the duplicates map.
    w.ShowPage(3);
    ui::TDupTreeModel* tree = w.Win.DuplicateFilesModel();
    ASSERT_EQ(tree->rowCount(), 1);
    w.Win.tvDuplicateFiles->selectionModel()->clear();
    w.Win.tvDuplicateFiles->setCurrentIndex(tree->index(0, 0));
    int selected = 0;
    for (const TDupItem& it : w.Win.DupeMap().Items())
        selected += w.Win.DupeMap().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(w.Status(), "copy.dat  3.9 KB  (2 duplicates)");
}

TEST(FileCommands, CollectCopyTrashDeleteOnTheSelection)
{
    test::TempDir t, data;
    MakeTree(t);
    t.MakeFile("photos/odd\xff name", 500000);
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    Scanned w(t.Path());
    w.ShowPage(1);
    const std::string odd = t / "photos/odd\xff name";
    const std::string c = t / "docs/c.txt";
    w.SelectRows(w.Win.lvFiles, {w.FileRow("odd\xff name"), w.FileRow("c.txt")});
    EXPECT_EQ(w.Win.CollectSelectedPaths(), (std::vector<std::string>{odd, c}));

    // Copy: one path a line, no line break after the last; exact bytes in the URLs.
    w.Win.btnCopyPath->click();
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->text().split('\n').size(), 2);
    EXPECT_FALSE(clip->text().endsWith('\n'));
    ASSERT_EQ(clip->urls().size(), 2);
    EXPECT_EQ(clip->urls()[0].toEncoded().toStdString(),
              "file://" + platform::PercentEncodePath(odd));

    // No: nothing changes and no message follows.
    w.Log.Answer = false;
    w.Win.btnRemove->click();
    EXPECT_EQ(w.Log.Questions.back(), "Permanently delete 2 item(s)? (This cannot be undone)");
    EXPECT_TRUE(platform::PathExists(odd));
    EXPECT_TRUE(w.Log.Errors.isEmpty());

    // Yes to the trash: exactly the two selected files move, with their info files.
    w.Log.Answer = true;
    w.Win.btnRemoveToRecycleBin->click();
    EXPECT_EQ(w.Log.Questions.back(), "Move 2 item(s) to Recycle Bin?");
    EXPECT_FALSE(platform::PathExists(odd));
    EXPECT_FALSE(platform::PathExists(c));
    EXPECT_TRUE(platform::PathExists(data / "Trash/files/odd\xff name"));
    EXPECT_TRUE(platform::PathExists(data / "Trash/info/c.txt.trashinfo"));
    EXPECT_TRUE(platform::PathExists(t / "docs/d.pdf"));
    EXPECT_FALSE(w.Win.Treemap().HasSelection());
    EXPECT_TRUE(w.Log.Errors.isEmpty());

    // The same rows again: the files are gone, so the removal fails with the box and
    // the map keeps its selection.
    w.Win.lvFiles->selectionModel()->clearSelection();
    w.SelectRows(w.Win.lvFiles, {w.FileRow("c.txt")});
    ASSERT_TRUE(w.Win.Treemap().HasSelection());
    w.Win.btnRemove->click();
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_EQ(w.Log.Errors[0], "Failed to delete.");
    EXPECT_TRUE(w.Win.Treemap().HasSelection());

    // A folder node on "Files in Folders" is deleted with everything in it; links inside
    // are removed without touching their targets.
    t.MakeFile("outside.txt", 1);
    w.ShowPage(0);
    ui::TFilesTreeModel* m = w.Win.FoldersAndFilesModel();
    const TDirNode* photos = nullptr;
    for (const TDirNode* d : w.Win.Root()->Children())
        if (d->Name() == "photos")
            photos = d;
    ASSERT_NE(photos, nullptr);
    t.MakeLink(t / "outside.txt", "photos/link");
    w.Win.tvFoldersAndFiles->setCurrentIndex(m->IndexOfFolder(photos));
    EXPECT_EQ(w.Win.CollectSelectedPaths(), (std::vector<std::string>{t / "photos"}));
    w.Win.btnRemove->click();
    EXPECT_FALSE(platform::PathExists(t / "photos"));
    EXPECT_TRUE(platform::PathExists(t / "outside.txt"));
    EXPECT_EQ(w.Log.Errors.size(), 1);

    // Open, reveal and properties skip paths that no longer exist.
    w.Win.tvFoldersAndFiles->setCurrentIndex(m->index(0, 0));
    w.Win.btnOpen->click();
    w.Win.btnOpenExplorer->click();
    w.Win.btnShowProperties->click();
    EXPECT_EQ(w.Log.Opened, std::vector<std::string>{t.Path()});
    EXPECT_EQ(w.Log.Revealed, std::vector<std::string>{t.Path()});
    EXPECT_EQ(w.Log.Properties, std::vector<std::string>{t.Path()});
    ::unsetenv("XDG_DATA_HOME");
}

TEST(FileCommands, DuplicatesPageFallsBackToListThenMap)
{
    test::TempDir t;
    MakeTree(t);
    Scanned w(t.Path());
    w.ShowPage(3);
    // The group node and one of its files together: that file's path comes twice.
    ui::TDupTreeModel* tree = w.Win.DuplicateFilesModel();
    const QModelIndex group = tree->index(0, 0);
    w.Win.tvDuplicateFiles->expand(group);
    QItemSelection both;
    both.select(group, group);
    both.select(tree->index(0, 0, group), tree->index(0, 0, group));
    w.Win.tvDuplicateFiles->selectionModel()->select(both, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(w.Win.CollectSelectedPaths().size(), 3u);

    // Nothing in the tree: the groups list; nothing there either: the map's primary file.
    w.Win.tvDuplicateFiles->selectionModel()->clear();
    w.SelectRows(w.Win.lvDuplicateGroupsColors, {0});
    EXPECT_EQ(w.Win.CollectSelectedPaths().size(), 2u);
    w.Win.lvDuplicateGroupsColors->selectionModel()->clearSelection();
    const TDupItem* file = nullptr;
    for (const TDupItem& it : w.Win.DupeMap().Items())
        if (it.Kind() == dkFile)
            file = &it;
    ASSERT_NE(file, nullptr);
    QTest::mouseClick(
        w.Win.PaintBox4, Qt::LeftButton, {},
        QPoint((file->Rect.Left + file->Rect.Right) / 2, (file->Rect.Top + file->Rect.Bottom) / 2));
    // The click brought the tree to the file; take the tree's selection away without
    // telling the map, as when the clicked file has no node of its own.
    QItemSelectionModel* treeSelection = w.Win.tvDuplicateFiles->selectionModel();
    treeSelection->blockSignals(true);
    treeSelection->clear();
    treeSelection->blockSignals(false);
    EXPECT_EQ(w.Win.CollectSelectedPaths(), std::vector<std::string>{file->FullPath()});
}

} // namespace
} // namespace harrowdale
