// Grouping duplicates by content in the window: the View menu's choice, kept between runs,
// the result grouped again when it is switched, group names that read well when the names
// differ, a removal question that says the contents were compared, "Select All But One" on
// such groups, progress and Stop while files are read, and a scan file whose folder is not
// here.

#include "platform/FileOps.h"
#include "support/TempDir.h"
#include "ui/DuplicatesPage.h"
#include "ui/ScratchSettings.h"
#include "ui/Settings.h"
#include "ui/WindowDriver.h"
#include "ui/text/DupGroupText.h"

#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

// The grouping chosen is saved: each test starts from no saved choice.
using DuplicatesByContent = test::ScratchSettings;

std::set<std::string> Names(const TDupGroup& g)
{
    std::set<std::string> names;
    for (const TFileLeaf* f : g.Files)
        names.insert(f->FullPath());
    return names;
}

TEST_F(DuplicatesByContent, ChosenInTheViewMenuKeptAndSaidInTheQuestion)
{
    // Two files named photo.jpg of one length with other bytes; one has a copy, copy.jpg.
    test::TempDir t;
    t.MakeDir("a");
    t.MakeDir("b");
    test::WriteFileBytes(t / "a/photo.jpg", "twenty bytes, one...");
    test::WriteFileBytes(t / "b/copy.jpg", "twenty bytes, one...");
    test::WriteFileBytes(t / "b/photo.jpg", "twenty bytes, two...");
    {
        test::WindowDriver w({1000, 700});
        EXPECT_TRUE(w.Action(TCommand::DuplicatesByName)->isChecked());
        ASSERT_TRUE(w.Scan(t.Path()));
        const TDuplicates& dups = w.Win.Results().Duplicates;
        ASSERT_EQ(dups.Groups.size(), 1u);
        EXPECT_EQ(Names(*dups.Groups[0]), (std::set{t / "a/photo.jpg", t / "b/photo.jpg"}));

        // Switched: the result shown is grouped again, by what the files hold.
        w.Trigger(TCommand::DuplicatesByContent);
        ASSERT_TRUE(w.WaitIdle());
        EXPECT_EQ(w.Win.Results().DuplicatesBy, TDupGrouping::Content);
        EXPECT_EQ(ui::SavedDuplicateGrouping(), TDupGrouping::Content);
        ASSERT_EQ(dups.Groups.size(), 1u);
        const TDupGroup& g = *dups.Groups[0];
        EXPECT_EQ(Names(g), (std::set{t / "a/photo.jpg", t / "b/copy.jpg"}));
        EXPECT_EQ(DupGroupName(g), g.FileName + " and 1 other name");

        w.ShowPage(TPageIndex::Duplicates);
        QTreeView* tree = w.Duplicates().DuplicatesTree();
        EXPECT_EQ(tree->model()->index(0, 0).data().toString(),
                  QString::fromStdString(DupGroupName(g)) + QStringLiteral("  (2)"));
        w.SelectRows(tree, {0});
        w.Log.Answer = false;
        w.Trigger(TCommand::MoveToTrash);
        ASSERT_EQ(w.Log.Questions.size(), 1);
        EXPECT_TRUE(w.Log.Questions[0].endsWith(
            "These duplicates were found by content; their contents were compared byte for byte."))
            << w.Log.Questions[0].toStdString();
    }
    // The choice is kept: the next scan groups by content from the start.
    test::WindowDriver again({1000, 700});
    EXPECT_TRUE(again.Action(TCommand::DuplicatesByContent)->isChecked());
    ASSERT_TRUE(again.Scan(t.Path()));
    EXPECT_EQ(again.Win.Results().DuplicatesBy, TDupGrouping::Content);
    ASSERT_EQ(again.Win.Results().Duplicates.Groups.size(), 1u);
    EXPECT_EQ(again.Win.Results().Duplicates.Groups[0]->OtherNames, 1u);
}

TEST_F(DuplicatesByContent, SelectAllButOneKeepsTheOldestOfEachGroup)
{
    // Files of one length hold the same bytes here (zeros), whatever their names: two groups
    // by content, none by name.
    test::TempDir t, data;
    for (const char* d : {"a", "b", "c"})
        t.MakeDir(d);
    t.MakeFile("a/photo.jpg", 9000, 1700000300);
    t.MakeFile("b/holiday.jpg", 9000, 1700000100);
    t.MakeFile("c/IMG_0001.JPG", 9000, 1700000200);
    t.MakeFile("a/notes.txt", 2000, 1700000100);
    t.MakeFile("c/old notes", 2000, 1600000000);
    t.MakeFile("c/lone.txt", 3000, 1600000000);
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    ASSERT_NE(dataHome, nullptr);
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    ui::SaveDuplicateGrouping(TDupGrouping::Content);
    test::WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    ASSERT_EQ(w.Win.Results().DuplicatesBy, TDupGrouping::Content);
    ASSERT_EQ(w.Win.Results().Duplicates.Groups.size(), 2u);

    w.ShowPage(TPageIndex::Duplicates);
    QAction* butOne = w.Action(TCommand::SelectAllButOne);
    ASSERT_TRUE(butOne->isEnabled());
    w.SelectRows(w.Duplicates().GroupsList(), {0, 1});
    butOne->trigger();
    QApplication::processEvents();
    std::vector<std::string> picked = w.SelectedPaths();
    std::sort(picked.begin(), picked.end());
    EXPECT_EQ(picked, (std::vector<std::string>{t / "a/notes.txt", t / "a/photo.jpg",
                                                t / "c/IMG_0001.JPG"}));
    w.Log.Answer = false;
    w.Trigger(TCommand::MoveToTrash);
    ASSERT_EQ(w.Log.Questions.size(), 1);
    EXPECT_TRUE(w.Log.Questions[0].startsWith("Move 3 items to the Trash?"));
    EXPECT_TRUE(w.Log.Questions[0].endsWith("\n\nThese duplicates were found by content; their "
                                            "contents were compared byte for byte."))
        << w.Log.Questions[0].toStdString();
    w.Log.Answer = true;
    w.Trigger(TCommand::MoveToTrash);
    ASSERT_TRUE(w.WaitIdle());
    for (const char* kept : {"b/holiday.jpg", "c/old notes", "c/lone.txt"})
        EXPECT_TRUE(platform::PathExists(t / kept)) << kept;
    for (const char* gone : {"a/photo.jpg", "c/IMG_0001.JPG", "a/notes.txt"})
        EXPECT_FALSE(platform::PathExists(t / gone)) << gone;
    // The result left is grouped by content again: one copy of each, so no group.
    EXPECT_EQ(w.Win.Results().DuplicatesBy, TDupGrouping::Content);
    EXPECT_TRUE(w.Win.Results().Duplicates.Groups.empty());
    EXPECT_FALSE(butOne->isEnabled());
    ::setenv("XDG_DATA_HOME", dataHome, 1); // the scratch one of every window test
}

// Two equal files of 16 GiB without data blocks, which take seconds to read, and two files
// named same.txt of one length with other bytes: a group by name, none by content.
TEST_F(DuplicatesByContent, StopWhileReadingEndsTheReadingOnlyAndGroupsByName)
{
    test::TempDir t;
    constexpr std::int64_t kLength = std::int64_t{16} << 30;
    t.MakeFile("a.img", kLength);
    t.MakeFile("b.img", kLength);
    t.MakeDir("x");
    t.MakeDir("y");
    test::WriteFileBytes(t / "x/same.txt", "one text");
    test::WriteFileBytes(t / "y/same.txt", "two text");
    ui::SaveDuplicateGrouping(TDupGrouping::Content);
    test::WindowDriver w({1000, 700});
    auto* bar = w.Win.findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    // While the files are read, the status line says how far and the bar shows the bytes
    // read; Stop then.
    QString reading;
    int barMaximum = -1, barValue = -1;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, &stopper, [&] {
        if (!reading.isEmpty() || !w.Status().startsWith("Comparing contents: ") ||
            !w.Action(TCommand::Stop)->isEnabled())
            return;
        reading = w.Status();
        barMaximum = bar->maximum();
        barValue = bar->value();
        w.Trigger(TCommand::Stop);
    });
    stopper.start(0);
    w.ChoosePath(t.Path());
    ASSERT_TRUE(w.ScanAndWait());
    stopper.stop();
    ASSERT_FALSE(reading.isEmpty()) << "never saw the files read";
    EXPECT_TRUE(reading.contains(" of 32.00 GB read, files: ")) << reading.toStdString();
    EXPECT_TRUE(reading.endsWith(" of 4)")) << reading.toStdString();
    EXPECT_EQ(barMaximum, 1000);
    EXPECT_GE(barValue, 0);
    EXPECT_LT(barValue, 1000);

    // The rest of the result is there, its duplicates grouped by name and size.
    EXPECT_EQ(w.Status(),
              "Comparing contents was stopped; duplicates are grouped by name and size.");
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    const TScanResults& r = w.Win.Results();
    ASSERT_NE(r.Root(), nullptr);
    EXPECT_EQ(r.AllFiles.Files.size(), 4u);
    EXPECT_EQ(w.OnlyFiles().FilesModel()->rowCount(), 4);
    EXPECT_EQ(r.DuplicatesBy, TDupGrouping::NameAndSize);
    ASSERT_EQ(r.Duplicates.Groups.size(), 1u);
    EXPECT_EQ(r.Duplicates.Groups[0]->FileName, "same.txt");
    EXPECT_EQ(w.Duplicates().DuplicatesModel()->rowCount(), 1);
    // The menu keeps the choice for the next result.
    EXPECT_TRUE(w.Action(TCommand::DuplicatesByContent)->isChecked());
    EXPECT_FALSE(w.Busy());
}

// A scan file records no contents, and the folder it was made of is gone: opened with Same
// Content chosen, or Same Content chosen while it is shown, it is grouped by name and size
// and the status line says why.
TEST_F(DuplicatesByContent, ScanFileOfAFolderNotHereSaysSoAndGroupsByName)
{
    test::TempDir t, files;
    t.MakeDir("data/a");
    t.MakeDir("data/b");
    test::WriteFileBytes(t / "data/a/x.txt", "one text");
    test::WriteFileBytes(t / "data/b/x.txt", "two text");
    {
        test::WindowDriver w({1000, 700});
        ASSERT_TRUE(w.Scan(t / "data"));
        w.Log.PickedSaveFile = files / "scan.json";
        w.Trigger(TCommand::SaveScanFile);
        ASSERT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    }
    ASSERT_EQ(std::rename((t / "data").c_str(), (t / "away").c_str()), 0);
    const QString notice = "Cannot compare contents: the scanned folder does not exist on this "
                           "machine; duplicates are grouped by name and size.";
    for (const bool chosenFirst : {true, false}) {
        SCOPED_TRACE(chosenFirst ? "chosen before opening" : "chosen while shown");
        ui::SaveDuplicateGrouping(chosenFirst ? TDupGrouping::Content : TDupGrouping::NameAndSize);
        test::WindowDriver w({1000, 700});
        ASSERT_TRUE(w.OpenScan(files / "scan.json"));
        if (!chosenFirst) {
            EXPECT_TRUE(w.Status().startsWith("Done. Total files: 2")) << w.Status().toStdString();
            w.Trigger(TCommand::DuplicatesByContent);
            ASSERT_TRUE(w.WaitIdle());
        }
        EXPECT_EQ(w.Status(), notice);
        EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
        const TScanResults& r = w.Win.Results();
        ASSERT_NE(r.Root(), nullptr);
        EXPECT_EQ(r.DuplicatesBy, TDupGrouping::NameAndSize);
        ASSERT_EQ(r.Duplicates.Groups.size(), 1u);
        EXPECT_EQ(r.Duplicates.Groups[0]->Files.size(), 2u);
        w.ShowPage(TPageIndex::Duplicates);
        EXPECT_EQ(w.Duplicates().DuplicatesModel()->rowCount(), 1);
        EXPECT_FALSE(w.Duplicates().Map().Items().empty());
        EXPECT_TRUE(w.Action(TCommand::DuplicatesByContent)->isChecked());
    }
}

} // namespace
} // namespace harrowdale
