// Selections flowing between each page's treemap, lists and trees, and the file commands
// acting on exactly what is selected.

#include "platform/FileOps.h"
#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/SampleTree.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"
#include "ui/text/DisplayFormat.h"

#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QTreeView>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

class Scanned : public test::WindowDriver
{
public:
    explicit Scanned(const std::string& path) { Scan(path); }
    /// Row of a file name in the largest-files list.
    int FileRow(const std::string& name)
    {
        for (int r = 0; r < OnlyFiles().FilesModel()->rowCount(); ++r)
            if (OnlyFiles().FilesModel()->File(r)->Name() == name)
                return r;
        return -1;
    }
};

TEST(Selection, OnlyFilesListExtensionsAndMapStayInStep)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    Scanned w(t.Path());
    w.ShowPage(TPageIndex::OnlyFiles);
    const int a = w.FileRow("a.jpg"), c = w.FileRow("c.txt"), d = w.FileRow("d.pdf");

    w.SelectRows(w.OnlyFiles().FilesList(), {a});
    ASSERT_NE(w.OnlyFiles().Map().Primary(), nullptr);
    EXPECT_EQ(w.OnlyFiles().Map().Primary()->File->Name(), "a.jpg");
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "photos/2024/a.jpg") + "  293.0 KB");

    w.SelectRows(w.OnlyFiles().FilesList(), {a, c, d});
    int selected = 0;
    for (const TTreemapItem& it : w.OnlyFiles().Map().Items())
        selected += w.OnlyFiles().Map().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(w.Status(),
              QString::fromStdString(t / "photos/2024/a.jpg") + "  293.0 KB  (3 selected)");

    // Taking a row out of the selection leaves the map alone.
    w.OnlyFiles().FilesList()->selectionModel()->select(w.OnlyFiles().FilesModel()->index(d, 0),
                                                        QItemSelectionModel::Deselect |
                                                            QItemSelectionModel::Rows);
    selected = 0;
    for (const TTreemapItem& it : w.OnlyFiles().Map().Items())
        selected += w.OnlyFiles().Map().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 3);

    // The .jpg row selects both spellings' rows and cells; no extension row clears both.
    w.SelectRows(w.OnlyFiles().ExtensionsList(), {0});
    ASSERT_EQ(w.OnlyFiles().ExtensionsModel()->Row(0).Ext, ".jpg");
    const QModelIndexList rows = w.OnlyFiles().FilesList()->selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 2);
    for (const QModelIndex& i : rows)
        EXPECT_EQ(w.OnlyFiles().FilesModel()->File(i.row())->Ext(), ".jpg");
    selected = 0;
    for (const TTreemapItem& it : w.OnlyFiles().Map().Items())
        selected += w.OnlyFiles().Map().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 2);
    w.OnlyFiles().ExtensionsList()->selectionModel()->clearSelection();
    QApplication::processEvents();
    EXPECT_TRUE(w.OnlyFiles().FilesList()->selectionModel()->selectedRows().isEmpty());
    EXPECT_FALSE(w.OnlyFiles().Map().HasSelection());

    // A click on a cell selects its row; a Ctrl-click on a selected cell still selects it.
    const TTreemapItem& cell = w.OnlyFiles().Map().Items()[0];
    w.ClickMap(w.OnlyFiles(), test::Center(cell.Rect));
    w.ClickMap(w.OnlyFiles(), test::Center(cell.Rect), Qt::ControlModifier);
    EXPECT_FALSE(w.OnlyFiles().Map().HasSelection());
    const QModelIndexList after = w.OnlyFiles().FilesList()->selectionModel()->selectedRows();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(w.OnlyFiles().FilesModel()->File(after[0].row()), cell.File);
}

TEST(Selection, NestedMapClickOpensTheTreeDownToTheFile)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    Scanned w(t.Path());
    w.ShowPage(TPageIndex::FilesInFolders);
    const THierItem* deep = nullptr;
    for (const THierItem& it : w.FilesInFolders().Map().Items())
        if (it.Kind == hkFile && it.FileLeaf()->Name() == "a.jpg")
            deep = &it;
    ASSERT_NE(deep, nullptr);
    w.ClickMap(w.FilesInFolders(), test::Center(deep->Rect));
    ui::TFilesTreeModel* m = w.FilesInFolders().FoldersAndFilesModel();
    const QModelIndex current = w.FilesInFolders().FoldersAndFilesTree()->currentIndex();
    ASSERT_NE(m->File(current), nullptr);
    EXPECT_EQ(m->File(current)->Name(), "a.jpg");
    EXPECT_TRUE(w.FilesInFolders().FoldersAndFilesTree()->isExpanded(m->parent(current)));
    ASSERT_NE(w.FilesInFolders().Map().Primary(), nullptr);
    EXPECT_EQ(w.FilesInFolders().Map().Primary()->FileLeaf(), m->File(current));
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "photos/2024/a.jpg") + "  293.0 KB");

    // A folder clicked is selected in the tree too, also one the tree was never opened
    // down to: the commands act on what was clicked.
    w.FilesInFolders().FoldersAndFilesTree()->collapseAll();
    const THierItem* deepFolder = nullptr;
    for (const THierItem& it : w.FilesInFolders().Map().Items())
        if (it.Kind != hkFile && it.FullPath() == t / "photos/2024")
            deepFolder = &it;
    ASSERT_NE(deepFolder, nullptr);
    ui::TFilesTreeModel* fresh = w.FilesInFolders().FoldersAndFilesModel();
    std::optional<QPoint> onFolder; // a point of the folder's own frame, not of a file in it
    for (int y = deepFolder->Rect.Top; y < deepFolder->Rect.Bottom && !onFolder; ++y)
        for (int x = deepFolder->Rect.Left; x < deepFolder->Rect.Right && !onFolder; ++x)
            if (w.FilesInFolders().Map().HitTest({x, y}) == deepFolder)
                onFolder = QPoint(x, y);
    ASSERT_TRUE(onFolder);
    w.ClickMap(w.FilesInFolders(), *onFolder);
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "photos/2024"});
    EXPECT_EQ(fresh->Folder(w.FilesInFolders().FoldersAndFilesTree()->currentIndex())->FullPath(),
              t / "photos/2024");

    // The extension list selects every cell of its extensions in the nested map.
    int jpgRow = -1;
    for (int r = 0; r < w.FilesInFolders().ExtensionsModel()->rowCount(); ++r)
        if (w.FilesInFolders().ExtensionsModel()->Row(r).Ext == ".jpg")
            jpgRow = r;
    w.SelectRows(w.FilesInFolders().ExtensionsList(), {jpgRow});
    int selected = 0;
    for (const THierItem& it : w.FilesInFolders().Map().Items())
        selected += w.FilesInFolders().Map().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 2);
}

TEST(Selection, FoldersAndDuplicatesPages)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    Scanned w(t.Path());

    // A legend row chooses that folder in the tree and the map.
    w.ShowPage(TPageIndex::OnlyFolders);
    int docs = -1;
    for (int r = 0; r < w.OnlyFolders().TopFoldersModel()->rowCount(); ++r)
        if (w.OnlyFolders().TopFoldersModel()->Folder(r)->Name() == "docs")
            docs = r;
    w.SelectRows(w.OnlyFolders().TopFoldersList(), {docs});
    QApplication::processEvents();
    ASSERT_NE(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "docs");
    EXPECT_EQ(w.OnlyFolders()
                  .FoldersModel()
                  ->Folder(w.OnlyFolders().FoldersTree()->currentIndex())
                  ->Name(),
              "docs");
    EXPECT_EQ(w.OnlyFolders().Map().SelectedNode(), w.OnlyFolders().ChosenFolder());
    EXPECT_TRUE(w.OnlyFolders().TopFoldersList()->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "docs") + "  150.4 KB");

    // A group node selects all of its files in the duplicates map.
    w.ShowPage(TPageIndex::Duplicates);
    ui::TDupTreeModel* tree = w.Duplicates().DuplicatesModel();
    ASSERT_EQ(tree->rowCount(), 1);
    w.Duplicates().DuplicatesTree()->selectionModel()->clear();
    w.Duplicates().DuplicatesTree()->setCurrentIndex(tree->index(0, 0));
    int selected = 0;
    for (const TDupItem& it : w.Duplicates().Map().Items())
        selected += w.Duplicates().Map().IsSelected(it) ? 1 : 0;
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(w.Status(), "copy.dat  3.9 KB  (2 duplicates)");
}

/// The cell of `path` in a page's map.
template <class Page> QPoint CellOf(const Page& page, const std::string& path)
{
    for (const auto& it : page.Map().Items())
        if (it.FullPath() == path)
            return test::Center(it.Rect);
    ADD_FAILURE() << "no cell for " << path;
    return {};
}

TEST(Selection, NamesDifferingOnlyInCaseAreDifferentFiles)
{
    test::TempDir t, data;
    t.MakeFile("a.txt", 20000);
    t.MakeFile("A.txt", 10000);
    t.MakeDir("d1");
    t.MakeDir("d2");
    t.MakeFile("d1/same.dat", 4000);
    t.MakeFile("d2/SAME.dat", 4000);
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    Scanned w(t.Path());

    // A click on one spelling's cell selects that file's row or node, never the other's.
    w.ShowPage(TPageIndex::OnlyFiles);
    w.ClickMap(w.OnlyFiles(), CellOf(w.OnlyFiles(), t / "A.txt"));
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "A.txt"});
    w.ShowPage(TPageIndex::FilesInFolders);
    w.ClickMap(w.FilesInFolders(), CellOf(w.FilesInFolders(), t / "A.txt"));
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "A.txt"});
    w.ShowPage(TPageIndex::Duplicates);
    w.ClickMap(w.Duplicates(), CellOf(w.Duplicates(), t / "d2/SAME.dat"));
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "d2/SAME.dat"});

    // And the command acts on the file clicked.
    w.ShowPage(TPageIndex::OnlyFiles);
    w.ClickMap(w.OnlyFiles(), CellOf(w.OnlyFiles(), t / "A.txt"));
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_FALSE(platform::PathExists(t / "A.txt"));
    EXPECT_TRUE(platform::PathExists(t / "a.txt"));
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    ::unsetenv("XDG_DATA_HOME");
}

TEST(FileCommands, CollectCopyTrashDeleteOnTheSelection)
{
    test::TempDir t, data;
    test::MakeSampleTree(t);
    t.MakeFile("photos/odd\xff name", 500000);
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    Scanned w(t.Path());
    w.ShowPage(TPageIndex::OnlyFiles);
    const std::string odd = t / "photos/odd\xff name";
    const std::string c = t / "docs/c.txt";
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("odd\xff name"), w.FileRow("c.txt")});
    EXPECT_EQ(w.SelectedPaths(), (std::vector<std::string>{odd, c}));

    // Copy: one path a line, no line break after the last. Plain text without a charset
    // and the URLs hold the exact bytes; UTF-8 text, which cannot, the replacement sign.
    w.Trigger(TCommand::CopyPaths);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->data("text/plain").toStdString(), odd + "\n" + c);
    const QString utf8 =
        QString::fromStdString(t / "photos/odd\uFFFD name") + "\n" + QString::fromStdString(c);
    EXPECT_EQ(QString::fromUtf8(clip->data("text/plain;charset=utf-8")), utf8);
    EXPECT_EQ(clip->text(), utf8); // what a paste as text gets
    ASSERT_EQ(clip->urls().size(), 2);
    EXPECT_EQ(clip->urls()[0].toEncoded().toStdString(),
              "file://" + platform::PercentEncodePath(odd));

    // No: nothing changes and no message follows.
    w.Log.Answer = false;
    w.Trigger(TCommand::DeletePermanently);
    const QString named = "\n\n" + QString::fromStdString(t / "photos/odd\uFFFD name") + "\n" +
                          QString::fromStdString(c);
    EXPECT_EQ(w.Log.Questions.back(),
              "Permanently delete 2 items? (This cannot be undone)" + named);
    EXPECT_TRUE(platform::PathExists(odd));
    EXPECT_TRUE(w.Log.Errors.isEmpty());

    // Yes to the trash: exactly the two selected files move, with their info files.
    w.Log.Answer = true;
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_EQ(w.Log.Questions.back(), "Move 2 items to the Trash?" + named);
    EXPECT_FALSE(platform::PathExists(odd));
    EXPECT_FALSE(platform::PathExists(c));
    EXPECT_TRUE(platform::PathExists(data / "Trash/files/odd\xff name"));
    EXPECT_TRUE(platform::PathExists(data / "Trash/info/c.txt.trashinfo"));
    EXPECT_TRUE(platform::PathExists(t / "docs/d.pdf"));
    // The selection moved to the row below the first of them.
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "photos/2024/a.jpg"});
    EXPECT_EQ(w.FileRow("c.txt"), -1);
    EXPECT_TRUE(w.Log.Errors.isEmpty());

    // A file removed behind the window's back: nothing to fail at; it leaves the result,
    // and the status line says so.
    const std::string d = t / "docs/d.pdf";
    std::filesystem::remove(d);
    w.OnlyFiles().FilesList()->selectionModel()->clearSelection();
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("d.pdf")});
    ASSERT_TRUE(w.OnlyFiles().Map().HasSelection());
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_EQ(w.Status(), "1 item no longer existed and left the result");
    EXPECT_EQ(w.FileRow("d.pdf"), -1);

    // A folder node on "Files in Folders" is deleted with everything in it; links inside
    // are removed without touching their targets.
    t.MakeFile("outside.txt", 1);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesTreeModel* m = w.FilesInFolders().FoldersAndFilesModel();
    const TDirNode* photos = nullptr;
    for (const TDirNode* d : w.Root()->Children())
        if (d->Name() == "photos")
            photos = d;
    ASSERT_NE(photos, nullptr);
    t.MakeLink(t / "outside.txt", "photos/link");
    w.FilesInFolders().FoldersAndFilesTree()->setCurrentIndex(m->IndexOfFolder(photos));
    EXPECT_EQ(w.SelectedPaths(), (std::vector<std::string>{t / "photos"}));
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_FALSE(platform::PathExists(t / "photos"));
    EXPECT_TRUE(platform::PathExists(t / "outside.txt"));
    EXPECT_TRUE(w.Log.Errors.isEmpty());

    // Open, reveal and properties skip paths that no longer exist.
    w.FilesInFolders().FoldersAndFilesTree()->setCurrentIndex(m->index(0, 0));
    w.Trigger(TCommand::Open);
    w.Trigger(TCommand::Reveal);
    w.Trigger(TCommand::Properties);
    EXPECT_EQ(w.Log.Opened, std::vector<std::string>{t.Path()});
    EXPECT_EQ(w.Log.Revealed, std::vector<std::string>{t.Path()});
    EXPECT_EQ(w.Log.Properties, std::vector<std::string>{t.Path()});
    ::unsetenv("XDG_DATA_HOME");
}

TEST(FileCommands, ALinkOnTheWayIsNotFollowedAndTheBoxNamesWhatStayed)
{
    test::TempDir t;
    t.MakeDir("data/sub");
    t.MakeDir("outside/sub");
    t.MakeFile("data/sub/x.txt", 3000);
    t.MakeFile("data/other.txt", 2000);
    t.MakeFile("outside/sub/x.txt", 3000);
    Scanned w(t / "data");
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("x.txt"), w.FileRow("other.txt")});

    // After the scan the folder on the way becomes a link to another place.
    std::filesystem::remove_all(t / "data/sub");
    t.MakeLink(t / "outside/sub", "data/sub");
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_EQ(w.Log.Errors[0], "Failed to delete 1 item:\n" +
                                   QString::fromStdString(t / "data/sub/x.txt") +
                                   " (a link or another mount is on the way)");
    EXPECT_TRUE(platform::PathExists(t / "outside/sub/x.txt"));
    EXPECT_FALSE(platform::PathExists(t / "data/other.txt"));

    // What was removed leaves the views; what stayed is still there, selected.
    EXPECT_EQ(w.Status(), "1 item deleted, 2.0 KB");
    EXPECT_EQ(w.FileRow("other.txt"), -1);
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "data/sub/x.txt"});
    ASSERT_NE(w.OnlyFiles().Map().Primary(), nullptr);
    EXPECT_EQ(w.OnlyFiles().Map().Primary()->File->Name(), "x.txt");
    EXPECT_EQ(w.Root()->TotalSize(), 3000);
}

TEST(FileCommands, RemovalQuestionNamesWhatTheCommandActsOn)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    t.MakeDir("big");
    for (int i = 0; i <= 1000; ++i)
        t.MakeFile("big/f" + std::to_string(i), 1);
    t.MakeFile("docs/e.dat", 7000);
    t.MakeFile("photos/e.dat", 7000);
    Scanned w(t.Path());
    w.Log.Answer = false;
    const QString root = QString::fromStdString(t.Path());

    // ".txt" in the extension list frames cells in the map, but the commands act on the
    // tree's node, which is the scanned folder: the question says so.
    w.ShowPage(TPageIndex::FilesInFolders);
    int txt = -1;
    for (int r = 0; r < w.FilesInFolders().ExtensionsModel()->rowCount(); ++r)
        if (w.FilesInFolders().ExtensionsModel()->Row(r).Ext == ".txt")
            txt = r;
    w.SelectRows(w.FilesInFolders().ExtensionsList(), {txt});
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_EQ(w.Log.Questions.back(), "Permanently delete 1 item? (This cannot be undone)\n\n" +
                                          root +
                                          "\n\nAmong them is the scanned folder itself.\nThis "
                                          "takes every copy of 4 files in 2 groups; no copy will "
                                          "be left.");

    // A folder of more than 1,000 files is named as such.
    w.ShowPage(TPageIndex::OnlyFolders);
    int big = -1;
    for (int r = 0; r < w.OnlyFolders().TopFoldersModel()->rowCount(); ++r)
        if (w.OnlyFolders().TopFoldersModel()->Folder(r)->Name() == "big")
            big = r;
    w.SelectRows(w.OnlyFolders().TopFoldersList(), {big});
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_EQ(w.Log.Questions.back(), "Move 1 item to the Trash?\n\n" + root +
                                          "/big\n\nAmong them is a folder holding more than "
                                          "1,000 files.");

    // On "Duplicates" a group picked in the list becomes the tree's selection: the
    // question lists that group's files, none of which would be left.
    w.ShowPage(TPageIndex::Duplicates);
    ui::TDupTreeModel* tree = w.Duplicates().DuplicatesModel();
    const TDupGroup* current = tree->Group(w.Duplicates().DuplicatesTree()->currentIndex());
    ASSERT_NE(current, nullptr);
    const int other = w.Duplicates().GroupsModel()->Group(0) == current ? 1 : 0;
    const TDupGroup* picked = w.Duplicates().GroupsModel()->Group(other);
    w.SelectRows(w.Duplicates().GroupsList(), {other});
    ASSERT_EQ(picked->Files.size(), 2u);
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_EQ(w.Log.Questions.back(),
              "Move 2 items to the Trash?\n\n" +
                  QString::fromStdString(picked->Files[0]->FullPath()) + "\n" +
                  QString::fromStdString(picked->Files[1]->FullPath()) +
                  "\n\nThis takes every copy of 2 files; no copy will be left.\nThese duplicates "
                  "were found by name and size; their contents were not compared.");
    EXPECT_EQ(w.Status(), QString::fromStdString(picked->FileName + "  " +
                                                 FormatSize(picked->Size) + "  (2 duplicates)"));
    EXPECT_TRUE(platform::PathExists(t / "big/f1000"));
    EXPECT_TRUE(platform::PathExists(current->Files[0]->FullPath()));
}

TEST(FileCommands, DuplicatesPageFallsBackToListThenMap)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    Scanned w(t.Path());
    w.ShowPage(TPageIndex::Duplicates);
    // The group node and one of its files together: that file's path comes twice.
    ui::TDupTreeModel* tree = w.Duplicates().DuplicatesModel();
    const QModelIndex group = tree->index(0, 0);
    w.Duplicates().DuplicatesTree()->expand(group);
    QItemSelection both;
    both.select(group, group);
    both.select(tree->index(0, 0, group), tree->index(0, 0, group));
    w.Duplicates().DuplicatesTree()->selectionModel()->select(both,
                                                              QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(w.SelectedPaths().size(), 3u);

    // Nothing in the tree: the groups list; nothing there either: the map's primary file.
    w.Duplicates().DuplicatesTree()->selectionModel()->clear();
    w.SelectRows(w.Duplicates().GroupsList(), {0});
    EXPECT_EQ(w.SelectedPaths().size(), 2u);
    w.Duplicates().GroupsList()->selectionModel()->clearSelection();
    const TDupItem* file = nullptr;
    for (const TDupItem& it : w.Duplicates().Map().Items())
        if (it.Kind() == dkFile)
            file = &it;
    ASSERT_NE(file, nullptr);
    w.ClickMap(w.Duplicates(), test::Center(file->Rect));
    // The click brought the tree to the file; take the tree's selection away without
    // telling the map, as when the clicked file has no node of its own.
    QItemSelectionModel* treeSelection = w.Duplicates().DuplicatesTree()->selectionModel();
    treeSelection->blockSignals(true);
    treeSelection->clear();
    treeSelection->blockSignals(false);
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{file->FullPath()});
}

TEST(FileCommands, NamesWithControlCharactersShowEscapedAndCopyExact)
{
    test::TempDir t;
    t.MakeDir("two\nlines");
    t.MakeFile("two\nlines/tab\there\x1b.txt", 70000);
    t.MakeFile("plain.txt", 1000);
    Scanned w(t.Path());
    const std::string file = t / "two\nlines/tab\there\x1b.txt";
    const QString shown = QString::fromStdString(t / "two\\nlines/tab\\there\\x1b.txt");

    // The list, the tree and the status line show one line with visible escapes.
    w.ShowPage(TPageIndex::OnlyFiles);
    const int row = w.FileRow("tab\there\x1b.txt");
    ASSERT_GE(row, 0);
    ui::TLargestFilesModel* files = w.OnlyFiles().FilesModel();
    EXPECT_EQ(files->index(row, 0).data().toString(), "tab\\there\\x1b.txt");
    EXPECT_EQ(files->index(row, 1).data().toString(), QString::fromStdString(t / "two\\nlines"));
    w.SelectRows(w.OnlyFiles().FilesList(), {row});
    EXPECT_TRUE(w.Status().startsWith(shown)) << w.Status().toStdString();
    EXPECT_FALSE(w.Status().contains('\n'));

    // The hint over the file's cell: the path on one line, the size on the next.
    const TTreemapItem* cell = w.OnlyFiles().Map().GetItemByPath(file);
    ASSERT_NE(cell, nullptr);
    w.HoverMap(w.OnlyFiles(), test::Center(cell->Rect));
    EXPECT_EQ(w.OnlyFiles().Canvas()->toolTip().split('\n').value(0), shown);

    w.ShowPage(TPageIndex::OnlyFolders);
    const QModelIndex folder = w.OnlyFolders().FoldersTree()->model()->index(0, 0);
    EXPECT_TRUE(folder.data().toString().startsWith("two\\nlines"))
        << folder.data().toString().toStdString();

    // Copied: the exact bytes, as plain text and as UTF-8 text alike.
    w.ShowPage(TPageIndex::OnlyFiles);
    w.Trigger(TCommand::CopyPaths);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->text().toStdString(), file);
    EXPECT_EQ(clip->data("text/plain").toStdString(), file);
}

/// Right-clicks a row of a list or tree, as the mouse would before its menu opens.
void RightClickRow(QTreeView* view, const QModelIndex& index)
{
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, view->visualRect(index).center());
    QApplication::processEvents();
}

TEST(FileCommands, ARightClickActsOnWhatWasClickedInThatView)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    t.MakeFile("docs/other.dat", 3000);
    t.MakeFile("photos/other.dat", 3000);
    Scanned w(t.Path());
    w.Log.Answer = false;

    // An extension list offers no commands: its rows only frame files in the map, and a
    // key there does not reach the tree's selection either.
    for (ui::TResultPage* page :
         std::initializer_list<ui::TResultPage*>{&w.FilesInFolders(), &w.OnlyFiles()}) {
        w.ShowPage(page == &w.OnlyFiles() ? TPageIndex::OnlyFiles : TPageIndex::FilesInFolders);
        QTreeView* exts = page->SideList();
        RightClickRow(exts, exts->model()->index(0, 0));
        EXPECT_EQ(exts->contextMenuPolicy(), Qt::DefaultContextMenu);
        EXPECT_TRUE(exts->actions().isEmpty());
        exts->setFocus();
        QTest::keyClick(exts, Qt::Key_Delete);
        QTest::keyClick(exts, Qt::Key_Delete, Qt::ShiftModifier);
        EXPECT_TRUE(w.Log.Questions.isEmpty());
    }

    // On "Only Files" the rows the extension selects are what the commands act on, and
    // the status line names them.
    int dat = -1;
    for (int r = 0; r < w.OnlyFiles().ExtensionsModel()->rowCount(); ++r)
        if (w.OnlyFiles().ExtensionsModel()->Row(r).Ext == ".dat")
            dat = r;
    w.SelectRows(w.OnlyFiles().ExtensionsList(), {dat});
    ASSERT_EQ(w.SelectedPaths().size(), 4u);
    EXPECT_TRUE(w.Status().endsWith("(4 selected)")) << w.Status().toStdString();

    // On "Duplicates" a right-click on a group in the list moves the tree to it, so the
    // menu's commands act on that group.
    w.ShowPage(TPageIndex::Duplicates);
    QTreeView* groups = w.Duplicates().GroupsList();
    for (const int row : {1, 0}) {
        SCOPED_TRACE(row);
        const TDupGroup* g = w.Duplicates().GroupsModel()->Group(row);
        RightClickRow(groups, groups->model()->index(row, 0));
        std::vector<std::string> expected;
        for (const TFileLeaf* f : g->Files)
            expected.push_back(f->FullPath());
        EXPECT_EQ(w.SelectedPaths(), expected);
        EXPECT_TRUE(w.Status().startsWith(QString::fromStdString(g->FileName)));
    }
    // A file picked in the tree: the list marks its group, and nothing else.
    ui::TDupTreeModel* tree = w.Duplicates().DuplicatesModel();
    const QModelIndex second = tree->IndexOfGroup(1);
    w.Duplicates().DuplicatesTree()->expand(second);
    RightClickRow(w.Duplicates().DuplicatesTree(), tree->index(0, 0, second));
    EXPECT_EQ(w.SelectedPaths(),
              std::vector<std::string>{tree->File(tree->index(0, 0, second))->FullPath()});
    EXPECT_EQ(groups->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(groups->selectionModel()->selectedRows().value(0).row(), 1);
}

TEST(FileCommands, SelectAllButOneKeepsTheOldestCopyAndTheQuestionSaysWhatIsLeft)
{
    test::TempDir t, data;
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeDir("c");
    // x.log three times, the copy in b the oldest; y.txt twice, the one in c the oldest.
    t.MakeFile("a/x.log", 9000, 1700000300);
    t.MakeFile("b/x.log", 9000, 1700000100);
    t.MakeFile("c/X.LOG", 9000, 1700000200);
    t.MakeFile("a/y.txt", 2000, 1700000100);
    t.MakeFile("c/y.txt", 2000, 1600000000);
    t.MakeFile("c/lone.txt", 2000, 1600000000);
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    Scanned w(t.Path());
    QAction* butOne = w.Action(TCommand::SelectAllButOne);
    EXPECT_FALSE(butOne->isEnabled()); // the page is not shown

    // The page opens on its first group: removing it leaves no copy, which the question
    // says, as a warning, No still the default.
    w.ShowPage(TPageIndex::Duplicates);
    ASSERT_TRUE(butOne->isEnabled());
    w.Log.Answer = false;
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_TRUE(w.Log.Questions.back().endsWith(
        "\n\nThis takes every copy of 3 files; no copy will be left.\nThese duplicates were "
        "found by name and size; their contents were not compared."))
        << w.Log.Questions.back().toStdString();
    EXPECT_TRUE(w.Log.QuestionWarns.back());

    // Both groups picked: all but the oldest of each.
    w.SelectRows(w.Duplicates().GroupsList(), {0, 1});
    butOne->trigger();
    QApplication::processEvents();
    std::vector<std::string> picked = w.SelectedPaths();
    std::sort(picked.begin(), picked.end()); // a group lists its files as the scan met them
    EXPECT_EQ(picked, (std::vector<std::string>{t / "a/x.log", t / "a/y.txt", t / "c/X.LOG"}));
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_TRUE(w.Log.Questions.back().startsWith("Move 3 items to the Trash?"));
    EXPECT_TRUE(w.Log.Questions.back().endsWith(
        "\n\nThese duplicates were found by name and size; their contents were not compared."))
        << w.Log.Questions.back().toStdString();
    EXPECT_FALSE(w.Log.QuestionWarns.back());
    w.Log.Answer = true;
    w.Trigger(TCommand::MoveToTrash);
    for (const char* kept : {"b/x.log", "c/y.txt", "c/lone.txt"})
        EXPECT_TRUE(platform::PathExists(t / kept)) << kept;
    for (const char* gone : {"a/x.log", "c/X.LOG", "a/y.txt"})
        EXPECT_FALSE(platform::PathExists(t / gone)) << gone;

    // Elsewhere the question still says when no copy is left, but not how copies were
    // found; the command is off there.
    t.MakeFile("a/z.bin", 500);
    t.MakeFile("b/z.bin", 500);
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(TPageIndex::OnlyFiles);
    EXPECT_FALSE(butOne->isEnabled());
    w.Log.Answer = false;
    QItemSelection both;
    for (int r = 0; r < w.OnlyFiles().FilesModel()->rowCount(); ++r)
        if (w.OnlyFiles().FilesModel()->File(r)->Name() == "z.bin")
            both.select(w.OnlyFiles().FilesModel()->index(r, 0),
                        w.OnlyFiles().FilesModel()->index(r, 0));
    w.OnlyFiles().FilesList()->selectionModel()->select(both, QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_TRUE(w.Log.Questions.back().endsWith(
        "\n\nThis takes every copy of 2 files; no copy will be left."))
        << w.Log.Questions.back().toStdString();
    ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace harrowdale
