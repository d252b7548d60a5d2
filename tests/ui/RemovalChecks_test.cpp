// Removal acts only on what the result shows: an item that changed since the scan is
// left alone and named in the failure box, a folder removed in part keeps in the views
// what is still there, what no longer existed leaves the result, and Rescan This Folder
// never follows a link that took a folder's place.

#include "platform/FileOps.h"
#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale {
namespace {

using test::SetImmutable;
using test::TempDir;
using ui::TCommand;
using ui::TPageIndex;

class Window : public test::WindowDriver
{
public:
    /// Selects files of the largest-files list by name.
    void ChooseFiles(const std::vector<std::string>& names)
    {
        ShowPage(TPageIndex::OnlyFiles);
        ClearSelection(OnlyFiles().FilesList());
        for (int r = 0; r < OnlyFiles().FilesModel()->rowCount(); ++r)
            for (const std::string& n : names)
                if (OnlyFiles().FilesModel()->File(r)->Name() == n)
                    SelectRows(OnlyFiles().FilesList(), {r}, false);
    }
    std::vector<std::string> ListedFiles()
    {
        std::vector<std::string> names;
        for (int r = 0; r < OnlyFiles().FilesModel()->rowCount(); ++r)
            names.emplace_back(OnlyFiles().FilesModel()->File(r)->Name());
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::uint64_t InodeOf(const std::string& p)
{
    struct stat st
    {
    };
    ::lstat(p.c_str(), &st);
    return st.st_ino;
}

std::size_t EntriesIn(const std::string& dir)
{
    std::error_code ec;
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir, ec), {}));
}

TEST(RemovalChecks, AScanFileItemThatChangedSinceTheScanIsLeftAlone)
{
    TempDir t;
    const std::string root = t.MakeDir("data");
    t.MakeDir("data/d");
    t.MakeDir("data/e");
    t.MakeFile("data/e/e.txt", 5);
    // The scan file says: `a` is a 1-byte file, `d` and `e` folders with these numbers.
    test::WriteFileBytes(t / "scan.json",
                         "[1,2,{\"progname\":\"ncdu\"},[{\"name\":\"" + root +
                             "\"},{\"name\":\"a\",\"asize\":1},[{\"name\":\"d\",\"ino\":" +
                             std::to_string(InodeOf(t / "data/d")) +
                             "},{\"name\":\"d.txt\",\"asize\":3}]," +
                             "[{\"name\":\"e\",\"ino\":" + std::to_string(InodeOf(t / "data/e")) +
                             "},{\"name\":\"e.txt\",\"asize\":5}]]]");
    // On disk now: `a` a folder of 2,000 files, `d` another folder.
    t.MakeDir("data/a");
    for (int i = 0; i < 2000; ++i)
        t.MakeFile("data/a/f" + std::to_string(i), 1);
    std::filesystem::rename(t / "data/d", t / "d.old");
    t.MakeDir("data/d");
    t.MakeFile("data/d/new.txt", 1);

    Window w;
    w.Log.PickedOpenFile = t / "scan.json";
    w.Trigger(TCommand::OpenScanFile);
    ASSERT_TRUE(w.WaitIdle());
    w.ChooseFiles({"a"});
    ASSERT_EQ(w.SelectedPaths(), std::vector<std::string>{t / "data/a"});
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_EQ(EntriesIn(t / "data/a"), 2000u);
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_EQ(w.Log.Errors[0], "Failed to delete 1 item:\n" +
                                   QString::fromStdString(t / "data/a") +
                                   " (changed since the scan)");
    EXPECT_EQ(w.ListedFiles(), (std::vector<std::string>{"a", "d.txt", "e.txt"}));

    w.Log.Errors.clear();
    ASSERT_TRUE(w.ChooseFolder(t / "data/d"));
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_TRUE(platform::PathExists(t / "data/d/new.txt"));
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_TRUE(w.Log.Errors[0].endsWith("/data/d (changed since the scan)"))
        << w.Log.Errors[0].toStdString();

    // A folder still the one the file names goes.
    w.Log.Errors.clear();
    ASSERT_TRUE(w.ChooseFolder(t / "data/e"));
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_FALSE(platform::PathExists(t / "data/e"));
    EXPECT_EQ(w.Status(), "1 item deleted, 5 B");
}

TEST(RemovalChecks, ALocalScanKnowsWhichFolderItSaw)
{
    TempDir t;
    t.MakeDir("data/d");
    t.MakeFile("data/d/old.txt", 10);
    t.MakeFile("data/f", 10);
    Window w;
    ASSERT_TRUE(w.Scan(t / "data"));
    // After the scan: the folder replaced by another, the file by a folder.
    std::filesystem::rename(t / "data/d", t / "d.old");
    t.MakeDir("data/d");
    t.MakeFile("data/d/other.txt", 1);
    std::filesystem::remove(t / "data/f");
    t.MakeDir("data/f");
    t.MakeFile("data/f/inside.txt", 1);

    ASSERT_TRUE(w.ChooseFolder(t / "data/d"));
    w.Trigger(TCommand::DeletePermanently);
    w.ChooseFiles({"f"});
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_TRUE(platform::PathExists(t / "data/d/other.txt"));
    EXPECT_TRUE(platform::PathExists(t / "data/f/inside.txt"));
    ASSERT_EQ(w.Log.Errors.size(), 2);
    EXPECT_TRUE(w.Log.Errors[0].endsWith("/data/d (changed since the scan)"));
    EXPECT_TRUE(w.Log.Errors[1].endsWith("/data/f (changed since the scan)"));
    EXPECT_EQ(w.Root()->TotalSize(), 20);
}

TEST(RemovalChecks, WhatStaysStaysAndWhatNoLongerExistedLeaves)
{
    TempDir t;
    t.MakeDir("data/folder/keep");
    t.MakeFile("data/folder/keep/locked.bin", 1000);
    t.MakeFile("data/folder/keep/other.bin", 2000);
    t.MakeFile("data/folder/top.bin", 4000);
    t.MakeFile("data/vanished.txt", 300);
    t.MakeFile("data/plain.txt", 50);
    if (!SetImmutable(t / "data/folder/keep/locked.bin", true))
        GTEST_SKIP() << "cannot make a file immutable here";
    Window w;
    const bool scanned = w.Scan(t / "data");
    // A folder removed in part: what went leaves the views, the locked file stays.
    ASSERT_TRUE(w.ChooseFolder(t / "data/folder"));
    w.Trigger(TCommand::DeletePermanently);
    SetImmutable(t / "data/folder/keep/locked.bin", false);
    ASSERT_TRUE(scanned);
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_TRUE(w.Log.Errors[0].endsWith("/data/folder (removed only in part)"));
    EXPECT_EQ(w.ListedFiles(),
              (std::vector<std::string>{"locked.bin", "plain.txt", "vanished.txt"}));
    EXPECT_EQ(w.Root()->TotalSize(), 1350);
    EXPECT_EQ(w.Status(), "1 item deleted, 5.9 KB");

    // A file gone before Delete leaves the result, said in the status line, not as a failure.
    w.Log.Errors.clear();
    std::filesystem::remove(t / "data/vanished.txt");
    w.ChooseFiles({"vanished.txt", "plain.txt"});
    ASSERT_EQ(w.SelectedPaths().size(), 2u);
    w.Trigger(TCommand::DeletePermanently);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_EQ(w.ListedFiles(), std::vector<std::string>{"locked.bin"});
    EXPECT_EQ(w.Root()->TotalSize(), 1000);
    EXPECT_EQ(w.Status(), "1 item deleted, 50 B; 1 item no longer existed and left the result");
}

TEST(RemovalChecks, RescanNeverFollowsALinkThatTookTheFoldersPlace)
{
    TempDir t;
    t.MakeDir("data/sub");
    t.MakeFile("data/sub/a.txt", 10);
    t.MakeFile("data/b.txt", 20);
    t.MakeDir("big");
    t.MakeFile("big/huge.bin", 10000000);
    Window w;
    ASSERT_TRUE(w.Scan(t / "data"));
    ASSERT_TRUE(w.ChooseFolder(t / "data/sub"));
    std::filesystem::rename(t / "data/sub", t / "sub.old");
    t.MakeLink(t / "big", "data/sub");
    w.Trigger(TCommand::RescanFolder);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_EQ(w.Status(), QString::fromStdString(t / "data/sub") +
                              " is gone or changed since the scan; it left the result.");
    EXPECT_EQ(w.Folder(t / "data/sub"), nullptr);
    EXPECT_EQ(w.Root()->TotalSize(), 20);
}

} // namespace
} // namespace harrowdale
