// Zoom on the nested maps: a folder fills the map, Zoom Out, Back, Forward and the
// breadcrumb above the map move through the places seen, a selection made beside the map
// outside the place shown zooms out as far as it must, and a place that leaves the result
// gives way to its nearest parent that is left. The lists and trees keep the whole result.

#include "platform/FileOps.h"
#include "scan/TreeLookup.h"
#include "support/TempDir.h"
#include "ui/BreadcrumbBar.h"
#include "ui/ListModels.h"
#include "ui/SampleTree.h"
#include "ui/WindowDriver.h"

#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

/// The sample tree, scanned: photos/2024/a.jpg, photos/b.JPG, docs/c.txt, docs/d.pdf and
/// copy.dat in photos and in docs.
class ZoomWindow : public test::WindowDriver
{
public:
    explicit ZoomWindow(const test::TempDir& t) : T(t)
    {
        test::MakeSampleTree(t);
        EXPECT_TRUE(Scan(t.Path()));
        Win.activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&Win);
    }
    /// The folder the page's map is laid out from, below the scanned folder ("" for the
    /// scanned folder itself). Every cell must lie in it, and some directly.
    std::string MapRoot(ui::TResultPage& page) const
    {
        const TDirNode* root = page.Zoom()->MapRoot();
        bool direct = false;
        auto check = [&](const TDirNode* parent) {
            EXPECT_TRUE(IsWithin(parent, root)) << parent->FullPath();
            direct |= parent == root;
        };
        if (&page == &OnlyFolders())
            for (const TFolderMapItem& it : OnlyFolders().Map().Items())
                check(it.Node->Parent());
        else if (&page == &Duplicates())
            for (const TDupItem& it : Duplicates().Map().Items())
                check(it.Entry.Parent());
        else
            for (const THierItem& it : FilesInFolders().Map().Items())
                check(it.Entry.Parent());
        EXPECT_TRUE(direct) << "no cell directly in " << root->FullPath();
        const std::string path = root->FullPath();
        return path == T.Path() ? std::string() : path.substr(T.Path().size() + 1);
    }
    /// Zoom Into Folder, Zoom Out, Back, Forward: a letter for each that is on.
    std::string Commands() const
    {
        std::string on;
        for (auto [c, letter] : {std::pair{TCommand::ZoomIn, 'I'},
                                 {TCommand::ZoomOut, 'O'},
                                 {TCommand::Back, 'B'},
                                 {TCommand::Forward, 'F'}})
            on += Action(c)->isEnabled() ? letter : '-';
        return on;
    }
    /// The places of the breadcrumb; empty while it is hidden.
    QStringList Breadcrumb(ui::TResultPage& page) const
    {
        const ui::TBreadcrumbBar* bar = page.Zoom()->Breadcrumb();
        return bar->isVisible() ? bar->Places() : QStringList();
    }
    void ClickBreadcrumb(ui::TResultPage& page, int place)
    {
        ui::TBreadcrumbBar* bar = page.Zoom()->Breadcrumb();
        ASSERT_FALSE(bar->LinkRect(place).isEmpty());
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->LinkRect(place).center());
        Settle();
    }
    void ZoomTo(ui::TResultPage& page, const std::string& below)
    {
        page.Zoom()->ZoomTo(Folder(below.empty() ? T.Path() : T / below));
        Settle();
    }
    /// The middle of the cell of `below` in the page's map.
    template <class Page> QPoint CellOf(const Page& page, const std::string& below) const
    {
        for (const auto& it : page.Map().Items())
            if (it.FullPath() == T / below)
                return test::Center(it.Rect);
        ADD_FAILURE() << "no cell for " << below;
        return {};
    }
    /// Whether the map of "Files in Folders" is what a build from its root at its size
    /// gives: a layout kept of a place is shown again only while it is that.
    bool FilesMapIsFresh() const
    {
        const ui::TFilesInFoldersPage& page = FilesInFolders();
        THierTreemapLayout fresh;
        fresh.BuildFromRootSquarified(page.Zoom()->MapRoot(),
                                      {0, 0, page.Canvas()->width(), page.Canvas()->height()});
        const auto shown = page.Map().Items(), built = fresh.Items();
        return std::equal(shown.begin(), shown.end(), built.begin(), built.end(),
                          [](const THierItem& a, const THierItem& b) {
                              return a.Rect == b.Rect && a.FullPath() == b.FullPath();
                          });
    }
    void Run(TCommand c)
    {
        Trigger(c);
        Settle();
    }

    const test::TempDir& T;
};

TEST(MapZoom, ZoomBackForwardAndTheBreadcrumbWalkThePlacesSeen)
{
    test::TempDir t;
    ZoomWindow w(t);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    EXPECT_EQ(w.Commands(), "----"); // the scanned folder is selected: it fills the map
    EXPECT_EQ(w.Breadcrumb(page), QStringList());

    w.ClickMap(page, w.CellOf(page, "photos/2024/a.jpg"));
    EXPECT_EQ(w.Commands(), "I---");
    page.Canvas()->grab();
    const QImage whole = page.Canvas()->Buffer().copy();
    const QString r = QString::fromStdString(t.Path());
    const struct
    {
        std::optional<TCommand> Command; ///< none: a click on the breadcrumb's first place
        std::string Root;
        std::string Commands;
        QStringList Breadcrumb;
    } steps[] = {
        {TCommand::ZoomIn, "photos/2024", "-OB-", {r, "photos", "2024"}},
        {TCommand::ZoomOut, "photos", "IOB-", {r, "photos"}},
        {TCommand::Back, "photos/2024", "-OBF", {r, "photos", "2024"}},
        {TCommand::Back, "", "I--F", {}},
        {TCommand::Forward, "photos/2024", "-OBF", {r, "photos", "2024"}},
        {TCommand::Forward, "photos", "IOB-", {r, "photos"}},
        {std::nullopt, "", "I-B-", {}}, // somewhere new: the way forward is gone
        {TCommand::Back, "photos", "IOBF", {r, "photos"}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.Command ? w.Action(*s.Command)->text().toStdString() : "breadcrumb");
        if (s.Command)
            w.Run(*s.Command);
        else
            w.ClickBreadcrumb(page, 0);
        EXPECT_EQ(w.MapRoot(page), s.Root);
        EXPECT_EQ(w.Commands(), s.Commands);
        EXPECT_EQ(w.Breadcrumb(page), s.Breadcrumb);
        // What the tree has selected is selected in the map wherever it shows it; the
        // whole result looks as it did.
        ASSERT_NE(page.Map().Primary(), nullptr);
        EXPECT_EQ(page.Map().Primary()->FullPath(), t / "photos/2024/a.jpg");
        EXPECT_TRUE(w.FilesMapIsFresh());
        if (s.Root.empty()) {
            page.Canvas()->grab();
            EXPECT_EQ(page.Canvas()->Buffer(), whole);
        }
    }
    // At another size the map is laid out again wherever it goes.
    w.Win.resize(1000, 760);
    w.Settle();
    for (const TCommand c : {TCommand::Forward, TCommand::Back}) {
        w.Run(c);
        EXPECT_TRUE(w.FilesMapIsFresh());
    }
    // The tree beside the map still holds the whole result; a double-click still shows
    // the file clicked in its folder.
    ui::TFilesTreeModel* tree = page.FoldersAndFilesModel();
    EXPECT_EQ(tree->Folder(tree->index(0, 0)), w.Root());
    w.ClickMap(page, w.CellOf(page, "photos/b.JPG")); // the first click of the two
    w.DoubleClickMap(page, w.CellOf(page, "photos/b.JPG"));
    EXPECT_EQ(w.Log.Revealed, std::vector<std::string>{t / "photos/b.JPG"});
    EXPECT_EQ(w.MapRoot(page), "photos");
}

TEST(MapZoom, KeysAndTheMouseButtonsReachTheZoomCommandsAndListsKeepTheirKeys)
{
    test::TempDir t;
    ZoomWindow w(t);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    w.ClickMap(page, w.CellOf(page, "photos/2024/a.jpg"));
    QWidget* map = page.Canvas();
    QWidget* tree = page.FoldersAndFilesTree();
    QWidget* extensions = page.ExtensionsList();
    const struct
    {
        QKeyCombination Key;
        QWidget* Focus;
        std::string Root;
    } cases[] = {
        {Qt::CTRL | Qt::Key_Down, map, "photos/2024"},
        {Qt::CTRL | Qt::Key_Up, map, "photos"},
        {Qt::ALT | Qt::Key_Left, map, "photos/2024"},
        {Qt::ALT | Qt::Key_Right, map, "photos"},
        {QKeyCombination(Qt::Key_Minus), map, ""},
        {QKeyCombination(Qt::Key_Plus), map, "photos/2024"},
        {Qt::ALT | Qt::Key_Left, tree, ""}, // Back and Forward anywhere on the page
        {Qt::ALT | Qt::Key_Right, extensions, "photos/2024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(c.Key).toString().toStdString());
        c.Focus->setFocus();
        QTest::keyClick(c.Focus, c.Key.key(), c.Key.keyboardModifiers());
        w.Settle();
        EXPECT_EQ(w.MapRoot(page), c.Root);
    }
    // The mouse's back and forward buttons, which select nothing.
    const std::vector<std::string> selected = w.SelectedPaths();
    w.ClickMap(page, QPoint(5, 5), {}, Qt::BackButton);
    w.Settle();
    EXPECT_EQ(w.MapRoot(page), "");
    w.ClickMap(page, QPoint(5, 5), {}, Qt::ForwardButton);
    w.Settle();
    EXPECT_EQ(w.MapRoot(page), "photos/2024");
    EXPECT_EQ(w.SelectedPaths(), selected);

    // In the tree, + and - open and close the current node as ever.
    w.ZoomTo(page, "");
    page.SelectPaths({t / "docs"});
    const QModelIndex docs = page.FoldersAndFilesTree()->currentIndex();
    page.FoldersAndFilesTree()->collapse(docs);
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Plus);
    EXPECT_TRUE(page.FoldersAndFilesTree()->isExpanded(docs));
    QTest::keyClick(tree, Qt::Key_Minus);
    EXPECT_FALSE(page.FoldersAndFilesTree()->isExpanded(docs));
    EXPECT_EQ(w.MapRoot(page), "");
}

TEST(MapZoom, ASelectionBesideTheMapOutsideThePlaceShownZoomsOutAsFarAsItMust)
{
    test::TempDir t;
    ZoomWindow w(t);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    const struct
    {
        const char* Selected;
        std::string Root;
    } cases[] = {
        {"photos/2024/a.jpg", "photos/2024"}, // shown already
        {"photos/2024", "photos/2024"},       // it fills the map
        {"photos/b.JPG", "photos"},           {"photos", "photos"}, {"docs/c.txt", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Selected);
        w.ZoomTo(page, "photos/2024");
        page.SelectPaths({t / c.Selected});
        w.Settle();
        EXPECT_EQ(w.MapRoot(page), c.Root);
    }
    // The way back leads to where the map was; picking extensions frames files in the map
    // as it is and zooms nowhere.
    w.Run(TCommand::Back);
    EXPECT_EQ(w.MapRoot(page), "photos/2024");
    w.SelectRows(page.ExtensionsList(), {0, 1, 2});
    EXPECT_EQ(w.MapRoot(page), "photos/2024");

    // "Only Folders": the folder chosen in the tree.
    ASSERT_TRUE(w.ChooseFolder(t / "photos"));
    w.Run(TCommand::ZoomIn);
    EXPECT_EQ(w.MapRoot(w.OnlyFolders()), "photos");
    ASSERT_TRUE(w.ChooseFolder(t / "docs"));
    EXPECT_EQ(w.MapRoot(w.OnlyFolders()), "");

    // "Duplicates": a group picked in the list, with a copy on either side.
    w.ShowPage(TPageIndex::Duplicates);
    w.ClickMap(w.Duplicates(), w.CellOf(w.Duplicates(), "photos/copy.dat"));
    w.Run(TCommand::ZoomIn);
    EXPECT_EQ(w.MapRoot(w.Duplicates()), "photos");
    w.ClearSelection(w.Duplicates().GroupsList()); // it marks the group of the file clicked
    w.SelectRows(w.Duplicates().GroupsList(), {0});
    EXPECT_EQ(w.MapRoot(w.Duplicates()), "");
}

TEST(MapZoom, EachNestedMapIsLaidOutFromTheFolderAsItsOwnMapWouldBe)
{
    test::TempDir t;
    ZoomWindow w(t);
    // "Only Folders": photos holds one folder, which fills the map in photos' colour, as
    // the legend beside it says.
    ASSERT_TRUE(w.ChooseFolder(t / "photos"));
    w.Run(TCommand::ZoomIn);
    ASSERT_EQ(w.OnlyFolders().Map().Items().size(), 1u);
    const TFolderMapItem& year = w.OnlyFolders().Map().Items()[0];
    EXPECT_EQ(year.Node->FullPath(), t / "photos/2024");
    const QSize map = w.OnlyFolders().Canvas()->size();
    EXPECT_EQ(year.Rect, (TRect{1, 1, map.width() - 1, map.height() - 1}));
    EXPECT_EQ(year.BaseColor, TFolderTreemapLayout::ColorForPath(t / "photos"));
    // A folder without subfolders shows nothing on this map: it cannot be zoomed into.
    ASSERT_TRUE(w.ChooseFolder(t / "photos/2024"));
    EXPECT_EQ(w.Commands(), "-OB-");

    // "Duplicates": the copy in photos alone.
    w.ShowPage(TPageIndex::Duplicates);
    w.ClickMap(w.Duplicates(), w.CellOf(w.Duplicates(), "photos/copy.dat"));
    w.Run(TCommand::ZoomIn);
    ASSERT_EQ(w.Duplicates().Map().Items().size(), 1u);
    EXPECT_EQ(w.Duplicates().Map().Items()[0].FullPath(), t / "photos/copy.dat");
    // "Only Files" has no zoom.
    w.ShowPage(TPageIndex::OnlyFiles);
    EXPECT_EQ(w.OnlyFiles().Zoom(), nullptr);
    EXPECT_EQ(w.Commands(), "----");
}

TEST(MapZoom, APlaceThatLeavesTheResultGivesWayToItsNearestParentLeft)
{
    const struct
    {
        const char* Name;
        TPageIndex Page;
        const char* Zoomed;
        std::vector<const char*> Removed; ///< deleted through the page's selection
        std::string Root;
    } cases[] = {
        {"the folder shown", TPageIndex::FilesInFolders, "photos/2024", {"photos/2024"}, "photos"},
        {"all it showed",
         TPageIndex::FilesInFolders,
         "photos/2024",
         {"photos/2024/a.jpg"},
         "photos"},
        {"something in it", TPageIndex::FilesInFolders, "photos", {"photos/b.JPG"}, "photos"},
        {"its last duplicate", TPageIndex::Duplicates, "photos", {"photos/copy.dat"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TempDir t;
        ZoomWindow w(t);
        w.ShowPage(c.Page);
        ui::TResultPage& page = *w.Win.Page(c.Page);
        w.ZoomTo(page, "photos");
        w.ZoomTo(page, c.Zoomed);
        std::vector<std::string> removed;
        for (const char* r : c.Removed)
            removed.push_back(t / r);
        page.SelectPaths(removed);
        ASSERT_EQ(w.SelectedPaths(), removed);
        w.Trigger(TCommand::DeletePermanently);
        w.Settle();
        EXPECT_TRUE(w.Log.Errors.isEmpty());
        if (c.Root.empty() && c.Page == TPageIndex::Duplicates) {
            EXPECT_EQ(page.Zoom()->Zoomed(), nullptr); // and nothing to show
        } else {
            EXPECT_EQ(w.MapRoot(page), c.Root);
        }
        // The places before stay, those that became one merged: photos, then the whole
        // result.
        w.Run(TCommand::Back);
        EXPECT_EQ(page.Zoom()->Zoomed(), nullptr);
        EXPECT_FALSE(page.Zoom()->CanGoBack());
    }

    // Rescan This Folder: a folder scanned again is the same place; one gone from disk
    // gives way.
    test::TempDir t;
    ZoomWindow w(t);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    w.ZoomTo(page, "photos/2024");
    w.Win.RescanFolder(t / "photos");
    ASSERT_TRUE(w.WaitIdle());
    w.Settle();
    EXPECT_EQ(page.Zoom()->Zoomed(), FindEntry(w.Root(), t / "photos/2024").Folder);
    EXPECT_EQ(w.MapRoot(page), "photos/2024");
    std::filesystem::remove_all(t / "photos/2024");
    w.Win.RescanFolder(t / "photos");
    ASSERT_TRUE(w.WaitIdle());
    w.Settle();
    EXPECT_EQ(w.MapRoot(page), "photos");
}

} // namespace
} // namespace harrowdale
