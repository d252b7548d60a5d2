// The scan history's folder below the user's data folder: used only when it is the
// user's alone.

#include "exchange/ScanHistory.h"
#include "platform/PrivateFolders.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TreeFixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale {
namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat st
    {
    };
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(PrivateFolders, TheHistoryFolderIsMadeForTheUserAloneAndItsFilesToo)
{
    test::TempDir t;
    const test::ScopedEnv data("XDG_DATA_HOME", t / "data");
    TScanHistory history = TScanHistory::Open();
    EXPECT_EQ(history.Folder(), t / "data/harrowdale/history");
    EXPECT_EQ(ModeOf(history.Folder()), 0700u);
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "a", 1);
    const THistoryEntry entry = history.Record(*fx.Finish().Root(), 1);
    EXPECT_EQ(ModeOf(entry.Path), 0600u);

    // Without XDG_DATA_HOME, below HOME.
    const test::ScopedEnv noData("XDG_DATA_HOME", std::nullopt);
    const test::ScopedEnv home("HOME", t / "home");
    EXPECT_EQ(TScanHistory::Open().Folder(), t / "home/.local/share/harrowdale/history");
}

TEST(PrivateFolders, AFolderThatIsNotTheUsersAloneIsRefusedAndNothingWritten)
{
    struct Case
    {
        const char* Name;
        std::function<void(const test::TempDir&)> Arrange;
    };
    const Case cases[] = {
        {"the history folder is a link to another folder",
         [](const test::TempDir& t) {
             t.MakeDir("data/harrowdale");
             t.MakeLink(t / "elsewhere", "data/harrowdale/history");
         }},
        {"the program's folder is a link",
         [](const test::TempDir& t) {
             t.MakeDir("data");
             t.MakeDir("elsewhere/history");
             t.MakeLink(t / "elsewhere", "data/harrowdale");
         }},
        {"the history folder is writable by others",
         [](const test::TempDir& t) {
             ::chmod(t.MakeDir("data/harrowdale/history").c_str(), 0777);
         }},
        {"the history folder is writable by its group",
         [](const test::TempDir& t) {
             ::chmod(t.MakeDir("data/harrowdale/history").c_str(), 0770);
         }},
        {"the history folder is a file",
         [](const test::TempDir& t) {
             t.MakeDir("data/harrowdale");
             t.MakeFile("data/harrowdale/history", 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TempDir t;
        t.MakeDir("elsewhere");
        c.Arrange(t);
        const test::ScopedEnv data("XDG_DATA_HOME", t / "data");
        try {
            TScanHistory::Open();
            ADD_FAILURE() << "opened";
        } catch (const EHistoryError& e) {
            EXPECT_NE(std::string(e.what()).find(t / "data/harrowdale/history"), std::string::npos)
                << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
        }
        EXPECT_TRUE(platform::TPrivateFolder::Hold(t / "elsewhere").RegularFiles().empty());
        EXPECT_TRUE(platform::TPrivateFolder::Hold(t / "elsewhere/history").RegularFiles().empty());
    }
}

// A folder named by its path is held only when no link stands anywhere on that path: a
// link put in place of a folder above it would lead the history elsewhere.
TEST(PrivateFolders, AFolderNamedByPathIsRefusedThroughALinkAnywhereOnIt)
{
    test::TempDir t;
    t.MakeDir("real");
    t.MakeDir("real/hist");
    t.MakeLink(t / "real", "via");
    t.MakeLink(t / "real/hist", "real/hist-link");
    const struct
    {
        std::string Path;
        bool Held;
    } cases[] = {
        {t / "real/hist", true},       {t / "real//hist/", true},   {t / "via/hist", false},
        {t / "real/hist-link", false}, {t / "real/missing", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::TPrivateFolder::Hold(c.Path).IsOpen(), c.Held) << c.Path;
}

// The folder is checked once, when it is opened; whatever takes its path or the name of
// a history file afterwards leads no write, read or removal elsewhere.
TEST(PrivateFolders, WhatReplacesTheFolderOrAFileInItLeadsNothingElsewhere)
{
    test::TempDir t;
    t.MakeDir("hist");
    t.MakeDir("elsewhere");
    const std::string victim = t.MakeFile("victim.txt", 5);
    test::TreeFixture fx("/r");
    fx.File(fx.Root(), "a", 1);
    const TScanTree& scan = fx.Finish();

    TScanHistory history(t / "hist");
    const std::string name = history.Record(*scan.Root(), 1).Path.substr((t / "hist/").size());
    // The folder renamed away and a link to another one put in its place.
    ASSERT_EQ(::rename((t / "hist").c_str(), (t / "hist.old").c_str()), 0);
    t.MakeLink(t / "elsewhere", "hist");
    history.Record(*scan.Root(), 2);
    EXPECT_EQ(history.List("/r").size(), 2u);
    EXPECT_TRUE(platform::TPrivateFolder::Hold(t / "elsewhere").RegularFiles().empty());
    EXPECT_EQ(platform::TPrivateFolder::Hold(t / "hist.old").RegularFiles().size(), 2u);

    // A link planted under a history file's name is neither written through, read nor
    // removed.
    history.Clear();
    EXPECT_TRUE(platform::TPrivateFolder::Hold(t / "hist.old").RegularFiles().empty());
    ASSERT_EQ(::symlink(victim.c_str(), (t / "hist.old/" + name).c_str()), 0);
    EXPECT_THROW(history.Record(*scan.Root(), 1), EHistoryError);
    EXPECT_TRUE(history.List("/r").empty());
    history.Clear();
    struct stat st
    {
    };
    EXPECT_EQ(::lstat((t / "hist.old/" + name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 5);
}

} // namespace
} // namespace harrowdale
