// Two scans of a folder compared in the window: File > "Compare With..." lists the kept
// scans of the folder shown (or takes a scan file), the folder trees then show the change
// in a Change column that sorts folders by growth, the title names both scans, and leaving
// the comparison (or a new scan) goes back to the plain result. A scan measured otherwise
// is refused with one line and the result shown stays.

#include "exchange/ScanHistory.h"
#include "support/TempDir.h"
#include "ui/ChangeColumn.h"
#include "ui/CompareDialog.h"
#include "ui/GoneList.h"
#include "ui/HistoryRecorder.h"
#include "ui/ListModels.h"
#include "ui/ScratchData.h"
#include "ui/Settings.h"
#include "ui/TreemapCanvas.h"
#include "ui/WindowDriver.h"
#include "ui/text/DisplayFormat.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace harrowdale {
namespace {

using test::WindowDriver;
using ui::TCommand;
using ui::TSortableTreeModel;

class CompareScans : public test::ScratchData
{
protected:
    void SetUp() override
    {
        ScratchData::SetUp();
        // The older scan: then grown, shrunk, new, gone and unchanged entries.
        FTree.MakeDir("logs");
        FTree.MakeDir("cache/old");
        FTree.MakeFile("logs/app.log", 5000);
        FTree.MakeFile("notes.txt", 300);
        FTree.MakeFile("same.txt", 400);
        FTree.MakeFile("cache/old/blob", 800);
        FTree.MakeFile("gone.txt", 100);
    }

    void ChangeTree() const
    {
        std::filesystem::resize_file(FTree / "logs/app.log", 9000);
        std::filesystem::resize_file(FTree / "notes.txt", 100);
        std::filesystem::remove_all(FTree / "cache/old");
        std::filesystem::remove(FTree / "gone.txt");
        FTree.MakeFile("logs/new.log", 700);
    }

    /// Scans and waits until the scan is kept.
    static bool ScanAndKeep(WindowDriver& w, const std::string& path)
    {
        QSignalSpy recorded(&w.Win.History(), &ui::THistoryRecorder::Recorded);
        return w.Scan(path) && (recorded.count() > 0 || recorded.wait(10000)) &&
               recorded.at(0).at(0).toString().isEmpty();
    }

    /// File > "Compare With...", answered by `act` on its dialog; waits until idle.
    static bool Compare(WindowDriver& w, const std::function<void(ui::TCompareDialog&)>& act)
    {
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            if (auto* d = qobject_cast<ui::TCompareDialog*>(QApplication::activeModalWidget())) {
                poll.stop();
                seen = true;
                act(*d);
            }
        });
        poll.start(10);
        w.Trigger(TCommand::CompareWith);
        return seen && w.WaitIdle();
    }
    /// The row of the kept scan of `files` files (two scans may share their second).
    static QTreeWidgetItem* RowOf(ui::TCompareDialog& d, int files)
    {
        for (int r = 0; r < d.List()->topLevelItemCount(); ++r)
            if (d.List()->topLevelItem(r)->text(2) == QString::number(files))
                return d.List()->topLevelItem(r);
        return nullptr;
    }
    /// Compares with the older scan (of 5 files).
    static void ChooseOlder(ui::TCompareDialog& d)
    {
        d.List()->setCurrentItem(RowOf(d, 5));
        d.CompareButton()->click();
    }

    /// The Change cell of the entry at `path` in "Files in Folders".
    QString ChangeOf(WindowDriver& w, const std::string& path) const
    {
        ui::TFilesTreeModel* m = w.FilesInFolders().FoldersAndFilesModel();
        const std::string full = path.empty() ? FTree.Path() : FTree / path;
        QModelIndex index;
        if (const TDirNode* d = w.Folder(full)) {
            index = m->IndexOfFolder(d);
        } else if (const TDirNode* parent = w.Folder(full.substr(0, full.rfind('/')))) {
            for (const TFileLeaf& f : parent->Leaves())
                if (f.FullPath() == full)
                    index = m->IndexOfFile(&f);
        }
        return index.siblingAtColumn(TSortableTreeModel::Change).data().toString();
    }

    test::TempDir FTree;
};

std::string Grew(std::int64_t bytes, const char* share)
{
    return "+" + FormatSize(bytes) + "  +" + share;
}

/// The change whose legend colour is nearest to the middle of the file `path`'s cell in the
/// page's map, as painted; nullopt when the map holds no cell of it.
template <class Page> std::optional<TChangeState> PaintedChange(Page& page, const std::string& path)
{
    page.Canvas()->repaint();
    for (const auto& it : page.Map().Items()) {
        if (it.FileLeaf() == nullptr || it.FullPath() != path)
            continue;
        const QColor c(page.Canvas()->Buffer().pixel(test::Center(it.Rect)));
        std::optional<TChangeState> best;
        int bestDistance = 1 << 30;
        for (const TChangeState s :
             {TChangeState::Grown, TChangeState::Shrunk, TChangeState::New, TChangeState::Same}) {
            const QColor k = ui::ChangeColor(s);
            const int d = std::abs(k.red() - c.red()) + std::abs(k.green() - c.green()) +
                          std::abs(k.blue() - c.blue());
            if (d < bestDistance) {
                bestDistance = d;
                best = s;
            }
        }
        return best;
    }
    return std::nullopt;
}

bool ChangeLegendShown(const WindowDriver& w)
{
    for (const QLabel* label : w.Win.findChildren<QLabel*>())
        if (label->text().contains(QStringLiteral("grown")) && label->isVisibleTo(&w.Win))
            return true;
    return false;
}

TEST_F(CompareScans, KeptScanShowsGrownShrunkNewInTheChangeColumnUntilLeft)
{
    WindowDriver w;
    EXPECT_FALSE(w.Action(TCommand::CompareWith)->isEnabled()); // nothing shown yet
    ASSERT_TRUE(ScanAndKeep(w, FTree.Path()));
    ChangeTree();
    ASSERT_TRUE(ScanAndKeep(w, FTree.Path()));
    EXPECT_FALSE(w.Action(TCommand::LeaveComparison)->isEnabled());
    QTreeView* tree = w.FilesInFolders().FoldersAndFilesTree();
    EXPECT_TRUE(tree->isColumnHidden(TSortableTreeModel::Change));

    // The list: both kept scans (the scan shown itself too), each with the change since it.
    ASSERT_TRUE(Compare(w, [](ui::TCompareDialog& d) {
        ASSERT_EQ(d.List()->topLevelItemCount(), 2);
        ASSERT_NE(RowOf(d, 4), nullptr);
        EXPECT_EQ(RowOf(d, 4)->text(3).toStdString(), "+" + FormatSize(0));
        ASSERT_NE(RowOf(d, 5), nullptr);
        EXPECT_EQ(RowOf(d, 5)->text(1).toStdString(), FormatSize(6600));
        EXPECT_EQ(RowOf(d, 5)->text(3).toStdString(), "+" + FormatSize(3600));
        ChooseOlder(d);
    }));
    ASSERT_NE(w.Win.Results().Root(), nullptr);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_FALSE(tree->isColumnHidden(TSortableTreeModel::Change));
    EXPECT_TRUE(w.Action(TCommand::LeaveComparison)->isEnabled());
    const struct
    {
        const char* Path;
        std::string Text;
    } cases[] = {
        {"", Grew(3600, "54.55%")},
        {"logs", Grew(4700, "94.00%")},
        {"logs/app.log", Grew(4000, "80.00%")},
        {"logs/new.log", "+" + FormatSize(700) + "  new"},
        {"notes.txt", "-" + FormatSize(200) + "  -66.67%"},
        {"same.txt", ""},
        {"cache", "-" + FormatSize(800) + "  -100.00%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangeOf(w, c.Path).toStdString(), c.Text) << c.Path;
    // The title names both scans; the status line the change of the whole.
    EXPECT_TRUE(w.Win.windowTitle().contains(QStringLiteral(" \u2192 ")))
        << w.Win.windowTitle().toStdString();
    EXPECT_TRUE(w.Status().startsWith("Compared with the scan of ")) << w.Status().toStdString();

    // Folders sorted by growth: a click on the Change title, twice for the largest first.
    QTreeView* folders = w.OnlyFolders().FoldersTree();
    ASSERT_FALSE(folders->isColumnHidden(TSortableTreeModel::Change));
    w.ClickColumnTitle(folders, TSortableTreeModel::Change);
    if (folders->header()->sortIndicatorOrder() != Qt::DescendingOrder)
        w.ClickColumnTitle(folders, TSortableTreeModel::Change);
    const QStringList names = WindowDriver::ColumnTexts(folders, TSortableTreeModel::Name);
    ASSERT_EQ(names.size(), 2);
    EXPECT_TRUE(names[0].startsWith("logs")) << names.join('|').toStdString();

    // The largest-files list shows the change too.
    QTreeView* files = w.OnlyFiles().FilesList();
    EXPECT_FALSE(files->isColumnHidden(ui::TLargestFilesModel::Change));
    QStringList largest;
    for (int r = 0; r < files->model()->rowCount(); ++r)
        largest << files->model()->index(r, ui::TLargestFilesModel::Name).data().toString() + '|' +
                       files->model()->index(r, ui::TLargestFilesModel::Change).data().toString();
    EXPECT_TRUE(largest.contains(QString::fromStdString("app.log|" + Grew(4000, "80.00%"))))
        << largest.join(' ').toStdString();

    // What is gone is listed with its old size (a gone folder once, for all it held).
    w.Trigger(TCommand::ShowGone);
    auto* gone = w.Win.findChild<ui::TGoneList*>();
    ASSERT_NE(gone, nullptr);
    ASSERT_EQ(gone->List()->topLevelItemCount(), 2);
    EXPECT_EQ(gone->List()->topLevelItem(0)->text(0).toStdString(), FTree / "cache/old/");
    EXPECT_EQ(gone->List()->topLevelItem(0)->text(1).toStdString(), FormatSize(800));
    EXPECT_EQ(gone->List()->topLevelItem(1)->text(0).toStdString(), FTree / "gone.txt");
    EXPECT_EQ(gone->List()->topLevelItem(1)->text(1).toStdString(), FormatSize(100));
    gone->close();

    // View > "Colour by Change": the map's files take the legend's colours, and the choice
    // is saved.
    w.ShowPage(ui::TPageIndex::FilesInFolders);
    ASSERT_FALSE(w.Action(TCommand::ColourByChange)->isChecked());
    w.Trigger(TCommand::ColourByChange);
    EXPECT_TRUE(ui::SavedColourByChange());
    EXPECT_TRUE(ChangeLegendShown(w));
    EXPECT_EQ(PaintedChange(w.FilesInFolders(), FTree / "logs/app.log"), TChangeState::Grown);
    EXPECT_EQ(PaintedChange(w.FilesInFolders(), FTree / "logs/new.log"), TChangeState::New);
    EXPECT_EQ(PaintedChange(w.FilesInFolders(), FTree / "same.txt"), TChangeState::Same);

    w.Trigger(TCommand::LeaveComparison);
    EXPECT_TRUE(tree->isColumnHidden(TSortableTreeModel::Change));
    EXPECT_TRUE(files->isColumnHidden(ui::TLargestFilesModel::Change));
    EXPECT_FALSE(w.Win.windowTitle().contains(QStringLiteral(" \u2192 ")));
    EXPECT_EQ(ChangeOf(w, "logs"), QString());
    EXPECT_FALSE(w.Action(TCommand::LeaveComparison)->isEnabled());
}

TEST_F(CompareScans, ScanFileComparesUntilTheNextScan)
{
    WindowDriver w;
    ASSERT_TRUE(w.Scan(FTree.Path()));
    const std::string file = FData / "older.json";
    w.Log.PickedSaveFile = file;
    w.Trigger(TCommand::SaveScanFile);
    ChangeTree();
    ASSERT_TRUE(w.Scan(FTree.Path()));
    w.Log.PickedOpenFile = file;
    ASSERT_TRUE(Compare(w, [](ui::TCompareDialog& d) { d.PickButton()->click(); }));
    EXPECT_EQ(ChangeOf(w, "logs/app.log").toStdString(), Grew(4000, "80.00%"));
    // A new scan ends the comparison.
    ASSERT_TRUE(w.Scan(FTree.Path()));
    EXPECT_TRUE(
        w.FilesInFolders().FoldersAndFilesTree()->isColumnHidden(TSortableTreeModel::Change));
    EXPECT_FALSE(w.Action(TCommand::LeaveComparison)->isEnabled());
}

TEST_F(CompareScans, DuplicatesMapColoursItsFilesByChange)
{
    // Duplicates in the newer scan that grew, shrank, are new or stayed as they were.
    for (const char* folder : {"a", "b", "c", "x", "y"})
        FTree.MakeDir(folder);
    FTree.MakeFile("a/dup.dat", 200);
    FTree.MakeFile("b/dup.dat", 100);
    FTree.MakeFile("x/s.dat", 500);
    FTree.MakeFile("y/s.dat", 300);
    WindowDriver w;
    ASSERT_TRUE(w.Scan(FTree.Path()));
    const std::string file = FData / "older.json";
    w.Log.PickedSaveFile = file;
    w.Trigger(TCommand::SaveScanFile);
    std::filesystem::resize_file(FTree / "b/dup.dat", 200);
    std::filesystem::resize_file(FTree / "x/s.dat", 300);
    FTree.MakeFile("c/dup.dat", 200);
    ASSERT_TRUE(w.Scan(FTree.Path()));
    w.Log.PickedOpenFile = file;
    ASSERT_TRUE(Compare(w, [](ui::TCompareDialog& d) { d.PickButton()->click(); }));

    w.ShowPage(ui::TPageIndex::Duplicates);
    ui::TDuplicatesPage& page = w.Duplicates();
    // In the groups' colours until asked.
    EXPECT_FALSE(ChangeLegendShown(w));
    const std::optional<TChangeState> before = PaintedChange(page, FTree / "c/dup.dat");
    ASSERT_TRUE(before.has_value());
    EXPECT_NE(before, TChangeState::New);
    w.Trigger(TCommand::ColourByChange);
    EXPECT_TRUE(ChangeLegendShown(w));
    const struct
    {
        const char* Path;
        TChangeState State;
    } cases[] = {
        {"a/dup.dat", TChangeState::Same}, {"b/dup.dat", TChangeState::Grown},
        {"c/dup.dat", TChangeState::New},  {"x/s.dat", TChangeState::Shrunk},
        {"y/s.dat", TChangeState::Same},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaintedChange(page, FTree / c.Path), c.State) << c.Path;

    // Leaving the comparison gives the groups their colours back.
    w.Trigger(TCommand::LeaveComparison);
    EXPECT_FALSE(ChangeLegendShown(w));
    EXPECT_EQ(PaintedChange(page, FTree / "c/dup.dat"), before);
}

TEST_F(CompareScans, RefusedScansLeaveTheResultShownWithOneLine)
{
    WindowDriver w;
    ASSERT_TRUE(w.Scan(FTree.Path()));
    const TDirNode* shown = w.Root();
    // Made where the system could not tell which names are links of one file: read back,
    // it counts every link, unlike the scan shown.
    const std::string elsewhere = FData / "elsewhere.json";
    std::ofstream(elsewhere)
        << R"([1,2,{"progname":"harrowdale","dsize_known":false,"links_known":false},)"
        << R"([{"name":")" << FTree.Path() << R"("},{"name":"notes.txt","asize":300}]])";
    const std::string bad = FData / "bad.json";
    std::ofstream(bad) << "{not a scan";
    const struct
    {
        std::string File;
        const char* Error;
    } cases[] = {
        {elsewhere, "The two scans were not measured the same way"},
        {bad, "Cannot open the scan file "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        w.Log.Errors.clear();
        w.Log.PickedOpenFile = c.File;
        ASSERT_TRUE(Compare(w, [](ui::TCompareDialog& d) { d.PickButton()->click(); }));
        ASSERT_EQ(w.Log.Errors.size(), 1);
        EXPECT_TRUE(w.Log.Errors[0].startsWith(c.Error)) << w.Log.Errors[0].toStdString();
        EXPECT_FALSE(w.Log.Errors[0].contains('\n')) << w.Log.Errors[0].toStdString();
        EXPECT_EQ(w.Root(), shown);
        EXPECT_FALSE(w.Action(TCommand::LeaveComparison)->isEnabled());
        EXPECT_TRUE(
            w.FilesInFolders().FoldersAndFilesTree()->isColumnHidden(TSortableTreeModel::Change));
    }
}

} // namespace
} // namespace harrowdale
