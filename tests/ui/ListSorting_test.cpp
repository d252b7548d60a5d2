// Lists sorted by a click on a column's title: both ways and back to the default order,
// with the selection, the commands and the pages' links between views following the rows.

#include "support/TempDir.h"
#include "ui/ColumnsHeader.h"
#include "ui/ListModels.h"
#include "ui/ScratchSettings.h"
#include "ui/Settings.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"

#include <QHeaderView>
#include <QMenu>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TPageIndex;

// Names, folders, sizes and dates in four different orders.
void MakeMixedTree(const test::TempDir& t)
{
    t.MakeDir("a");
    t.MakeDir("b");
    t.MakeDir("c");
    t.MakeFile("a/alpha.dat", 1000, 1700000400);
    t.MakeFile("a/gamma.txt", 4000, 1700000300);
    t.MakeFile("b/Zeta.txt", 3000, 1700000200);
    t.MakeFile("c/Beta.jpg", 2000, 1700000100);
}

QStringList FileNames(const ui::TLargestFilesModel& m)
{
    QStringList names;
    for (int r = 0; r < m.rowCount(); ++r)
        names << QString::fromStdString(std::string(m.File(r)->Name()));
    return names;
}

const QStringList kBySize{"gamma.txt", "Zeta.txt", "Beta.jpg", "alpha.dat"};

// The mixed tree scanned, "Only Files" shown.
class SortedFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MakeMixedTree(t);
        ASSERT_TRUE(w.Scan(t.Path()));
        w.ShowPage(TPageIndex::OnlyFiles);
        ASSERT_EQ(FileNames(m), kBySize);
    }
    test::TempDir t;
    test::WindowDriver w;
    QTreeView* list = w.OnlyFiles().FilesList();
    const ui::TLargestFilesModel& m = *w.OnlyFiles().FilesModel();
};

TEST_F(SortedFiles, ByEveryColumnBothWaysAndBack)
{

    using C = ui::TLargestFilesModel::Column;
    struct Case
    {
        int Column;
        QStringList FirstClick, SecondClick;
    };
    // Sizes and dates come largest and newest first; equal keys (one folder) keep the
    // default order both ways.
    const Case cases[] = {
        {C::Name,
         {"alpha.dat", "Beta.jpg", "gamma.txt", "Zeta.txt"},
         {"Zeta.txt", "gamma.txt", "Beta.jpg", "alpha.dat"}},
        {C::Path,
         {"gamma.txt", "alpha.dat", "Zeta.txt", "Beta.jpg"},
         {"Beta.jpg", "Zeta.txt", "gamma.txt", "alpha.dat"}},
        {C::Size, kBySize, {"alpha.dat", "Beta.jpg", "Zeta.txt", "gamma.txt"}},
        {C::Percentage, kBySize, {"alpha.dat", "Beta.jpg", "Zeta.txt", "gamma.txt"}},
        {C::Modified,
         {"alpha.dat", "gamma.txt", "Zeta.txt", "Beta.jpg"},
         {"Beta.jpg", "Zeta.txt", "gamma.txt", "alpha.dat"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Column);
        w.ClickColumnTitle(list, c.Column);
        EXPECT_EQ(FileNames(m), c.FirstClick);
        EXPECT_EQ(list->header()->sortIndicatorSection(), c.Column);
        w.ClickColumnTitle(list, c.Column);
        EXPECT_EQ(FileNames(m), c.SecondClick);
        // The texts shown follow the rows, not only the files behind them.
        EXPECT_EQ(w.ColumnTexts(list, C::Name), c.SecondClick);
        w.ClickColumnTitle(list, c.Column);
        EXPECT_EQ(FileNames(m), kBySize);
        EXPECT_EQ(list->header()->sortIndicatorSection(), -1);
    }
    // The full path (a hidden column): folder by folder, then the name.
    list->sortByColumn(C::FullPath, Qt::AscendingOrder);
    EXPECT_EQ(FileNames(m), QStringList({"alpha.dat", "gamma.txt", "Zeta.txt", "Beta.jpg"}));
}

TEST_F(SortedFiles, SelectionAndCommandsFollowTheRowsAndANewScanKeepsTheOrder)
{
    w.SelectRows(list, {1}); // Zeta.txt
    list->selectionModel()->setCurrentIndex(m.index(1, 0), QItemSelectionModel::NoUpdate);
    const std::vector<std::string> zeta{t / "b/Zeta.txt"};
    ASSERT_EQ(w.SelectedPaths(), zeta);
    const QString status = w.Status();

    w.ClickColumnTitle(list, ui::TLargestFilesModel::Name);
    EXPECT_EQ(w.SelectedPaths(), zeta);
    EXPECT_EQ(w.Status(), status);
    EXPECT_EQ(m.File(list->currentIndex().row())->Name(), "Zeta.txt");
    ASSERT_NE(w.OnlyFiles().Map().Primary(), nullptr);
    EXPECT_EQ(w.OnlyFiles().Map().Primary()->File->Name(), "Zeta.txt");
    // A row picked in the sorted list is the file it shows.
    w.SelectRows(list, {0});
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "a/alpha.dat"});
    EXPECT_EQ(w.OnlyFiles().Map().Primary()->File->Name(), "alpha.dat");

    // The extension list too: files per extension, largest first, ties as before.
    QTreeView* ext = w.OnlyFiles().ExtensionsList();
    ASSERT_EQ(w.ColumnTexts(ext, 0), QStringList({".txt", ".jpg", ".dat"}));
    w.ClickColumnTitle(ext, 4);
    EXPECT_EQ(w.ColumnTexts(ext, 0), QStringList({".txt", ".jpg", ".dat"}));
    w.ClickColumnTitle(ext, 4);
    EXPECT_EQ(w.ColumnTexts(ext, 0), QStringList({".jpg", ".dat", ".txt"}));
    w.ClickColumnTitle(ext, 0);
    EXPECT_EQ(w.ColumnTexts(ext, 0), QStringList({".dat", ".jpg", ".txt"}));
    w.SelectRows(ext, {1});
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "c/Beta.jpg"});

    // A new result is shown in the order chosen.
    t.MakeFile("b/aaa.bin", 10);
    ASSERT_TRUE(w.ScanAndWait());
    EXPECT_EQ(FileNames(m),
              QStringList({"aaa.bin", "alpha.dat", "Beta.jpg", "gamma.txt", "Zeta.txt"}));
    EXPECT_EQ(w.ColumnTexts(ext, 0), QStringList({".bin", ".dat", ".jpg", ".txt"}));
}

TEST(SortedLists, LegendAndGroupsPickWhatTheyShow)
{
    test::TempDir t;
    t.MakeDir("one");
    t.MakeDir("two");
    t.MakeFile("one/zz.iso", 8000);
    t.MakeFile("two/zz.iso", 8000);
    t.MakeFile("one/aa.bin", 5000);
    t.MakeFile("two/aa.bin", 5000);
    t.MakeFile("two/extra.bin", 100);
    test::WindowDriver w;
    ASSERT_TRUE(w.Scan(t.Path()));

    // The legend by name: "one" comes first although "two" is larger.
    w.ShowPage(TPageIndex::OnlyFolders);
    QTreeView* legend = w.OnlyFolders().TopFoldersList();
    ASSERT_EQ(w.ColumnTexts(legend, 0), QStringList({"two", "one"}));
    w.ClickColumnTitle(legend, 0);
    ASSERT_EQ(w.ColumnTexts(legend, 0), QStringList({"one", "two"}));
    w.SelectRows(legend, {0});
    QApplication::processEvents(); // the choice is made after the list's own event
    ASSERT_NE(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "one");
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "one"});

    // The groups by name: picking the first row shown picks "aa.bin" in the tree, and the
    // tree's group marks its own row in the sorted list.
    w.ShowPage(TPageIndex::Duplicates);
    QTreeView* groups = w.Duplicates().GroupsList();
    QTreeView* tree = w.Duplicates().DuplicatesTree();
    ASSERT_EQ(w.ColumnTexts(groups, 0), QStringList({"zz.iso", "aa.bin"}));
    w.ClickColumnTitle(groups, 0);
    ASSERT_EQ(w.ColumnTexts(groups, 0), QStringList({"aa.bin", "zz.iso"}));
    w.SelectRows(groups, {0});
    const TDupGroup* picked = w.Duplicates().DuplicatesModel()->Group(tree->currentIndex());
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->FileName, "aa.bin");
    EXPECT_EQ(w.SelectedPaths().size(), 2u);
    for (const std::string& p : w.SelectedPaths())
        EXPECT_TRUE(p.ends_with("aa.bin")) << p;

    tree->selectionModel()->clear();
    tree->setCurrentIndex(w.Duplicates().DuplicatesModel()->index(0, 0)); // zz.iso's group
    QApplication::processEvents();
    const QModelIndexList marked = groups->selectionModel()->selectedRows();
    ASSERT_EQ(marked.size(), 1);
    EXPECT_EQ(marked[0].row(), 1);
    EXPECT_EQ(marked[0].data().toString(), "zz.iso");
}

class HiddenColumns : public test::ScratchSettings
{
protected:
    /// The check of a column in the titles' menu.
    static QAction* Check(QMenu& menu, const QString& title)
    {
        for (QAction* a : menu.actions())
            if (a->text() == title)
                return a;
        return nullptr;
    }
};

TEST_F(HiddenColumns, ChosenInTheTitlesMenuAndKeptWithTheOrderAcrossARestart)
{
    {
        test::WindowDriver first;
        first.Win.RestoreSettings();
        first.ShowPage(TPageIndex::OnlyFiles);
        QTreeView* list = first.OnlyFiles().FilesList();
        const auto menu = ui::ColumnsMenu(list);
        // Every column but the name; the full path is offered although hidden at first.
        ASSERT_EQ(Check(*menu, "Name"), nullptr);
        QAction* path = Check(*menu, "Path");
        QAction* full = Check(*menu, "FullPath");
        ASSERT_NE(path, nullptr);
        ASSERT_NE(full, nullptr);
        EXPECT_TRUE(path->isChecked());
        EXPECT_FALSE(full->isChecked());
        path->trigger();
        full->trigger();
        EXPECT_TRUE(list->isColumnHidden(ui::TLargestFilesModel::Path));
        EXPECT_FALSE(list->isColumnHidden(ui::TLargestFilesModel::FullPath));
        EXPECT_GT(list->columnWidth(ui::TLargestFilesModel::FullPath), 0);
        first.ClickColumnTitle(list, ui::TLargestFilesModel::Size); // largest first
        first.ClickColumnTitle(list, ui::TLargestFilesModel::Size); // smallest first
        first.Win.close();
    }
    test::TempDir t;
    MakeMixedTree(t);
    test::WindowDriver second;
    second.Win.RestoreSettings();
    ASSERT_TRUE(second.Scan(t.Path()));
    second.ShowPage(TPageIndex::OnlyFiles);
    QTreeView* list = second.OnlyFiles().FilesList();
    EXPECT_TRUE(list->isColumnHidden(ui::TLargestFilesModel::Path));
    EXPECT_FALSE(list->isColumnHidden(ui::TLargestFilesModel::FullPath));
    EXPECT_EQ(FileNames(*second.OnlyFiles().FilesModel()),
              QStringList({"alpha.dat", "Beta.jpg", "Zeta.txt", "gamma.txt"}));
    const auto menu = ui::ColumnsMenu(list);
    EXPECT_FALSE(Check(*menu, "Path")->isChecked());
    // "Default Order" goes back to the largest first.
    QAction* unsorted = Check(*menu, "Default Order");
    ASSERT_NE(unsorted, nullptr);
    ASSERT_TRUE(unsorted->isEnabled());
    unsorted->trigger();
    QApplication::processEvents();
    EXPECT_EQ(FileNames(*second.OnlyFiles().FilesModel()), kBySize);
    EXPECT_FALSE(ui::ColumnsMenu(list)->actions().back()->isEnabled());
}

} // namespace
} // namespace harrowdale
