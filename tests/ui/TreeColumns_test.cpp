// The folder trees' columns (share of the parent, files, last change) and their sorting
// by a click on a title, with open nodes and the selection following their entries.

#include "support/TempDir.h"
#include "ui/ShareBarDelegate.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"

#include <QHeaderView>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TPageIndex;
using C = ui::TSortableTreeModel::Column;
constexpr std::int64_t kT = 1700000000;

// Three folders whose names, sizes, file counts and newest files all go in other orders,
// and a file of the root larger than any of them.
class SortedTrees : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* d : {"big", "Alpha", "mid"})
            t.MakeDir(d);
        t.MakeFile("big/b1", 3000, kT + 100);
        t.MakeFile("big/b2", 2000, kT + 150);
        t.MakeFile("big/b3", 1000, kT + 120);
        t.MakeFile("Alpha/a1", 5000, kT + 500);
        t.MakeFile("mid/m1", 2000, kT + 300);
        t.MakeFile("mid/m2", 2000, kT + 200);
        t.MakeFile("top.bin", 7000, kT + 50);
        ASSERT_TRUE(w.Scan(t.Path()));
    }
    /// The names of `parent`'s rows (the node texts without their sizes).
    static QStringList Names(const QAbstractItemModel& m, const QModelIndex& parent = {})
    {
        QStringList names;
        for (int r = 0; r < m.rowCount(parent); ++r)
            names << m.index(r, 0, parent).data().toString().section(QStringLiteral("  ["), 0, 0);
        return names;
    }
    test::TempDir t;
    test::WindowDriver w;
};

TEST_F(SortedTrees, FoldersTreeCellsAndEveryColumnBothWaysAndBack)
{
    w.ShowPage(TPageIndex::OnlyFolders);
    QTreeView* tree = w.OnlyFolders().FoldersTree();
    const ui::TFolderTreeModel& m = *w.OnlyFolders().FoldersModel();
    ASSERT_FALSE(tree->isHeaderHidden());
    ASSERT_EQ(Names(m), QStringList({"big", "Alpha", "mid"}));

    // Share of the parent (the root holds 22,000 bytes), as text and as the bar's part.
    EXPECT_EQ(m.index(0, C::Share).data().toString(), "27.27%");
    EXPECT_DOUBLE_EQ(m.index(0, C::Share).data(ui::kShareRole).toDouble(), 6000.0 / 22000.0);
    EXPECT_EQ(w.ColumnTexts(tree, C::Files), QStringList({"3", "1", "2"}));
    // A folder's last change is its newest file's.
    ui::TFilesTreeModel& files = *w.FilesInFolders().FoldersAndFilesModel();
    const QModelIndex a1 = files.IndexOfFile(&w.Folder(t / "Alpha")->Leaves()[0]);
    const QString a1Date = a1.siblingAtColumn(C::Modified).data().toString();
    EXPECT_FALSE(a1Date.isEmpty());
    EXPECT_EQ(m.index(1, C::Modified).data().toString(), a1Date);

    struct Case
    {
        int Column;
        QStringList FirstClick, SecondClick;
    };
    const Case cases[] = {
        {C::Name, {"Alpha", "big", "mid"}, {"mid", "big", "Alpha"}},
        {C::Share, {"big", "Alpha", "mid"}, {"mid", "Alpha", "big"}},
        {C::Files, {"big", "mid", "Alpha"}, {"Alpha", "mid", "big"}},
        {C::Modified, {"Alpha", "mid", "big"}, {"big", "mid", "Alpha"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Column);
        w.ClickColumnTitle(tree, c.Column);
        EXPECT_EQ(Names(m), c.FirstClick);
        w.ClickColumnTitle(tree, c.Column);
        EXPECT_EQ(Names(m), c.SecondClick);
        // Each row's cells are its own entry's.
        const int big = static_cast<int>(c.SecondClick.indexOf("big"));
        EXPECT_EQ(m.index(big, C::Files).data().toString(), "3");
        EXPECT_EQ(m.Folder(m.index(big, C::Modified))->Name(), "big");
        w.ClickColumnTitle(tree, c.Column);
        EXPECT_EQ(Names(m), QStringList({"big", "Alpha", "mid"}));
    }

    // The chosen folder stays chosen, and its node is found, whatever the order.
    ASSERT_TRUE(w.ChooseFolder(t / "mid"));
    w.ClickColumnTitle(tree, C::Name);
    EXPECT_EQ(m.Folder(tree->currentIndex())->Name(), "mid");
    EXPECT_EQ(tree->currentIndex().row(), 2);
    EXPECT_EQ(m.IndexOf(w.Folder(t / "Alpha")).row(), 0);
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "mid"});
}

TEST_F(SortedTrees, FilesTreeKeepsFoldersFirstOpenNodesAndSelection)
{
    w.ShowPage(TPageIndex::FilesInFolders);
    QTreeView* tree = w.FilesInFolders().FoldersAndFilesTree();
    ui::TFilesTreeModel& m = *w.FilesInFolders().FoldersAndFilesModel();
    const QModelIndex root = m.index(0, 0);
    tree->expand(root);
    const QModelIndex big = m.IndexOfFolder(w.Folder(t / "big"));
    tree->expand(big);
    ASSERT_EQ(Names(m, root), QStringList({"big", "Alpha", "mid", "top.bin"}));
    ASSERT_EQ(Names(m, big), QStringList({"b1", "b2", "b3"}));
    EXPECT_EQ(m.index(0, C::Share).data().toString(), "100.00%"); // the root is all of itself
    EXPECT_EQ(m.index(0, C::Share, root).data().toString(), "27.27%");
    EXPECT_EQ(m.index(0, C::Share, big).data().toString(), "50.00%");
    EXPECT_EQ(m.index(0, C::Files, big).data().toString(), ""); // a file has no count

    // A click on a cell of another column selects that one entry, whole row.
    const QModelIndex b3 = m.index(2, C::Files, big);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(b3).center());
    QApplication::processEvents();
    const std::vector<std::string> b3Path{t / "big/b3"};
    ASSERT_EQ(w.SelectedPaths(), b3Path);
    EXPECT_TRUE(tree->selectionModel()->isRowSelected(2, big));
    const QString status = w.Status();

    struct Case
    {
        int Column;
        QStringList Top, InBig;
    };
    // The files of a level come after its folders whatever the order.
    const Case cases[] = {
        {C::Name, {"Alpha", "big", "mid", "top.bin"}, {"b1", "b2", "b3"}},
        {C::Share, {"big", "Alpha", "mid", "top.bin"}, {"b1", "b2", "b3"}},
        {C::Modified, {"Alpha", "mid", "big", "top.bin"}, {"b2", "b3", "b1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Column);
        w.ClickColumnTitle(tree, c.Column);
        const QModelIndex rootNow = m.index(0, 0);
        const QModelIndex bigNow = m.IndexOfFolder(w.Folder(t / "big"));
        EXPECT_EQ(Names(m, rootNow), c.Top);
        EXPECT_EQ(Names(m, bigNow), c.InBig);
        EXPECT_TRUE(tree->isExpanded(bigNow));
        EXPECT_EQ(w.SelectedPaths(), b3Path);
        EXPECT_EQ(w.Status(), status);
        ASSERT_NE(w.FilesInFolders().Map().Primary(), nullptr);
        EXPECT_EQ(w.FilesInFolders().Map().Primary()->FullPath(), b3Path[0]);
    }
    // A folder loaded while sorted is in the order chosen; the default order comes back.
    const QModelIndex mid = m.IndexOfFolder(w.Folder(t / "mid"));
    tree->expand(mid);
    EXPECT_EQ(Names(m, mid), QStringList({"m1", "m2"}));
    tree->header()->setSortIndicator(-1, Qt::AscendingOrder);
    EXPECT_EQ(Names(m, m.index(0, 0)), QStringList({"big", "Alpha", "mid", "top.bin"}));
    EXPECT_EQ(w.SelectedPaths(), b3Path);
}

} // namespace
} // namespace harrowdale
