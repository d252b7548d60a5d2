// Removal on Windows: every entry by its handle, from the scan root down, names the
// system only reaches through the long-path form, the recycle bin through the shell, and
// junctions and links never followed.

#include "platform/FileOps.h"
#include "platform/Utf8.h"
#include "support/RemovalAsOnDisk.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace harrowdale {
namespace {

using test::AsRoots;
using test::DeleteAsOnDisk;
using test::TempDir;
using test::TrashAsOnDisk;

bool Exists(const std::string& p)
{
    return platform::PathExists(p);
}

TEST(FileOps, RemovalTakesOddNamesReadOnlyFilesAndLongPathsWhole)
{
    TempDir t;
    t.MakeDir("victim/sub");
    t.MakeFile("victim/sub/a.bin", 3);
    t.MakeFile("victim/trailing dot.", 3);
    t.MakeFile("victim/trailing blank ", 3);
    t.MakeFile("victim/Gr\xC3\xB6\xC3\x9F"
               "e \xF0\x9D\x84\x9E.txt",
               3);
    const std::string readOnly = t.MakeFile("victim/sub/read-only.txt", 3);
    const std::u16string wide = platform::Utf16FromWtf8("\\\\?\\" + readOnly);
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(wide.c_str()),
                                   FILE_ATTRIBUTE_READONLY));
    // A path far beyond the 260 characters of plain Win32 paths.
    std::string deep = "victim";
    for (int i = 0; i < 30; ++i)
        deep += "/folder-with-a-long-name-" + std::to_string(i);
    t.MakeDir(deep);
    t.MakeFile(deep + "/bottom.txt", 1);
    ASSERT_GT((t / deep).size(), 2u * MAX_PATH);
    t.MakeFile("keep.txt", 1);

    std::vector<std::string> failures;
    const std::vector<std::string> roots{t.Path()};
    EXPECT_TRUE(DeleteAsOnDisk(roots, {t / "victim"}, &failures));
    EXPECT_TRUE(failures.empty());
    EXPECT_FALSE(Exists(t / "victim"));
    EXPECT_TRUE(Exists(t / "keep.txt"));
}

TEST(FileOps, PathsInAnyCaseAreOneItemAndFailuresAreReported)
{
    TempDir t;
    const std::string a = t.MakeFile("a.txt", 1);
    const std::string b = t.MakeFile("b.txt", 1);
    std::vector<std::string> failures;
    const std::vector<std::string> roots{t.Path()};
    // "A.TXT" is a.txt on Windows: removed once, not a failure the second time.
    EXPECT_FALSE(DeleteAsOnDisk(roots, {a, t / "A.TXT", t / "missing", b}, &failures));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], t / "missing");
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
}

TEST(FileOps, WhatChangedSinceTheScanIsLeftAlone)
{
    TempDir t;
    t.MakeDir("root/was-a-file");
    t.MakeFile("root/was-a-file/inside.txt", 1);
    t.MakeFile("root/was-a-folder", 1);
    const std::vector<std::string> roots{t / "root"};
    const std::vector<platform::TRecordedItem> items{
        {t / "root/was-a-file", false, std::nullopt},
        {t / "root/was-a-folder", true, std::nullopt},
    };
    for (const bool trash : {true, false}) {
        const auto outcomes = trash ? platform::MoveToTrash(AsRoots(roots), items)
                                    : platform::RemovePermanently(AsRoots(roots), items);
        ASSERT_EQ(outcomes.size(), 2u);
        for (const auto& o : outcomes)
            EXPECT_EQ(o.Status, platform::TRemovalStatus::Changed);
        EXPECT_TRUE(Exists(t / "root/was-a-file/inside.txt"));
        EXPECT_TRUE(Exists(t / "root/was-a-folder"));
    }
}

TEST(FileOps, PathsAreResolvedFromTheirScanRoot)
{
    struct Case
    {
        const char* What;
        std::vector<std::string> Roots; // below the scratch folder
        std::string Path;
        bool Removed;
    };
    const Case cases[] = {
        {"a path no scan root holds", {"root"}, "outside/a.txt", false},
        {"a root that is only the start of a name", {"out"}, "outside/a.txt", false},
        {"a path that climbs out with ..", {"root"}, "root/dir/../../outside/a.txt", false},
        {"a root written in another case", {"ROOT"}, "root/b.txt", true},
        {"the longest root holding the path", {"", "root/dir"}, "root/dir/a.txt", true},
        {"a scan root that is itself selected", {"root/dir"}, "root/dir", true},
    };
    for (const char* command : {"trash", "delete"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(command) + ": " + c.What);
            TempDir t;
            t.MakeDir("root/dir");
            t.MakeFile("root/dir/a.txt", 3);
            t.MakeFile("root/b.txt", 3);
            t.MakeDir("outside");
            t.MakeFile("outside/a.txt", 7);
            std::vector<std::string> roots;
            for (const std::string& r : c.Roots)
                roots.push_back(r.empty() ? t.Path() : t / r);
            const std::string path = t / c.Path;
            std::vector<std::string> failures;
            const bool done = std::string(command) == "trash"
                                  ? TrashAsOnDisk(roots, {path}, &failures)
                                  : DeleteAsOnDisk(roots, {path}, &failures);
            EXPECT_EQ(done, c.Removed);
            EXPECT_EQ(failures, c.Removed ? std::vector<std::string>{} : std::vector{path});
            // A path with ".." names no file as it is written (the system is given paths
            // exactly); what it points at must be left.
            if (c.Path.find("..") == std::string::npos) {
                EXPECT_EQ(Exists(path), !c.Removed);
            }
            EXPECT_TRUE(Exists(t / "outside/a.txt"));
        }
    }
}

TEST(FileOps, LinksInsideAreRemovedAsLinksAndNeverFollowed)
{
    HARROWDALE_SKIP_WITHOUT_LINKS();
    TempDir t;
    t.MakeDir("outside");
    t.MakeFile("outside/precious.txt", 10);
    t.MakeDir("victim");
    t.MakeLink(t / "outside", "victim/link-to-dir");
    t.MakeLink(t / "outside/precious.txt", "victim/link-to-file");
    std::vector<std::string> failures;
    const std::vector<std::string> roots{t.Path()};
    EXPECT_TRUE(DeleteAsOnDisk(roots, {t / "victim"}, &failures));
    EXPECT_FALSE(Exists(t / "victim"));
    EXPECT_TRUE(Exists(t / "outside/precious.txt"));
    // A link as the selected item, or on the way to it, is refused.
    t.MakeLink(t / "outside", "via");
    EXPECT_FALSE(DeleteAsOnDisk(roots, {t / "via/precious.txt"}, &failures));
    EXPECT_FALSE(TrashAsOnDisk(roots, {t / "via"}, &failures));
    EXPECT_TRUE(Exists(t / "outside/precious.txt"));
}

} // namespace
} // namespace harrowdale
