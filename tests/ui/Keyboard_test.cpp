// The window from the keyboard: each shortcut reaches its command, the keys of the
// commands on the selection stay with a focused text box, a context menu on every map,
// list and tree offers those commands, accessible names and a tab order from top to
// bottom.

#include "platform/FileOps.h"
#include "support/TempDir.h"
#include "ui/WindowDriver.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

class KeyboardWindow : public test::WindowDriver
{
public:
    KeyboardWindow()
    {
        Win.activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&Win);
    }
    /// Presses `key` with the focus on `target`; true when exactly `command` ran (once).
    bool KeyRuns(QWidget* target, QKeyCombination key, TCommand command)
    {
        target->setFocus();
        QApplication::processEvents();
        QSignalSpy spy(Action(command), &QAction::triggered);
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        return spy.count() == 1;
    }
};

TEST(Keyboard, EachShortcutReachesItsCommand)
{
    test::TempDir t;
    t.MakeFile("a.bin", 5000);
    KeyboardWindow w;
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0}); // the commands on the selection need one
    QWidget* list = w.OnlyFiles().FilesList();
    QWidget* map = w.OnlyFiles().Canvas();
    struct Case
    {
        QKeyCombination Key;
        TCommand Command;
        QWidget* Focus;
    };
    const Case cases[] = {
        {Qt::Key_Return, TCommand::Open, list},
        {Qt::Key_Enter, TCommand::Open, map},
        {Qt::CTRL | Qt::Key_C, TCommand::CopyPaths, list},
        {Qt::Key_Delete, TCommand::MoveToTrash, map},
        {Qt::SHIFT | Qt::Key_Delete, TCommand::DeletePermanently, list},
        {Qt::Key_F5, TCommand::Scan, w.Options().PatternEdit()},
        {Qt::CTRL | Qt::Key_O, TCommand::OpenScanFile, list}, // the dialogs are cancelled
        {Qt::CTRL | Qt::Key_S, TCommand::SaveScanFile, w.Options().FolderBox()},
        {Qt::CTRL | Qt::Key_1, TCommand::ShowFilesInFolders, list},
        {Qt::CTRL | Qt::Key_4, TCommand::ShowDuplicates, w.Win.PageTabs()->tabBar()},
        {Qt::CTRL | Qt::Key_3, TCommand::ShowOnlyFolders, w.Options().FolderBox()},
        {Qt::CTRL | Qt::Key_2, TCommand::ShowOnlyFiles, w.Options().FolderBox()},
    };
    w.Log.Answer = false; // the removal questions are answered No
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.Key).toString().toStdString());
        EXPECT_TRUE(w.KeyRuns(c.Focus, c.Key, c.Command));
        ASSERT_TRUE(w.WaitIdle());
    }
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::OnlyFiles);
    EXPECT_TRUE(platform::PathExists(t / "a.bin"));

    // Esc stops a running scan; Ctrl+Q closes the window.
    w.Action(TCommand::Stop)->setEnabled(true); // as while a scan runs
    EXPECT_TRUE(w.KeyRuns(list, Qt::Key_Escape, TCommand::Stop));
    EXPECT_TRUE(w.KeyRuns(list, Qt::CTRL | Qt::Key_Q, TCommand::Exit));
    EXPECT_FALSE(w.Win.isVisible());
}

TEST(Keyboard, TextBoxesKeepTheirKeys)
{
    KeyboardWindow w;
    ui::TScanOptionsPanel& o = w.Options();
    o.PatternCheck()->setChecked(true);
    QLineEdit* pattern = o.PatternEdit();
    pattern->setFocus();
    QApplication::processEvents();

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (QAction* a : w.Win.Actions().FileCommandActions())
        spies.push_back(std::make_unique<QSignalSpy>(a, &QAction::triggered));
    pattern->clear();
    QTest::keyClicks(pattern, "*.iso;*.tmp");
    QTest::keyClick(pattern, Qt::Key_Backspace);
    QTest::keyClick(pattern, Qt::Key_Home);
    QTest::keyClick(pattern, Qt::Key_Delete); // deletes the '*'
    QTest::keyClick(pattern, Qt::Key_Return);
    QTest::keyClick(pattern, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(pattern, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(pattern->text(), ".iso;*.tm");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ".iso;*.tm");

    // The folder box and the date box too.
    o.FolderButton()->setChecked(true);
    QLineEdit* folder = o.FolderBox()->lineEdit();
    o.FolderBox()->setFocus();
    folder->clear();
    QTest::keyClicks(folder, "/srvx");
    QTest::keyClick(folder, Qt::Key_Backspace);
    QTest::keyClick(folder, Qt::Key_Return);
    EXPECT_EQ(o.FolderBox()->currentText(), "/srv");
    o.ModifiedBeforeCheck()->setChecked(true);
    o.DateEdit()->setFocus();
    QTest::keyClick(o.DateEdit(), Qt::Key_Delete);
    QTest::keyClick(o.DateEdit(), Qt::Key_Return);

    for (const auto& spy : spies)
        EXPECT_EQ(spy->count(), 0) << spy->signal().toStdString();
}

TEST(Keyboard, MapsListsAndTreesOfferTheCommandsOnWhatTheyShowInTheirContextMenu)
{
    test::WindowDriver w({1000, 700});
    const QList<QAction*> commands = w.Win.Actions().FileCommandActions();
    ASSERT_EQ(commands.size(), 6);
    // The six, then after a separator the command on a folder; on "Duplicates" then after
    // another separator the page's own. An extension list has no menu: it holds nothing
    // the commands act on. A nested map ends with the zoom commands.
    QList<QAction*> common = commands;
    common << nullptr << w.Action(TCommand::RescanFolder);
    QList<QAction*> duplicates = common;
    duplicates << nullptr << w.Action(TCommand::SelectAllButOne);
    const QList<QAction*> zoom = {nullptr, w.Action(TCommand::ZoomIn), w.Action(TCommand::ZoomOut),
                                  w.Action(TCommand::Back), w.Action(TCommand::Forward)};
    struct Case
    {
        TPageIndex Page;
        QList<QAction*> SideList;
        QList<QAction*> Others;
        QList<QAction*> Map;
    };
    const Case cases[] = {
        {TPageIndex::FilesInFolders, {}, common, common + zoom},
        {TPageIndex::OnlyFiles, {}, common, common},
        {TPageIndex::OnlyFolders, common, common, common + zoom},
        {TPageIndex::Duplicates, duplicates, duplicates, duplicates + zoom},
    };
    for (const Case& c : cases) {
        w.ShowPage(c.Page);
        ui::TResultPage* p = w.Win.Page(c.Page);
        for (QWidget* target :
             std::initializer_list<QWidget*>{p->Canvas(), p->MainView(), p->SideList()}) {
            SCOPED_TRACE(target->metaObject()->className());
            const QList<QAction*>& expected = target == p->SideList() ? c.SideList
                                              : target == p->Canvas() ? c.Map
                                                                      : c.Others;
            // Right-click and read the menu that pops up.
            QList<QAction*> shown;
            QTimer::singleShot(0, target, [&shown] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    shown = menu->actions();
                    menu->close();
                }
            });
            QWidget* receiver = target;
            if (auto* view = qobject_cast<QAbstractScrollArea*>(target))
                receiver = view->viewport();
            const QPoint at(receiver->width() / 2, receiver->height() / 2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, receiver->mapToGlobal(at));
            QApplication::sendEvent(receiver, &event);
            QApplication::processEvents(); // the reader runs also when no menu opened
            ASSERT_EQ(shown.size(), expected.size());
            for (qsizetype i = 0; i < shown.size(); ++i) {
                if (expected[i] == nullptr)
                    EXPECT_TRUE(shown[i]->isSeparator()) << i;
                else
                    EXPECT_EQ(shown[i], expected[i]) << i;
            }
        }
    }
}

TEST(Keyboard, ButtonsBoxesAndMapsHaveAccessibleNames)
{
    test::WindowDriver w({1000, 700});
    for (QToolButton* b : w.Win.Actions().ToolbarButtons()) {
        EXPECT_FALSE(b->accessibleName().isEmpty());
        EXPECT_FALSE(b->accessibleDescription().isEmpty()) << b->accessibleName().toStdString();
    }
    ui::TScanOptionsPanel& o = w.Options();
    for (QWidget* box : std::initializer_list<QWidget*>{
             o.FolderBox(), o.DateEdit(), o.LessThanEdit(), o.SizeUnitBox(), o.PatternEdit()})
        EXPECT_FALSE(box->accessibleName().isEmpty()) << box->metaObject()->className();
    for (int i = 0; i < 4; ++i) {
        QWidget* canvas = w.Win.Page(static_cast<TPageIndex>(i))->Canvas();
        EXPECT_EQ(canvas->accessibleName(), "Treemap");
        EXPECT_FALSE(canvas->accessibleDescription().isEmpty());
    }
}

TEST(Keyboard, TabGoesThroughTheWindowFromTopToBottom)
{
    test::WindowDriver w({1000, 700});
    w.Options().FolderButton()->setChecked(true);
    for (QCheckBox* c : {w.Options().ModifiedBeforeCheck(), w.Options().LessThanCheck(),
                         w.Options().PatternCheck()})
        c->setChecked(true);
    w.ShowPage(TPageIndex::OnlyFiles);
    QWidget* first = w.Win.Actions().ToolbarButtons().front();
    // Every control that Tab stops at, in the order it does.
    QList<QWidget*> stops;
    QWidget* at = first;
    do {
        if (at->isVisible() && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus) &&
            at->focusProxy() == nullptr)
            stops << at;
        at = at->nextInFocusChain();
    } while (at != first && stops.size() < 200);
    ASSERT_LT(stops.size(), 200);
    for (QWidget* expected : std::initializer_list<QWidget*>{
             w.Options().PatternEdit(), w.Win.PageTabs()->tabBar(), w.OnlyFiles().Canvas(),
             w.OnlyFiles().FilesList(), w.OnlyFiles().ExtensionsList()})
        EXPECT_TRUE(stops.contains(expected)) << expected->metaObject()->className();
    // Each stop lies below the previous one, or on its row (to its right).
    int previousTop = -1, previousLeft = -1;
    for (QWidget* stop : stops) {
        const QPoint p = stop->mapTo(&w.Win, QPoint(0, 0));
        const int rowSlack = 12;
        SCOPED_TRACE(stop->metaObject()->className());
        EXPECT_GE(p.y(), previousTop - rowSlack);
        if (std::abs(p.y() - previousTop) <= rowSlack) {
            EXPECT_GT(p.x(), previousLeft);
        }
        previousTop = p.y();
        previousLeft = p.x();
    }
}

} // namespace
} // namespace harrowdale
