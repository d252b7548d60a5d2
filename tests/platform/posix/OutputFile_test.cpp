// Output files on Linux by what their target is: files replaced whole, links written
// through, pipes and devices written into, and nothing else ever replaced.

#include "platform/ByteFile.h"
#include "support/TempDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace harrowdale {
namespace {

struct stat Lstat(const std::string& path)
{
    struct stat st
    {
    };
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

/// Names in `folder` that a write in progress leaves: its temporary files.
std::vector<std::string> TemporaryFiles(const std::string& folder)
{
    std::vector<std::string> found;
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr)
        return found;
    while (const dirent* e = ::readdir(d))
        if (std::string(e->d_name).rfind(".harrowdale-", 0) == 0)
            found.push_back(e->d_name);
    ::closedir(d);
    return found;
}

void WriteWhole(const std::string& path, const std::string& bytes)
{
    platform::TOutputFile out(path);
    out.Write(bytes.data(), bytes.size());
    out.Commit();
}

TEST(OutputFile, FilesAreReplacedWholeAndLinksWrittenThrough)
{
    struct Case
    {
        const char* What;
        std::function<void(const test::TempDir&)> Make; ///< what stands at "out" before
        const char* Written;                            ///< the regular file written
        bool LinkStays;
    };
    const Case cases[] = {
        {"a new name", [](const test::TempDir&) {}, "out", false},
        {"a regular file", [](const test::TempDir& t) { test::WriteFileBytes(t / "out", "old"); },
         "out", false},
        {"a link to a file in another folder",
         [](const test::TempDir& t) {
             t.MakeDir("other");
             test::WriteFileBytes(t / "other/file", "old");
             t.MakeLink("other/file", "out");
         },
         "other/file", true},
        {"a link to a name that does not exist yet",
         [](const test::TempDir& t) {
             t.MakeDir("other");
             t.MakeLink(t / "other/new", "out");
         },
         "other/new", true},
        {"a chain of links, relative to each link's folder",
         [](const test::TempDir& t) {
             t.MakeDir("a/b");
             test::WriteFileBytes(t / "a/b/file", "old");
             t.MakeLink("file", "a/b/link2");
             t.MakeLink("a/b/link2", "out");
         },
         "a/b/file", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        test::TempDir t;
        c.Make(t);
        WriteWhole(t / "out", "new content");
        EXPECT_EQ(test::ReadFileBytes(t / c.Written), "new content");
        const struct stat written = Lstat(t / c.Written);
        EXPECT_TRUE(S_ISREG(written.st_mode));
        EXPECT_EQ(written.st_mode & 0777, 0600u);
        EXPECT_EQ(S_ISLNK(Lstat(t / "out").st_mode), c.LinkStays);
        EXPECT_TRUE(TemporaryFiles(t.Path()).empty());
        std::string folder = t / c.Written;
        folder.resize(folder.rfind('/'));
        EXPECT_TRUE(TemporaryFiles(folder).empty());
    }
}

TEST(OutputFile, PipesAndDevicesAreWrittenIntoAndNeverReplaced)
{
    test::TempDir t;
    // A pipe: the bytes reach its reader, and it stays a pipe.
    ASSERT_EQ(::mkfifo((t / "fifo").c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] { got = test::ReadFileBytes(t / "fifo"); });
    WriteWhole(t / "fifo", "through the pipe");
    reader.join();
    EXPECT_EQ(got, "through the pipe");
    EXPECT_TRUE(S_ISFIFO(Lstat(t / "fifo").st_mode));

    // A device, named or behind a link (as /dev/stdout is): written into, kept.
    t.MakeLink("/dev/null", "null-link");
    for (const std::string& path : {std::string("/dev/null"), t / "null-link"}) {
        SCOPED_TRACE(path);
        WriteWhole(path, "discarded");
        EXPECT_TRUE(S_ISCHR(Lstat("/dev/null").st_mode));
    }
    EXPECT_TRUE(S_ISLNK(Lstat(t / "null-link").st_mode));
    EXPECT_TRUE(TemporaryFiles(t.Path()).empty());

    // A full device is a write error, as any full disk.
    std::string error = "(written)";
    try {
        WriteWhole("/dev/full", std::string(1 << 20, 'x'));
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "cannot write: No space left on device");
    EXPECT_TRUE(S_ISCHR(Lstat("/dev/full").st_mode));

    // What is neither a file nor a stream is refused and left as it is.
    t.MakeDir("folder");
    t.MakeLink("folder", "folder-link");
    for (const char* name : {"folder", "folder-link", "folder/."}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(WriteWhole(t / name, "x"), std::runtime_error);
    }
    EXPECT_TRUE(S_ISDIR(Lstat(t / "folder").st_mode));
    EXPECT_TRUE(S_ISLNK(Lstat(t / "folder-link").st_mode));
    EXPECT_TRUE(TemporaryFiles(t.Path()).empty());
}

TEST(OutputFile, AnUnfinishedFileIsRemovedOnRequestAndTheTargetKept)
{
    test::TempDir t;
    test::WriteFileBytes(t / "out", "old");
    {
        platform::TOutputFile first(t / "out");
        platform::TOutputFile second(t / "new");
        first.Write("partial", 7);
        ASSERT_EQ(TemporaryFiles(t.Path()).size(), 2u);
        // What an interrupted program calls before it ends.
        platform::RemoveUnfinishedOutputFiles();
        EXPECT_TRUE(TemporaryFiles(t.Path()).empty());
    }
    EXPECT_EQ(test::ReadFileBytes(t / "out"), "old");
    EXPECT_NE(::access((t / "new").c_str(), F_OK), 0);

    // A committed file is no longer the request's to remove.
    WriteWhole(t / "out", "done");
    platform::TOutputFile later(t / "later");
    platform::RemoveUnfinishedOutputFiles();
    EXPECT_EQ(test::ReadFileBytes(t / "out"), "done");
}

} // namespace
} // namespace harrowdale
