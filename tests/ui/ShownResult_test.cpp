// What the window says about the result it shows: the title names the scanned folder or
// the scan file and its date, the status line names the selection of the page shown and
// still describes the result after a scan file could not replace it, and the commands
// with nothing to act on are off.

#include "support/TempDir.h"
#include "ui/SampleTree.h"
#include "ui/WindowDriver.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

using test::WindowDriver;
using ui::TCommand;
using ui::TPageIndex;

TEST(ShownResult, TheTitleNamesTheFolderOrTheScanFileAndItsDate)
{
    test::TempDir t;
    t.MakeDir("data");
    t.MakeFile("data/a.txt", 100);
    const std::string root = t / "data";
    const std::string entries = "[{\"name\":\"" + root + "\"},{\"name\":\"a.txt\",\"asize\":100}]";
    test::WriteFileBytes(t / "dated.json",
                         "[1,2,{\"progname\":\"x\",\"timestamp\":1700000000}," + entries + "]");
    test::WriteFileBytes(t / "undated.json", "[1,2,{}," + entries + "]");

    WindowDriver w({1000, 700});
    EXPECT_TRUE(w.Win.windowTitle().startsWith("Harrowdale ")) << w.Win.windowTitle().toStdString();
    ASSERT_TRUE(w.Scan(root));
    EXPECT_TRUE(w.Win.windowTitle().startsWith(QString::fromStdString(root) + " - Harrowdale "))
        << w.Win.windowTitle().toStdString();

    // The written date (local time, so the day may be either side of the date line).
    ASSERT_TRUE(w.OpenScan(t / "dated.json"));
    EXPECT_TRUE(w.Win.windowTitle().startsWith("dated.json (scan file of 2023-11-1"))
        << w.Win.windowTitle().toStdString();
    ASSERT_TRUE(w.OpenScan(t / "undated.json"));
    EXPECT_TRUE(w.Win.windowTitle().startsWith("undated.json (scan file) - Harrowdale "))
        << w.Win.windowTitle().toStdString();
    // A file that cannot be read leaves the title of what is still shown.
    ASSERT_TRUE(w.OpenScan(t / "missing.json"));
    EXPECT_TRUE(w.Win.windowTitle().startsWith("undated.json (scan file)"));
    // A scan again.
    ASSERT_TRUE(w.Scan(root));
    EXPECT_TRUE(w.Win.windowTitle().startsWith(QString::fromStdString(root) + " - "));
}

TEST(ShownResult, TheStatusLineNamesTheSelectionOfThePageShownAndOutlivesABadScanFile)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0});
    const QString file = w.Status();
    ASSERT_TRUE(file.startsWith(QString::fromStdString(t / "photos/2024/a.jpg") + "  "))
        << file.toStdString();

    // Ctrl+3: Only Folders' chosen folder (the largest), not the file of Only Files.
    w.Trigger(TCommand::ShowOnlyFolders);
    EXPECT_TRUE(w.Status().startsWith(QString::fromStdString(t / "photos") + "  "))
        << w.Status().toStdString();
    w.Trigger(TCommand::ShowOnlyFiles);
    EXPECT_EQ(w.Status(), file);

    // A scan file that cannot be read is reported; the status line still describes what
    // is shown.
    ASSERT_TRUE(w.OpenScan(t / "missing.json"));
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_EQ(w.Status(), file);
}

TEST(ShownResult, CommandsWithNothingToActOnAreOff)
{
    test::TempDir t;
    test::MakeSampleTree(t);
    WindowDriver w({1000, 700});
    auto enabled = [&](const std::vector<TCommand>& commands) {
        std::string on;
        for (const TCommand c : commands)
            on += w.Action(c)->isEnabled() ? '1' : '0';
        return on;
    };
    auto fileCommandsOn = [&] {
        return enabled({TCommand::Open, TCommand::CopyPaths, TCommand::Reveal, TCommand::Properties,
                        TCommand::MoveToTrash, TCommand::DeletePermanently});
    };

    // No result: nothing to act on, nothing to save; a scan file can be opened.
    EXPECT_EQ(fileCommandsOn(), "000000");
    EXPECT_EQ(enabled({TCommand::SaveScanFile, TCommand::RescanFolder, TCommand::OpenScanFile}),
              "001");

    ASSERT_TRUE(w.Scan(t.Path()));
    // Files in Folders: the scanned folder is the tree's current node.
    EXPECT_EQ(fileCommandsOn(), "111111");
    EXPECT_EQ(enabled({TCommand::SaveScanFile, TCommand::RescanFolder, TCommand::OpenScanFile}),
              "111");
    // Only Files starts with no row selected; rows taken out of the selection turn the
    // commands off again.
    w.ShowPage(TPageIndex::OnlyFiles);
    EXPECT_EQ(fileCommandsOn(), "000000");
    w.SelectRows(w.OnlyFiles().FilesList(), {1});
    EXPECT_EQ(fileCommandsOn(), "111111");
    w.ClearSelection(w.OnlyFiles().FilesList());
    EXPECT_EQ(fileCommandsOn(), "000000");
    w.ShowPage(TPageIndex::FilesInFolders);
    EXPECT_EQ(fileCommandsOn(), "111111");

    // While a scan runs there is no result: nothing to act on, save or open.
    w.Trigger(TCommand::Scan);
    ASSERT_TRUE(w.Busy());
    EXPECT_EQ(fileCommandsOn(), "000000");
    EXPECT_EQ(enabled({TCommand::SaveScanFile, TCommand::RescanFolder, TCommand::OpenScanFile}),
              "000");
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(fileCommandsOn(), "111111");
}

} // namespace
} // namespace harrowdale
