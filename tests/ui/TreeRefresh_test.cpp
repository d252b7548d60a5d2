// The result follows the disk without a scan of everything: after Move to Trash or
// Delete, what is gone leaves every view and the window says what was done (what could
// not be removed stays, selected as it was); "Rescan This Folder" scans one folder again
// and puts it in place of the old one.

#include "platform/FileOps.h"
#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/SampleTree.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

class Window : public test::WindowDriver
{
public:
    explicit Window(const std::string& path) { EXPECT_TRUE(Scan(path)); }
    /// The names in the largest-files list, top to bottom.
    std::vector<std::string> ListedFiles()
    {
        std::vector<std::string> names;
        for (int r = 0; r < OnlyFiles().FilesModel()->rowCount(); ++r)
            names.emplace_back(OnlyFiles().FilesModel()->File(r)->Name());
        return names;
    }
    int FileRow(const std::string& name)
    {
        const std::vector<std::string> names = ListedFiles();
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
    const TDirNode* Child(const std::string& name)
    {
        for (const TDirNode* d : Root()->Children())
            if (d->Name() == name)
                return d;
        return nullptr;
    }
    /// Selects nodes of the folders-and-files tree, the first as the current one.
    void SelectInFilesTree(const std::vector<QModelIndex>& nodes)
    {
        QItemSelectionModel* sel = FilesInFolders().FoldersAndFilesTree()->selectionModel();
        sel->setCurrentIndex(nodes.front(), QItemSelectionModel::ClearAndSelect);
        for (const QModelIndex& i : nodes)
            sel->select(i, QItemSelectionModel::Select);
        QApplication::processEvents();
    }
};

class TrashHome
{
public:
    TrashHome() { ::setenv("XDG_DATA_HOME", FData.Path().c_str(), 1); }
    ~TrashHome() { ::unsetenv("XDG_DATA_HOME"); }

private:
    test::TempDir FData;
};

TEST(RemovalRefresh, FilesAndFoldersLeaveEveryViewAndThePageAndSelectionsStay)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    TrashHome trash;
    Window w(t.Path());

    // Another page's choice, to be kept.
    w.ShowPage(TPageIndex::OnlyFolders);
    w.OnlyFolders().FoldersTree()->setCurrentIndex(
        w.OnlyFolders().FoldersModel()->IndexOf(w.Child("photos")));
    ASSERT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "photos");

    // One file to the trash from the largest-files list.
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("d.pdf")});
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_FALSE(platform::PathExists(t / "docs/d.pdf"));
    EXPECT_EQ(w.Status(), "1 item moved to the Trash, 48.8 KB");
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::OnlyFiles);
    EXPECT_EQ(w.ListedFiles(),
              (std::vector<std::string>{"a.jpg", "b.JPG", "c.txt", "copy.dat", "copy.dat"}));
    EXPECT_EQ(w.Root()->TotalSize(), 608000);
    EXPECT_EQ(w.Root()->TotalFiles(), 5);
    for (int r = 0; r < w.OnlyFiles().ExtensionsModel()->rowCount(); ++r)
        EXPECT_NE(w.OnlyFiles().ExtensionsModel()->Row(r).Ext, ".pdf");
    for (const TTreemapItem& it : w.OnlyFiles().Map().Items())
        EXPECT_NE(it.File->Name(), "d.pdf");
    ASSERT_NE(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "photos");
    EXPECT_EQ(w.Duplicates().DuplicatesModel()->rowCount(), 1);

    // A folder and a file inside it, deleted in one go: its bytes count once, and the
    // group of duplicates with one file left is gone.
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesTreeModel* m = w.FilesInFolders().FoldersAndFilesModel();
    const TDirNode* docs = w.Child("docs");
    const QModelIndex docsNode = m->IndexOfFolder(docs);
    w.FilesInFolders().FoldersAndFilesTree()->expand(docsNode);
    const TFileLeaf* c = nullptr;
    for (const TFileLeaf& f : docs->Leaves())
        if (f.Name() == "c.txt")
            c = &f;
    w.SelectInFilesTree({docsNode, m->IndexOfFile(c)});
    EXPECT_EQ(w.SelectedPaths(), (std::vector<std::string>{t / "docs", t / "docs/c.txt"}));
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_FALSE(platform::PathExists(t / "docs"));
    EXPECT_EQ(w.Status(), "2 items deleted, 101.6 KB");
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::FilesInFolders);
    EXPECT_EQ(w.Child("docs"), nullptr);
    EXPECT_EQ(w.Root()->TotalSize(), 504000);
    EXPECT_EQ(w.Root()->TotalFiles(), 3);
    EXPECT_EQ(w.Root()->TotalDirs(), 3);
    m->fetchMore(m->index(0, 0));
    EXPECT_EQ(m->rowCount(m->index(0, 0)), 1); // photos alone under the root
    EXPECT_EQ(w.Duplicates().DuplicatesModel()->rowCount(), 0);
    EXPECT_EQ(w.Duplicates().GroupsModel()->rowCount(), 0);
    EXPECT_EQ(w.ListedFiles(), (std::vector<std::string>{"a.jpg", "b.JPG", "copy.dat"}));
}

TEST(RemovalRefresh, AGroupOfDuplicatesGoesWithItsFiles)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    TrashHome trash;
    Window w(t.Path());
    w.ShowPage(TPageIndex::Duplicates);
    ui::TDupTreeModel* groups = w.Duplicates().DuplicatesModel();
    ASSERT_EQ(groups->rowCount(), 1);
    w.Duplicates().DuplicatesTree()->selectionModel()->clear();
    w.Duplicates().DuplicatesTree()->setCurrentIndex(groups->index(0, 0));
    ASSERT_EQ(w.SelectedPaths().size(), 2u);
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_EQ(w.Status(), "2 items moved to the Trash, 7.8 KB");
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::Duplicates);
    EXPECT_EQ(groups->rowCount(), 0);
    EXPECT_TRUE(w.Duplicates().Map().Items().empty() || !w.Duplicates().Map().HasSelection());
    EXPECT_EQ(w.Root()->TotalFiles(), 4);
    EXPECT_EQ(w.ListedFiles(), (std::vector<std::string>{"a.jpg", "b.JPG", "c.txt", "d.pdf"}));
}

TEST(RemovalRefresh, TheScannedFolderItselfLeavesNothingToShow)
{
    test::TempDir t;
    t.MakeDir("data/sub");
    t.MakeFile("data/sub/x.txt", 3000);
    Window w(t / "data");
    w.ShowPage(TPageIndex::FilesInFolders);
    w.FilesInFolders().FoldersAndFilesTree()->setCurrentIndex(
        w.FilesInFolders().FoldersAndFilesModel()->index(0, 0));
    ASSERT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "data"});
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_FALSE(platform::PathExists(t / "data"));
    EXPECT_EQ(w.Root(), nullptr);
    EXPECT_EQ(w.ListedFiles(), std::vector<std::string>{});
    EXPECT_EQ(w.Status(), "1 item deleted, 2.9 KB");
}

TEST(RescanFolder, TheFolderIsScannedAgainAndTotalsFollowUpToTheRoot)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    Window w(t.Path());
    ASSERT_EQ(w.Root()->TotalSize(), 658000);

    // A file is only a file: nothing to scan again.
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0});
    EXPECT_FALSE(w.Action(TCommand::RescanFolder)->isEnabled());

    // On disk after the scan: one file gone, one file and one folder with a file new.
    std::filesystem::remove(t / "docs/d.pdf");
    t.MakeFile("docs/new.txt", 7000);
    t.MakeDir("docs/sub");
    t.MakeFile("docs/sub/deep.bin", 1000);
    w.ChooseFolder(t / "docs");
    ASSERT_TRUE(w.Action(TCommand::RescanFolder)->isEnabled());
    w.Trigger(TCommand::RescanFolder);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_TRUE(w.Status().startsWith("Done. Total files: 7"));
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::OnlyFolders);
    EXPECT_EQ(w.Root()->TotalSize(), 616000);
    EXPECT_EQ(w.Root()->TotalFiles(), 7);
    EXPECT_EQ(w.Root()->TotalDirs(), 5);
    EXPECT_EQ(w.Root()->ExtStats().Get(".pdf").Files, 0);
    EXPECT_EQ(w.Root()->ExtStats().Get(".bin").Bytes, 1000);
    ASSERT_NE(w.Folder(t / "docs/sub"), nullptr);
    ASSERT_NE(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->FullPath(), t / "docs");
    EXPECT_TRUE(w.FileRow("new.txt") != -1);
    EXPECT_FALSE(w.FileRow("d.pdf") != -1);
    EXPECT_EQ(w.Duplicates().DuplicatesModel()->rowCount(), 1);
}

TEST(RescanFolder, AFolderThatIsGoneLeavesTheResult)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    Window w(t.Path());
    w.ChooseFolder(t / "photos/2024");
    std::filesystem::remove_all(t / "photos/2024");
    w.Trigger(TCommand::RescanFolder);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "photos/2024") +
                              " is gone or changed since the scan; it left the result.");
    EXPECT_EQ(w.Folder(t / "photos/2024"), nullptr);
    EXPECT_EQ(w.Root()->TotalSize(), 358000);
    EXPECT_FALSE(w.FileRow("a.jpg") != -1);
}

} // namespace
} // namespace harrowdale
