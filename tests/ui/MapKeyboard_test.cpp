// The maps from the keyboard: the arrow keys move the selection to the cell beside it and
// the views beside the map follow, Enter and the context-menu key act on it as on a list
// row, and the cell they act on is framed while the map has the focus (only then: the
// picture itself does not change).

#include "support/TempDir.h"
#include "ui/WindowDriver.h"

#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

/// Three folders of one equal file each (copies by name and size): every map shows them
/// side by side.
class KeyWindow : public test::WindowDriver
{
public:
    explicit KeyWindow(const test::TempDir& t)
    {
        for (const char* folder : {"a", "b", "c"}) {
            t.MakeDir(folder);
            t.MakeFile(std::string(folder) + "/f.dat", 1000);
        }
        EXPECT_TRUE(Scan(t.Path()));
        Win.activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&Win);
    }
    struct TCell
    {
        std::string Path;
        QRect Rect;
    };
    /// The three cells of the files (on Only Folders, of the folders), left to right.
    std::vector<TCell> Row(TPageIndex page) const
    {
        std::vector<TCell> cells;
        auto add = [&](const std::string& path, const TRect& r) {
            cells.push_back({path, QRect(r.Left, r.Top, r.Width(), r.Height())});
        };
        if (page == TPageIndex::OnlyFolders)
            for (const TFolderMapItem& it : OnlyFolders().Map().Items())
                add(it.Node->FullPath(), it.Rect);
        else if (page == TPageIndex::OnlyFiles)
            for (const TTreemapItem& it : OnlyFiles().Map().Items())
                add(it.FullPath(), it.Rect);
        else if (page == TPageIndex::Duplicates)
            for (const TDupItem& it : Duplicates().Map().Items()) {
                if (it.FileLeaf() != nullptr)
                    add(it.FullPath(), it.Rect);
            }
        else
            for (const THierItem& it : FilesInFolders().Map().Items())
                if (it.FileLeaf() != nullptr)
                    add(it.FullPath(), it.Rect);
        std::sort(cells.begin(), cells.end(),
                  [](const TCell& x, const TCell& y) { return x.Rect.left() < y.Rect.left(); });
        return cells;
    }
    void Press(QWidget* target, Qt::Key key)
    {
        QTest::keyClick(target, key);
        QApplication::processEvents();
    }
};

TEST(MapKeyboard, ArrowsMoveTheSelectionToTheCellBesideItOnEveryMap)
{
    test::TempDir t;
    KeyWindow w(t);
    for (const TPageIndex page : {TPageIndex::FilesInFolders, TPageIndex::OnlyFiles,
                                  TPageIndex::OnlyFolders, TPageIndex::Duplicates}) {
        SCOPED_TRACE(static_cast<int>(page));
        w.ShowPage(page);
        QWidget* map = w.Win.Page(page)->Canvas();
        const std::vector<KeyWindow::TCell> row = w.Row(page);
        ASSERT_EQ(row.size(), 3u);
        ASSERT_LE(row[0].Rect.right(), row[1].Rect.left());
        ASSERT_LE(row[1].Rect.right(), row[2].Rect.left());
        w.ClickMap(*w.Win.Page(page), row[0].Rect.center());
        ASSERT_TRUE(map->hasFocus());
        // Each key and the cell then selected; at the edge of the map nothing moves.
        const std::pair<Qt::Key, int> steps[] = {
            {Qt::Key_Right, 1}, {Qt::Key_Right, 2}, {Qt::Key_Right, 2},
            {Qt::Key_Up, 2},    {Qt::Key_Left, 1},  {Qt::Key_Down, 1},
        };
        for (const auto& [key, cell] : steps) {
            w.Press(map, key);
            const std::string& path = row[static_cast<std::size_t>(cell)].Path;
            EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{path});
            EXPECT_TRUE(w.Status().startsWith(QString::fromStdString(path) + "  "))
                << w.Status().toStdString();
        }
    }

    // A map with nothing of its own selected starts at its first cell.
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    page.SelectPaths({t.Path()});
    ASSERT_EQ(page.Map().Primary(), nullptr);
    w.Press(page.Canvas(), Qt::Key_Down);
    EXPECT_EQ(page.Map().Primary(), &page.Map().Items()[0]);
}

TEST(MapKeyboard, TheCellTheKeysActOnIsFramedOnlyWhileTheMapHasTheFocus)
{
    test::TempDir t;
    KeyWindow w(t);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    const KeyWindow::TCell cell = w.Row(TPageIndex::FilesInFolders)[1];
    w.ClickMap(page, cell.Rect.center());
    ASSERT_TRUE(page.Canvas()->hasFocus());
    auto shown = [&page] {
        const QImage shot = page.Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return std::pair{shot, page.Canvas()->Buffer().convertToFormat(QImage::Format_RGB32)};
    };
    const auto [focused, picture] = shown();
    ASSERT_EQ(focused.size(), picture.size());
    int changed = 0;
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x)
            if (focused.pixel(x, y) != picture.pixel(x, y)) {
                ++changed;
                EXPECT_TRUE(cell.Rect.contains(x, y)) << x << "," << y;
            }
    EXPECT_GT(changed, 2 * (cell.Rect.width() + cell.Rect.height()) / 2);

    page.FoldersAndFilesTree()->setFocus();
    QApplication::processEvents();
    const auto [unfocused, samePicture] = shown();
    EXPECT_EQ(unfocused, samePicture);
}

TEST(MapKeyboard, EnterAndTheContextMenuKeyActOnTheCellAsOnAListRow)
{
    test::TempDir t;
    KeyWindow w(t);
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& page = w.FilesInFolders();
    QWidget* map = page.Canvas();
    const KeyWindow::TCell cell = w.Row(TPageIndex::FilesInFolders)[0];
    w.ClickMap(page, cell.Rect.center());
    w.Press(map, Qt::Key_Right);
    const KeyWindow::TCell next = w.Row(TPageIndex::FilesInFolders)[1];

    w.Press(map, Qt::Key_Return);
    EXPECT_EQ(w.Log.Opened, std::vector<std::string>{next.Path});

    // The desktop opens a menu from the keyboard where the focused widget says its cursor
    // is: on the cell, with the commands on it.
    const QRect at = map->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(at, next.Rect);
    QPoint menuAt;
    QList<QAction*> shown;
    QTimer::singleShot(0, map, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menuAt = menu->pos();
            shown = menu->actions();
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at.center(),
                            map->mapToGlobal(at.center()));
    QApplication::sendEvent(map, &event);
    QApplication::processEvents();
    // Moved left only as far as the screen's edge asks.
    EXPECT_EQ(menuAt.y(), map->mapToGlobal(at.center()).y());
    EXPECT_LE(menuAt.x(), map->mapToGlobal(at.center()).x());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), w.Action(TCommand::Open));
}

} // namespace
} // namespace harrowdale
