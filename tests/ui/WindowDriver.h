#pragma once

// The real window with recorded services, driven as a user would: choose a folder, press
// Scan or Stop through their actions, wait until the window is idle again, switch pages,
// click the maps, select rows, and read the status line.

#include "ui/DuplicatesPage.h"
#include "ui/FakeServices.h"
#include "ui/FileCommands.h"
#include "ui/FilesInFoldersPage.h"
#include "ui/MainWindow.h"
#include "ui/OnlyFilesPage.h"
#include "ui/OnlyFoldersPage.h"
#include "ui/ScanOptionsPanel.h"
#include "ui/TreeModels.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>
#include <QtTest/QTest>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace harrowdale::test {

using ui::TCommand;
using ui::TPageIndex;

/// The middle of a map item's rectangle.
inline QPoint Center(const TRect& r)
{
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

class WindowDriver
{
public:
    explicit WindowDriver(QSize size = {1200, 800}) : Win(FakeServices(Log))
    {
        Win.resize(size);
        Win.show();
        QApplication::processEvents();
    }

    // ---- scanning
    void ChoosePath(const std::string& path)
    {
        Win.Options()->ChoosePath(QString::fromStdString(path));
    }
    /// Chooses `path`, presses Scan and waits for the end of the result pipeline.
    bool Scan(const std::string& path)
    {
        ChoosePath(path);
        return ScanAndWait();
    }
    bool ScanAndWait()
    {
        Trigger(TCommand::Scan);
        return WaitIdle();
    }
    bool WaitIdle(int timeoutMs = 60000)
    {
        QElapsedTimer t;
        t.start();
        while (Win.IsBusy() && t.elapsed() < timeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !Win.IsBusy();
    }
    bool Busy() const { return Win.IsBusy(); }
    /// File > Open Scan with `file` picked, then waits until the window is idle.
    bool OpenScan(const std::string& file)
    {
        Log.PickedOpenFile = file;
        Trigger(TCommand::OpenScanFile);
        return WaitIdle();
    }
    /// Whether the last scan's task has returned, waiting at most `timeoutMs`.
    bool ScanTaskEnded(int timeoutMs) { return Win.ScanTaskEnded(timeoutMs); }
    const TDirNode* Root() const { return Win.Results().Root(); }

    // ---- commands
    QAction* Action(TCommand c) const { return Win.Action(c); }
    void Trigger(TCommand c) { Win.Action(c)->trigger(); }
    std::vector<std::string> SelectedPaths() const { return Win.FileCommands()->SelectedPaths(); }

    // ---- pages
    /// Shows a page and lets its layout catch up with its size.
    void ShowPage(TPageIndex page)
    {
        Win.ShowPage(page);
        Settle();
    }
    /// Runs events until `done` holds, at most `timeoutMs`: for what settles over several
    /// rounds of layout (a loaded machine may take longer than one round of events).
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        QApplication::processEvents();
        while (!done() && t.elapsed() < timeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    /// Runs pending events until no visible page waits for its layout.
    void Settle()
    {
        QApplication::processEvents();
        for (int i = 0; i < 50 && Win.Page(Win.CurrentPage())->LayoutPending(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ui::TFilesInFoldersPage& FilesInFolders() const { return *Win.FilesInFoldersPage(); }
    ui::TOnlyFilesPage& OnlyFiles() const { return *Win.OnlyFilesPage(); }
    ui::TOnlyFoldersPage& OnlyFolders() const { return *Win.OnlyFoldersPage(); }
    ui::TDuplicatesPage& Duplicates() const { return *Win.DuplicatesPage(); }
    ui::TScanOptionsPanel& Options() const { return *Win.Options(); }
    /// The folder of the result at `path`; null when it holds none.
    const TDirNode* Folder(const std::string& path) const
    {
        std::vector<const TDirNode*> stack{Root()};
        while (!stack.empty() && stack.back() != nullptr) {
            const TDirNode* d = stack.back();
            stack.pop_back();
            if (d->FullPath() == path)
                return d;
            stack.insert(stack.end(), d->Children().begin(), d->Children().end());
        }
        return nullptr;
    }
    /// Chooses a folder on "Only Folders", as a click in its tree would; false when the
    /// result holds none at `path`.
    bool ChooseFolder(const std::string& path)
    {
        ShowPage(TPageIndex::OnlyFolders);
        const TDirNode* d = Folder(path);
        if (d == nullptr)
            return false;
        OnlyFolders().FoldersTree()->setCurrentIndex(OnlyFolders().FoldersModel()->IndexOf(d));
        QApplication::processEvents();
        return true;
    }

    // ---- mouse on a map
    void ClickMap(ui::TResultPage& page, QPoint at, Qt::KeyboardModifiers keys = {},
                  Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(page.Canvas(), button, keys, at);
    }
    void DoubleClickMap(ui::TResultPage& page, QPoint at)
    {
        QTest::mouseDClick(page.Canvas(), Qt::LeftButton, {}, at);
    }
    void HoverMap(ui::TResultPage& page, QPoint at) { QTest::mouseMove(page.Canvas(), at); }

    // ---- lists and trees
    /// Selects whole rows of a list, replacing its selection unless `clear` is false.
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
    void ClearSelection(QTreeView* view)
    {
        view->selectionModel()->clearSelection();
        QApplication::processEvents();
    }
    /// A click on a column's title (which sorts by it).
    void ClickColumnTitle(QTreeView* view, int column)
    {
        QHeaderView* header = view->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }
    /// The texts of a column, top to bottom (of the top-level rows).
    static QStringList ColumnTexts(const QTreeView* view, int column)
    {
        QStringList texts;
        const QAbstractItemModel* m = view->model();
        for (int r = 0; r < m->rowCount(); ++r)
            texts << m->index(r, column).data().toString();
        return texts;
    }

    QString Status() const { return Win.StatusText(); }

    ServiceLog Log; // declared first: the window's services write into it
    ui::TMainWindow Win;
};

} // namespace harrowdale::test
