// `harrowdale [PATH]`, `harrowdale --open FILE`, --help and --version.

#include "support/TempDir.h"
#include "ui/CommandLine.h"
#include "ui/WindowDriver.h"

#include <QComboBox>
#include <QRadioButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

namespace harrowdale {
namespace {

using TAction = ui::TCommandLine::TAction;

TEST(CommandLine, ReadsThePathAndTheStandardOptions)
{
    struct Case
    {
        std::vector<std::string> Args;
        TAction Action;
        std::optional<std::string> Path;
        const char* InText; // a piece of the text printed
        std::vector<std::string> OpenFiles = {};
    };
    const Case cases[] = {
        {{"harrowdale"}, TAction::Run, std::nullopt, ""},
        {{"harrowdale", "/srv/data"}, TAction::Run, "/srv/data", ""},
        {{"harrowdale", "/srv/caf\xe9"}, TAction::Run, "/srv/caf\xe9", ""}, // Latin-1 bytes
        {{"harrowdale", "--", "-odd"}, TAction::Run, "-odd", ""},
        {{"harrowdale", "--help"},
         TAction::Help,
         std::nullopt,
         "Usage: harrowdale [options] [PATH]"},
        {{"/opt/x/bin/harrowdale", "-h", "/srv"}, TAction::Help, std::nullopt, "--version"},
        // Before the QApplication, Qt's own options are still there: help still wins.
        {{"harrowdale", "-platform", "xcb", "--help"}, TAction::Help, std::nullopt, "PATH"},
        {{"harrowdale", "--version"}, TAction::Version, std::nullopt, "Harrowdale 2.2"},
        {{"harrowdale", "--open", "/srv/scan\xff.json"},
         TAction::Run,
         std::nullopt,
         "",
         {"/srv/scan\xff.json"}},
        {{"harrowdale", "--open=s.json.gz"}, TAction::Run, std::nullopt, "", {"s.json.gz"}},
        // Several files open as one result, in the order given.
        {{"harrowdale", "--open", "b.json", "--open=a\xff.json"},
         TAction::Run,
         std::nullopt,
         "",
         {"b.json", "a\xff.json"}},
        {{"harrowdale", "--open", "s.json", "/srv"}, TAction::Error, std::nullopt, "either"},
        {{"harrowdale", "--open"}, TAction::Error, std::nullopt, "open"},
        {{"harrowdale", "--bogus"}, TAction::Error, std::nullopt, "bogus"},
        {{"harrowdale", "/a", "/b"}, TAction::Error, std::nullopt, "one PATH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args.back());
        const ui::TCommandLine r = ui::ParseCommandLine(c.Args);
        EXPECT_EQ(r.Action, c.Action);
        EXPECT_EQ(r.Path, c.Path);
        EXPECT_EQ(r.OpenFiles, c.OpenFiles);
        EXPECT_TRUE(r.Text.contains(QString::fromUtf8(c.InText))) << r.Text.toStdString();
    }
}

TEST(CommandLine, PathGivenIsChosenAndScannedAsItsBytes)
{
    test::TempDir t;
    const std::string folder = t.MakeDir("caf\xe9");
    t.MakeFile("caf\xe9/menu.txt", 1234);
    test::WindowDriver w({1000, 700});
    w.Win.ScanFolder(folder);
    ASSERT_TRUE(w.WaitIdle());
    ASSERT_NE(w.Root(), nullptr);
    EXPECT_EQ(w.Root()->FullPath(), folder);
    EXPECT_EQ(w.Root()->TotalSize(), 1234);
    EXPECT_TRUE(w.Options().FolderButton()->isChecked());
    EXPECT_TRUE(w.Log.Errors.isEmpty());
}

TEST(CommandLine, ARelativePathIsShownAndScannedAsTheFolderItNames)
{
    // "harrowdale ." and the like: the Path box and the result name the folder itself.
    test::TempDir t;
    t.MakeDir("tree/sub");
    t.MakeFile("tree/sub/f", 10);
    const std::string tree = std::filesystem::canonical(t / "tree").string();
    const std::filesystem::path before = std::filesystem::current_path();
    for (const char* typed : {".", "sub/..", "./sub//.."}) {
        SCOPED_TRACE(typed);
        std::filesystem::current_path(t / "tree");
        test::WindowDriver w({1000, 700});
        w.Win.ScanFolder(typed);
        ASSERT_TRUE(w.WaitIdle());
        std::filesystem::current_path(before);
        ASSERT_NE(w.Root(), nullptr);
        EXPECT_EQ(w.Root()->FullPath(), tree);
        EXPECT_EQ(w.Options().FolderBox()->currentText().toStdString(), tree);
        EXPECT_EQ(w.Root()->TotalSize(), 10);
    }
}

} // namespace
} // namespace harrowdale
