// The window driven as a user would: pick a folder, set filters, press Scan or Stop, read
// the status line, the lists and the canvases.

#include "support/TempDir.h"
#include "support/TreeFixture.h"
#include "treemap/Colors.h"
#include "ui/FakeServices.h"
#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/TreeModels.h"
#include "ui/TreemapCanvas.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TfrmMain;

class Window
{
public:
    Window() : FWin(test::FakeServices(Log))
    {
        FWin.resize(1000, 700);
        FWin.show();
        QApplication::processEvents();
    }
    TfrmMain* operator->() { return &FWin; }
    TfrmMain& operator*() { return FWin; }

    void ChoosePath(const std::string& path)
    {
        FWin.rbCustomPath->setChecked(true);
        FWin.cmbCustomPath->setEditText(QString::fromStdString(path));
    }
    /// Presses Scan and waits until the window is idle again.
    bool ScanAndWait(int timeoutMs = 60000)
    {
        FWin.btnScan->click();
        return WaitIdle(timeoutMs);
    }
    bool WaitIdle(int timeoutMs = 60000)
    {
        QElapsedTimer t;
        t.start();
        while (FWin.IsBusy() && t.elapsed() < timeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !FWin.IsBusy();
    }
    QString Status() const { return FWin.lblStatus->text(); }

    test::ServiceLog Log;

private:
    TfrmMain FWin;
};

TEST(MainWindow, StartsIdleWithPlaceholdersAndFilterRules)
{
    Window w;
    EXPECT_EQ(w.Status(), "Ready");
    EXPECT_TRUE(w->btnScan->isEnabled());
    EXPECT_FALSE(w->btnStop->isEnabled());
    EXPECT_TRUE(w->rbAllDrives->isChecked());
    EXPECT_FALSE(w->cmbCustomPath->isEnabled());
    EXPECT_FALSE(w->btnBrowse->isEnabled());

    // Every canvas shows the grey placeholder, not a black treemap.
    ui::TTreemapCanvas* canvases[] = {w->PaintBox3, w->PaintBox1, w->PaintBox2, w->PaintBox4};
    for (int page = 0; page < 4; ++page) {
        ui::TTreemapCanvas* c = canvases[page];
        w->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        c->grab();
        ASSERT_FALSE(c->Buffer().isNull());
        EXPECT_NE(c->Buffer().pixel(1, 1), qRgb(0, 0, 0));
    }

    w->rbCustomPath->setChecked(true);
    EXPECT_TRUE(w->cmbCustomPath->isEnabled());
    EXPECT_TRUE(w->btnBrowse->isEnabled());

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
        w->chModifiedBefore->setChecked(c.Modified);
        w->chLessThan->setChecked(c.Less);
        w->chPattern->setChecked(c.Pattern);
        EXPECT_EQ(w->dtpDate->isEnabled(), c.Date);
        EXPECT_EQ(w->edtLessThan->isEnabled(), c.Edit);
        EXPECT_EQ(w->cbSizeUnits->isEnabled(), c.Units);
        EXPECT_EQ(w->edtPattern->isEnabled(), c.PatternEdit);
    }
}

TEST(MainWindow, ValidationErrorsLeaveResultsAlone)
{
    test::TempDir t;
    t.MakeFile("a.txt", 10);
    Window w;
    w.ChoosePath(t / "missing");
    w->btnScan->click();
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_EQ(w.Log.Errors[0], "Folder does not exist.");
    EXPECT_FALSE(w->IsBusy());

    w.ChoosePath(t.Path());
    w->chLessThan->setChecked(true);
    for (const char* bad : {"abc", "-1", ""}) {
        w->edtLessThan->setText(bad);
        w->btnScan->click();
    }
    ASSERT_EQ(w.Log.Errors.size(), 4);
    EXPECT_EQ(w.Log.Errors[1], "Invalid \"Less than\" value.");
    EXPECT_EQ(w.Log.Errors[3], "Invalid \"Less than\" value.");

    // An empty folder box does nothing at all.
    w.ChoosePath("   ");
    w->chLessThan->setChecked(false);
    w->btnScan->click();
    EXPECT_EQ(w.Log.Errors.size(), 4);
    EXPECT_FALSE(w->IsBusy());
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
    Window w;
    w.ChoosePath(t.Path());
    ASSERT_TRUE(w.ScanAndWait());

    EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    EXPECT_EQ(w.Status(), "Done. Total files: 5   Total size: 763.0 KB");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w->btnScan->isEnabled());

    // Largest files: size order, the folder as "Path", no date for a zero time.
    ui::TLargestFilesModel* files = w->FilesModel();
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
    ui::TExtListModel* ext = w->ExtModel();
    ASSERT_EQ(ext->rowCount(), 4);
    EXPECT_EQ(ext->index(0, 0).data().toString(), ".jpg");
    EXPECT_EQ(ext->index(0, 4).data().toString(), "2");
    EXPECT_EQ(ext->index(0, 3).data().toString(), "95.99%");
    for (ui::TExtListModel* m : {w->ExtModel(), w->FileExtensionsModel()}) {
        for (int r = 0; r < m->rowCount(); ++r) {
            const std::string key = m->index(r, 0).data().toString().toStdString();
            EXPECT_EQ(m->index(r, 1).data(ui::kColorRole).value<TColor>(), ColorForExt(key));
        }
    }
    EXPECT_EQ(w->FileExtensionsModel()->rowCount(), 4);

    // The flat treemap received every file and is drawn, not the placeholder.
    w->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(w->Treemap().Items().size(), 5u);
    w->PaintBox1->grab();
    EXPECT_FALSE(w->PaintBox1->IsDirty());
    EXPECT_FALSE(w->HierMap().Items().empty());
    w->PageControl1->setCurrentIndex(2);
    QApplication::processEvents();
    EXPECT_FALSE(w->FolderMap().Items().empty());
    ASSERT_NE(w->SelectedFolder(), nullptr);
    EXPECT_EQ(w->SelectedFolder()->Name(), "media");
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
    Window w;
    w.ChoosePath(t.Path());
    ASSERT_TRUE(w.ScanAndWait());
    EXPECT_EQ(w->AllFiles().Files.size(), 7000u);
    EXPECT_EQ(w->FilesModel()->rowCount(), 5000);
    w->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(w->Treemap().Items().size(), 7000u);
    double sum = 0;
    for (int r = 0; r < 5000; ++r)
        sum += w->FilesModel()->index(r, 3).data().toString().chopped(1).toDouble();
    EXPECT_NEAR(sum, 100.0, 1.0);
    EXPECT_TRUE(w.Status().startsWith("Done. Total files: 7000   Total size: "));
}

TEST(MainWindow, StopDuringTheScanReportsCancelledByUser)
{
    Window w;
    w.ChoosePath("/usr");
    w->btnScan->click();
    ASSERT_TRUE(w->IsBusy());
    w->btnStop->click();
    EXPECT_EQ(w.Status(), "Cancelling...");
    ASSERT_TRUE(w.WaitIdle());
    // A scan that ended before Stop counts as finished; otherwise it failed as cancelled.
    if (w.Log.Errors.isEmpty())
        GTEST_SKIP() << "the scan ended before Stop";
    EXPECT_EQ(w.Log.Errors[0], "Scan failed: \nCancelled by user");
    EXPECT_EQ(w.Status(), "Ready");
    EXPECT_EQ(w->Root(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The next scan has a fresh context: the earlier Stop does not touch it.
    test::TempDir t;
    t.MakeFile("x.bin", 5);
    w.ChoosePath(t.Path());
    ASSERT_TRUE(w.ScanAndWait());
    EXPECT_EQ(w.Status(), "Done. Total files: 1   Total size: 5 B");
}

TEST(MainWindow, StopDuringTheBuildClearsEverything)
{
    test::TempDir t;
    for (int f = 0; f < 3000; ++f)
        t.MakeFile("f" + std::to_string(f) + ".dat", f + 1);
    Window w;
    w.ChoosePath(t.Path());
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, &stopper, [&] {
        if (w.Status().startsWith("Building duplicates...") && w->btnStop->isEnabled())
            w->btnStop->click();
    });
    stopper.start(0);
    ASSERT_TRUE(w.ScanAndWait());
    stopper.stop();
    EXPECT_EQ(w.Status(), "Cancelled");
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_EQ(w->Root(), nullptr);
    EXPECT_EQ(w->FilesModel()->rowCount(), 0);
    EXPECT_EQ(w->ExtModel()->rowCount(), 0);
    EXPECT_EQ(w->FileExtensionsModel()->rowCount(), 0);
    EXPECT_EQ(w->FoldersModel()->rowCount(), 0);
    EXPECT_EQ(w->TopFoldersModel()->rowCount(), 0);
    EXPECT_EQ(w->FoldersAndFilesModel()->rowCount(), 0);
    EXPECT_EQ(w->DuplicateFilesModel()->rowCount(), 0);
    EXPECT_EQ(w->DuplicateGroupsModel()->rowCount(), 0);
    EXPECT_TRUE(w->Treemap().Items().empty());
    EXPECT_TRUE(w->DupeMap().Items().empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MainWindow, CanvasHintsClicksAndDoubleClicks)
{
    test::TempDir t;
    t.MakeDir("sub");
    t.MakeFile("big.iso", 4000000);
    t.MakeFile("sub/small.txt", 1000000);
    Window w;
    w.ChoosePath(t.Path());
    ASSERT_TRUE(w.ScanAndWait());
    w->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    ASSERT_EQ(w->Treemap().Items().size(), 2u);
    const TTreemapItem& big = w->Treemap().Items()[0];
    const QPoint inBig((big.Rect.Left + big.Rect.Right) / 2, (big.Rect.Top + big.Rect.Bottom) / 2);

    QTest::mouseMove(w->PaintBox1, inBig);
    EXPECT_EQ(w->PaintBox1->toolTip(), QString::fromStdString(t / "big.iso") + "\n3.8 MB");

    // A right click selects like a left click; the status shows path and size.
    QTest::mouseClick(w->PaintBox1, Qt::RightButton, {}, inBig);
    EXPECT_EQ(w->Treemap().Primary(), &big);
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "big.iso") + "  3.8 MB");
    QTest::mouseDClick(w->PaintBox1, Qt::LeftButton, {}, inBig);
    ASSERT_EQ(w.Log.Revealed.size(), 1u);
    EXPECT_EQ(w.Log.Revealed[0], t / "big.iso");

    // Ctrl toggles the primary off again.
    QTest::mouseClick(w->PaintBox1, Qt::LeftButton, Qt::ControlModifier, inBig);
    EXPECT_EQ(w->Treemap().Primary(), nullptr);
    EXPECT_FALSE(w->Treemap().HasSelection());

    // On the nested map a folder double-click opens the folder itself.
    w->PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    const THierItem* folder = nullptr;
    for (const THierItem& it : w->HierMap().Items())
        if (it.Kind == hkDir)
            folder = &it;
    ASSERT_NE(folder, nullptr);
    // The folder's 1-pixel margin hits the folder, not its file.
    const QPoint margin(folder->Rect.Left, folder->Rect.Top);
    QTest::mouseClick(w->PaintBox3, Qt::LeftButton, {}, margin);
    ASSERT_NE(w->HierMap().Primary(), nullptr);
    EXPECT_EQ(w->HierMap().Primary()->Kind, hkDir);
    QTest::mouseDClick(w->PaintBox3, Qt::LeftButton, {}, margin);
    ASSERT_EQ(w.Log.Opened.size(), 1u);
    EXPECT_EQ(w.Log.Opened[0], t / "sub");
}

TEST(MainWindow, ModeMenuAndToolbarToggle)
{
    Window w;
    w->OnlyFolders1->trigger();
    EXPECT_EQ(w->PageControl1->currentIndex(), 2);
    EXPECT_TRUE(w->OnlyFolders1->isChecked());
    w->PageControl1->setCurrentIndex(3);
    EXPECT_TRUE(w->Duplicates1->isChecked());
    EXPECT_FALSE(w->OnlyFolders1->isChecked());

    w->ShowToolbar1->trigger();
    EXPECT_FALSE(w->pnlTop->isVisible());
    w->ShowToolbar1->trigger();
    EXPECT_TRUE(w->pnlTop->isVisible());
    EXPECT_LT(w->pnlTop->y(), w->PageControl1->y());
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
