// The window driven as a user would: pick a folder, set filters, press Scan or Stop, read
// the status line, the lists and the canvases.

#include "support/TempDir.h"
#include "support/TreeFixture.h"
#include "treemap/Colors.h"
#include "ui/ListModels.h"
#include "ui/TreeModels.h"
#include "ui/TreemapCanvas.h"
#include "ui/WindowDriver.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace harrowdale {
namespace {

using test::Center;
using test::WindowDriver;
using ui::TCommand;
using ui::TPageIndex;

TEST(MainWindow, StartsIdleWithPlaceholdersAndFilterRules)
{
    WindowDriver w({1000, 700});
    ui::TScanOptionsPanel& o = w.Options();
    EXPECT_EQ(w.Status(), "Ready");
    EXPECT_TRUE(w.Action(TCommand::Scan)->isEnabled());
    EXPECT_FALSE(w.Action(TCommand::Stop)->isEnabled());
    EXPECT_TRUE(o.AllDrivesButton()->isChecked());
    EXPECT_FALSE(o.FolderBox()->isEnabled());
    EXPECT_FALSE(o.BrowseButton()->isEnabled());

    // Every canvas shows the grey placeholder, not a black treemap.
    for (const TPageIndex page : {TPageIndex::FilesInFolders, TPageIndex::OnlyFiles,
                                  TPageIndex::OnlyFolders, TPageIndex::Duplicates}) {
        w.ShowPage(page);
        ui::TTreemapCanvas* c = w.Win.Page(page)->Canvas();
        c->grab();
        ASSERT_FALSE(c->Buffer().isNull());
        EXPECT_NE(c->Buffer().pixel(1, 1), qRgb(0, 0, 0));
    }

    o.FolderButton()->setChecked(true);
    EXPECT_TRUE(o.FolderBox()->isEnabled());
    EXPECT_TRUE(o.BrowseButton()->isEnabled());

    struct Case
    {
        bool Modified, Less, Pattern;
        bool Date, Edit, Units, PatternEdit;
    };
    const Case cases[] = {
        {false, false, false, false, false, false, false},
        {true, false, false, true, false, false, false},
        {false, true, false, false, true, true, false},
        {false, false, true, false, false, false, true},
    };
    for (const Case& c : cases) {
        o.ModifiedBeforeCheck()->setChecked(c.Modified);
        o.LessThanCheck()->setChecked(c.Less);
        o.PatternCheck()->setChecked(c.Pattern);
        EXPECT_EQ(o.DateEdit()->isEnabled(), c.Date);
        EXPECT_EQ(o.LessThanEdit()->isEnabled(), c.Edit);
        EXPECT_EQ(o.SizeUnitBox()->isEnabled(), c.Units);
        EXPECT_EQ(o.PatternEdit()->isEnabled(), c.PatternEdit);
    }
}

TEST(MainWindow, ValidationErrorsLeaveResultsAlone)
{
    test::TempDir t;
    t.MakeFile("a.txt", 10);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    const QString shown = w.Status();
    w.ChoosePath(t / "missing");
    w.Trigger(TCommand::Scan);
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_EQ(w.Log.Errors[0], "Folder does not exist.");
    EXPECT_FALSE(w.Busy());

    w.ChoosePath(t.Path());
    w.Options().LessThanCheck()->setChecked(true);
    for (const char* bad : {"abc", "-1", ""}) {
        w.Options().LessThanEdit()->setText(bad);
        w.Trigger(TCommand::Scan);
    }
    ASSERT_EQ(w.Log.Errors.size(), 4);
    EXPECT_EQ(w.Log.Errors[1], "Invalid \"Less than\" value.");
    EXPECT_EQ(w.Log.Errors[3], "Invalid \"Less than\" value.");

    // A malformed mask is caught before the scan, named as typed.
    w.Options().LessThanCheck()->setChecked(false);
    w.Options().PatternCheck()->setChecked(true);
    w.Options().PatternEdit()->setText("*.tmp; [a-");
    w.Trigger(TCommand::Scan);
    ASSERT_EQ(w.Log.Errors.size(), 5);
    EXPECT_EQ(w.Log.Errors[4],
              "The mask \"[a-\" is not valid: the \"[\" at character 1 is never closed.");
    w.Options().PatternCheck()->setChecked(false);

    // An empty folder box does nothing at all.
    w.ChoosePath("   ");
    w.Trigger(TCommand::Scan);
    EXPECT_EQ(w.Log.Errors.size(), 5);
    EXPECT_FALSE(w.Busy());

    // None of this cost the result on screen.
    EXPECT_EQ(w.Status(), shown);
    EXPECT_EQ(w.OnlyFiles().FilesModel()->rowCount(), 1);
}

TEST(MainWindow, FilterBoxesSayWhatScanWouldRefuseWhileTyped)
{
    WindowDriver w({1000, 700});
    ui::TScanOptionsPanel& o = w.Options();
    struct Case
    {
        const char* Typed;
        QString Warning; ///< empty: no sign
    };
    const Case patterns[] = {
        {"*.tmp;[abc", "The mask \"[abc\" is not valid: the \"[\" at character 1 is never closed."},
        {"*.tmp;[abc]", ""},
        {"a\tb[]", "The mask \"a\\tb[]\" is not valid: the set at character 4 is empty."},
        {"", ""},
    };
    o.PatternCheck()->setChecked(true);
    for (const Case& c : patterns) {
        SCOPED_TRACE(c.Typed);
        o.PatternEdit()->setText(c.Typed);
        EXPECT_EQ(o.PatternWarning()->isVisible(), !c.Warning.isEmpty());
        EXPECT_EQ(o.PatternWarning()->toolTip(), c.Warning);
    }
    // Each key counts; off, the pattern is not used and nothing is wrong with it.
    QTest::keyClicks(o.PatternEdit(), "x[");
    EXPECT_TRUE(o.PatternWarning()->isVisible());
    o.PatternCheck()->setChecked(false);
    EXPECT_FALSE(o.PatternWarning()->isVisible());

    // The size box the same way, also when only the unit changes.
    o.LessThanCheck()->setChecked(true);
    o.LessThanEdit()->setText("12x");
    EXPECT_EQ(o.LessThanWarning()->toolTip(), "Invalid \"Less than\" value.");
    o.LessThanEdit()->setText("1500");
    EXPECT_FALSE(o.LessThanWarning()->isVisible());
}

TEST(MainWindow, ScanFillsListsAndCanvases)
{
    test::TempDir t;
    t.MakeDir("docs");
    t.MakeDir("media/photos");
    t.MakeFile("docs/report.PDF", 30000, 1700000000);
    t.MakeFile("docs/notes.txt", 1200, 0);
    t.MakeFile("media/photos/a.jpg", 500000, 1700000000);
    t.MakeFile("media/photos/b.JPG", 250000, 1700000000);
    t.MakeFile("README", 100, 1700000000);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));

    EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    EXPECT_EQ(w.Status(), "Done. Total files: 5   Total size: 763.0 KB");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w.Action(TCommand::Scan)->isEnabled());

    // Largest files: size order, the folder as "Path", no date for a zero time.
    ui::TLargestFilesModel* files = w.OnlyFiles().FilesModel();
    ASSERT_EQ(files->rowCount(), 5);
    auto cell = [&](int row, int col) { return files->index(row, col).data().toString(); };
    EXPECT_EQ(cell(0, 0), "a.jpg");
    EXPECT_EQ(cell(0, 1), QString::fromStdString(t / "media/photos"));
    EXPECT_EQ(cell(0, 2), "488.3 KB");
    EXPECT_EQ(cell(4, 0), "README");
    EXPECT_EQ(cell(4, 1), QString::fromStdString(t.Path()));
    int notes = -1;
    for (int r = 0; r < 5; ++r)
        if (cell(r, 0) == "notes.txt")
            notes = r;
    ASSERT_GE(notes, 0);
    EXPECT_EQ(cell(notes, 4), "");
    EXPECT_EQ(cell(0, 4).size(), 16);
    EXPECT_EQ(cell(notes, 5), QString::fromStdString(t / "docs/notes.txt"));

    // Extension lists: one .jpg row for both spellings, swatches in the treemap colour.
    ui::TExtListModel* ext = w.OnlyFiles().ExtensionsModel();
    ASSERT_EQ(ext->rowCount(), 4);
    EXPECT_EQ(ext->index(0, 0).data().toString(), ".jpg");
    EXPECT_EQ(ext->index(0, 4).data().toString(), "2");
    EXPECT_EQ(ext->index(0, 3).data().toString(), "95.99%");
    for (ui::TExtListModel* m : {ext, w.FilesInFolders().ExtensionsModel()}) {
        for (int r = 0; r < m->rowCount(); ++r) {
            const std::string key = m->index(r, 0).data().toString().toStdString();
            EXPECT_EQ(m->index(r, 1).data(ui::kColorRole).value<TColor>(), ColorForExt(key));
        }
    }
    EXPECT_EQ(w.FilesInFolders().ExtensionsModel()->rowCount(), 4);

    // The flat treemap received every file and is drawn, not the placeholder.
    w.ShowPage(TPageIndex::OnlyFiles);
    EXPECT_EQ(w.OnlyFiles().Map().Items().size(), 5u);
    w.OnlyFiles().Canvas()->grab();
    EXPECT_FALSE(w.OnlyFiles().Canvas()->IsDirty());
    EXPECT_FALSE(w.FilesInFolders().Map().Items().empty());
    w.ShowPage(TPageIndex::OnlyFolders);
    EXPECT_FALSE(w.OnlyFolders().Map().Items().empty());
    ASSERT_NE(w.OnlyFolders().ChosenFolder(), nullptr);
    EXPECT_EQ(w.OnlyFolders().ChosenFolder()->Name(), "media");
}

TEST(MainWindow, LargestFilesListIsCappedAt5000)
{
    test::TempDir t;
    for (int d = 0; d < 7; ++d) {
        const std::string dir = "d" + std::to_string(d);
        t.MakeDir(dir);
        for (int f = 0; f < 1000; ++f)
            t.MakeFile(dir + "/f" + std::to_string(f) + ".bin", 1 + d * 1000 + f);
    }
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    EXPECT_EQ(w.Win.Results().AllFiles.Files.size(), 7000u);
    ui::TLargestFilesModel* files = w.OnlyFiles().FilesModel();
    EXPECT_EQ(files->rowCount(), 5000);
    EXPECT_TRUE(w.Status().startsWith("Done. Total files: 7000   Total size: "));
    w.ShowPage(TPageIndex::OnlyFiles);
    EXPECT_EQ(w.OnlyFiles().Map().Items().size(), 7000u);
    double sum = 0;
    for (int r = 0; r < 5000; ++r)
        sum += files->index(r, 3).data().toString().chopped(1).toDouble();
    EXPECT_NEAR(sum, 100.0, 1.0);
}

TEST(MainWindow, StopDuringTheScanReportsCancelledByUser)
{
    WindowDriver w({1000, 700});
    w.ChoosePath("/usr");
    w.Trigger(TCommand::Scan);
    ASSERT_TRUE(w.Busy());
    w.Trigger(TCommand::Stop);
    EXPECT_EQ(w.Status(), "Cancelling...");
    ASSERT_TRUE(w.WaitIdle());
    // A scan that ended before Stop counts as finished; otherwise it failed as cancelled.
    if (w.Log.Errors.isEmpty())
        GTEST_SKIP() << "the scan ended before Stop";
    EXPECT_EQ(w.Log.Errors[0], "Scan failed: \nCancelled by user");
    EXPECT_EQ(w.Status(), "Ready");
    EXPECT_EQ(w.Root(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next scan has a fresh context: the earlier Stop does not touch it.
    test::TempDir t;
    t.MakeFile("x.bin", 5);
    ASSERT_TRUE(w.Scan(t.Path()));
    EXPECT_EQ(w.Status(), "Done. Total files: 1   Total size: 5 B");
}

TEST(MainWindow, StopOrCloseDuringTheBuildClearsEverything)
{
    test::TempDir t;
    for (int f = 0; f < 3000; ++f)
        t.MakeFile("f" + std::to_string(f) + ".dat", f + 1);
    // Pressing Stop, or closing the window, while the duplicates are being built.
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "close" : "Stop");
        WindowDriver w({1000, 700});
        w.ChoosePath(t.Path());
        QTimer stopper;
        QObject::connect(&stopper, &QTimer::timeout, &stopper, [&] {
            if (!w.Status().startsWith("Building duplicates...") ||
                !w.Action(TCommand::Stop)->isEnabled())
                return;
            if (close)
                w.Win.close();
            else
                w.Trigger(TCommand::Stop);
        });
        stopper.start(0);
        ASSERT_TRUE(w.ScanAndWait());
        stopper.stop();
        EXPECT_EQ(w.Status(), "Cancelled");
        EXPECT_TRUE(w.Log.Errors.isEmpty());
        EXPECT_EQ(w.Root(), nullptr);
        EXPECT_TRUE(w.Win.Results().AllFiles.Files.empty());
        const QAbstractItemModel* models[] = {
            w.OnlyFiles().FilesModel(),           w.OnlyFiles().ExtensionsModel(),
            w.FilesInFolders().ExtensionsModel(), w.OnlyFolders().FoldersModel(),
            w.OnlyFolders().TopFoldersModel(),    w.FilesInFolders().FoldersAndFilesModel(),
            w.Duplicates().DuplicatesModel(),     w.Duplicates().GroupsModel(),
        };
        for (const QAbstractItemModel* m : models)
            EXPECT_EQ(m->rowCount(), 0);
        EXPECT_TRUE(w.OnlyFiles().Map().Items().empty());
        EXPECT_TRUE(w.Duplicates().Map().Items().empty());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST(MainWindow, ClosingAtAnyMomentShowsNothingAndLeavesNothingRunning)
{
    test::TempDir t;
    for (int d = 0; d < 4; ++d) {
        t.MakeDir("d" + std::to_string(d));
        for (int f = 0; f < 500; ++f)
            t.MakeFile("d" + std::to_string(d) + "/f" + std::to_string(f) + ".dat", f + 1);
    }
    // Each pipeline stage is announced by its text; closing then lands inside that stage.
    const char* stages[] = {
        "Building file list...",          "Building Largest Files list...",
        "Populating Largest Files UI...", "Building folders tree...",
        "Building duplicates...",         "Populating folders UI...",
        "Building folders/files tree...", "Populating extensions...",
    };
    std::vector<std::string> moments = {"during the scan", "right after the scan posted its end"};
    moments.insert(moments.end(), std::begin(stages), std::end(stages));
    for (const std::string& moment : moments) {
        SCOPED_TRACE(moment);
        WindowDriver w({1000, 700});
        QTimer closer;
        if (moment == "during the scan") {
            w.ChoosePath("/usr");
            w.Trigger(TCommand::Scan);
            ASSERT_TRUE(w.Busy());
            w.Win.close();
        } else if (moment == "right after the scan posted its end") {
            w.ChoosePath(t.Path());
            w.Trigger(TCommand::Scan);
            // No event runs meanwhile: the end of the scan waits in the queue.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            w.Win.close();
        } else {
            w.ChoosePath(t.Path());
            QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
                if (w.Win.isVisible() && w.Status().startsWith(QString::fromStdString(moment)))
                    w.Win.close();
            });
            closer.start(0);
            w.Trigger(TCommand::Scan);
        }
        // The window is idle again at once and has shown nothing since it went away.
        ASSERT_TRUE(w.WaitIdle(2000));
        closer.stop();
        EXPECT_FALSE(w.Win.isVisible());
        EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
        EXPECT_TRUE(w.Log.Infos.isEmpty());
        EXPECT_TRUE(w.Log.Questions.isEmpty());
        EXPECT_EQ(w.Root(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        // Nothing left that the end of the process would wait for.
        EXPECT_TRUE(w.ScanTaskEnded(2000));
    }
}

TEST(MainWindow, CanvasHintsClicksAndDoubleClicks)
{
    test::TempDir t;
    t.MakeDir("sub");
    t.MakeFile("big.iso", 4000000);
    t.MakeFile("sub/small.txt", 1000000);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(TPageIndex::OnlyFiles);
    ui::TOnlyFilesPage& page = w.OnlyFiles();
    ASSERT_EQ(page.Map().Items().size(), 2u);
    const TTreemapItem& big = page.Map().Items()[0];
    const QPoint inBig = Center(big.Rect);

    w.HoverMap(page, inBig);
    EXPECT_EQ(page.Canvas()->toolTip(), QString::fromStdString(t / "big.iso") + "\n3.8 MB");

    // A right click selects like a left click; the status shows path and size.
    w.ClickMap(page, inBig, {}, Qt::RightButton);
    EXPECT_EQ(page.Map().Primary(), &big);
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "big.iso") + "  3.8 MB");
    w.DoubleClickMap(page, inBig);
    ASSERT_EQ(w.Log.Revealed.size(), 1u);
    EXPECT_EQ(w.Log.Revealed[0], t / "big.iso");

    // Ctrl toggles the primary off again.
    w.ClickMap(page, inBig, Qt::ControlModifier);
    EXPECT_EQ(page.Map().Primary(), nullptr);
    EXPECT_FALSE(page.Map().HasSelection());

    // On the nested map a folder double-click opens the folder itself.
    w.ShowPage(TPageIndex::FilesInFolders);
    ui::TFilesInFoldersPage& nested = w.FilesInFolders();
    const THierItem* folder = nullptr;
    for (const THierItem& it : nested.Map().Items())
        if (it.Kind == hkDir)
            folder = &it;
    ASSERT_NE(folder, nullptr);
    // The folder's 1-pixel margin hits the folder, not its file.
    const QPoint margin(folder->Rect.Left, folder->Rect.Top);
    w.ClickMap(nested, margin);
    ASSERT_NE(nested.Map().Primary(), nullptr);
    EXPECT_EQ(nested.Map().Primary()->Kind, hkDir);
    w.DoubleClickMap(nested, margin);
    ASSERT_EQ(w.Log.Opened.size(), 1u);
    EXPECT_EQ(w.Log.Opened[0], t / "sub");
}

TEST(MainWindow, AResizeBurstBuildsTheLayoutOnce)
{
    test::TempDir t;
    t.MakeDir("sub");
    t.MakeFile("a.bin", 4000);
    t.MakeFile("sub/b.bin", 1000);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(TPageIndex::OnlyFiles);
    ui::TOnlyFilesPage& page = w.OnlyFiles();
    ASSERT_FALSE(page.LayoutPending());

    // Three sizes in a row, as a window manager sends them while the edge is dragged.
    const int before = page.LayoutBuilds();
    for (const int width : {500, 520, 540})
        page.Canvas()->resize(width, 300);
    EXPECT_TRUE(page.LayoutPending());
    w.Settle();
    EXPECT_EQ(page.LayoutBuilds(), before + 1);
    // Built for the last size: wider than the earlier ones, within the canvas.
    int right = 0, bottom = 0;
    for (const TTreemapItem& it : page.Map().Items()) {
        right = std::max(right, it.Rect.Right);
        bottom = std::max(bottom, it.Rect.Bottom);
    }
    EXPECT_GT(right, 520);
    EXPECT_LE(right, 540);
    EXPECT_LE(bottom, 300);

    // A resize of the window builds the visible page's layout once, the others not at all.
    const int hidden = w.FilesInFolders().LayoutBuilds();
    const int once = page.LayoutBuilds();
    w.Win.resize(1100, 750);
    w.Settle();
    page.Canvas()->repaint();
    EXPECT_EQ(page.LayoutBuilds(), once + 1);
    EXPECT_EQ(w.FilesInFolders().LayoutBuilds(), hidden);
}

TEST(MainWindow, CommandsAreActionsSharedByMenusAndToolbar)
{
    WindowDriver w({1000, 700});
    // Each file command, Scan and Stop: one action in a menu and on a toolbar button, whose
    // hint is also its accessible name.
    for (const TCommand c :
         {TCommand::Scan, TCommand::Stop, TCommand::Open, TCommand::CopyPaths, TCommand::Reveal,
          TCommand::Properties, TCommand::MoveToTrash, TCommand::DeletePermanently,
          TCommand::VisitWebsite, TCommand::About}) {
        QAction* a = w.Action(c);
        SCOPED_TRACE(a->text().toStdString());
        int menus = 0, buttons = 0;
        for (QObject* o : a->associatedObjects()) {
            menus += qobject_cast<QMenu*>(o) != nullptr ? 1 : 0;
            if (auto* b = qobject_cast<QToolButton*>(o)) {
                ++buttons;
                EXPECT_EQ(b->defaultAction(), a);
                EXPECT_EQ(b->toolTip(), a->toolTip());
                EXPECT_EQ(b->accessibleName(), a->toolTip());
                EXPECT_EQ(b->isEnabled(), a->isEnabled()); // Stop starts disabled
            }
        }
        EXPECT_EQ(menus, 1);
        EXPECT_EQ(buttons, 1);
    }
    EXPECT_EQ(w.Action(TCommand::CopyPaths)->text(), "Copy Path");
    EXPECT_EQ(w.Action(TCommand::CopyPaths)->toolTip(), "Copy the paths to the clipboard");
    // One name for the command that deletes, in the menu and on the button.
    EXPECT_EQ(w.Action(TCommand::DeletePermanently)->text(), "Delete Permanently");
    EXPECT_EQ(w.Action(TCommand::DeletePermanently)->toolTip(), "Delete Permanently");
    // The desktop's own words for the trash and the file manager.
    EXPECT_EQ(w.Action(TCommand::Reveal)->text(), "Show in File Manager");
    EXPECT_EQ(w.Action(TCommand::MoveToTrash)->text(), "Move to Trash");
    EXPECT_EQ(w.Action(TCommand::MoveToTrash)->toolTip(), "Move to Trash");

    // The web commands and About go to the shell and the message boxes.
    w.Trigger(TCommand::VisitWebsite);
    w.Trigger(TCommand::ContactUs);
    w.Trigger(TCommand::Tutorial);
    ASSERT_EQ(w.Log.WebPages.size(), 3);
    EXPECT_TRUE(w.Log.WebPages[1].endsWith("/support.html"));
    EXPECT_TRUE(w.Log.WebPages[2].endsWith("/redirect/tutorial-harrowdale.html"));
    w.Trigger(TCommand::About);
    ASSERT_EQ(w.Log.Infos.size(), 1);
    EXPECT_TRUE(w.Log.Infos[0].startsWith("Harrowdale\nVersion: "));
}

TEST(MainWindow, ModeMenuAndToolbarToggle)
{
    WindowDriver w({1000, 700});
    w.Trigger(TCommand::ShowOnlyFolders);
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::OnlyFolders);
    EXPECT_TRUE(w.Action(TCommand::ShowOnlyFolders)->isChecked());
    w.Win.PageTabs()->setCurrentIndex(3); // a click on the tab
    EXPECT_TRUE(w.Action(TCommand::ShowDuplicates)->isChecked());
    EXPECT_FALSE(w.Action(TCommand::ShowOnlyFolders)->isChecked());

    w.Trigger(TCommand::ShowToolbar);
    EXPECT_FALSE(w.Win.TopPanel()->isVisible());
    w.Trigger(TCommand::ShowToolbar);
    EXPECT_TRUE(w.Win.TopPanel()->isVisible());
    EXPECT_LT(w.Win.TopPanel()->y(), w.Win.PageTabs()->y());
}

TEST(LargestFilesModel, FileInTheFileSystemRootShowsSlashAsItsFolder)
{
    test::TreeFixture fx("/");
    TDirNode* usr = fx.Folder(fx.Root(), "usr");
    fx.File(fx.Root(), "a.txt", 10);
    fx.File(usr, "b.txt", 30);
    fx.Finish();
    ui::TLargestFilesModel m;
    m.SetTotal(40);
    const TFileLeaf* files[] = {&usr->Leaves()[0], &fx.Root()->Leaves()[0]};
    m.Append(files);
    EXPECT_EQ(m.index(0, 1).data().toString(), "/usr");
    EXPECT_EQ(m.index(1, 1).data().toString(), "/");
    EXPECT_EQ(m.index(1, 5).data().toString(), "/a.txt");
    EXPECT_EQ(m.index(0, 3).data().toString(), "75.00%");
}

} // namespace
} // namespace harrowdale
