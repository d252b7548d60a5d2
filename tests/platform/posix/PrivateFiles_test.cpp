// Files made for the user in the shared temporary folder.

#include "platform/PrivateFiles.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale {
namespace {

TEST(PrivateFiles, EachFileGetsANewFolderOnlyTheUserCanEnter)
{
    test::TempDir t;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", t.Path().c_str(), 1);

    const platform::TCreatedFile a = platform::CreatePrivateFile("setup.deb");
    const platform::TCreatedFile b = platform::CreatePrivateFile("setup.deb");
    ASSERT_GE(a.Descriptor, 0) << a.Error;
    ASSERT_GE(b.Descriptor, 0) << b.Error;
    EXPECT_NE(a.Path, b.Path);
    for (const platform::TCreatedFile* f : {&a, &b}) {
        EXPECT_EQ(f->Path.rfind(t.Path() + "/", 0), 0u) << f->Path;
        EXPECT_EQ(::write(f->Descriptor, "abc", 3), 3);
        ::close(f->Descriptor);
        struct stat file
        {
        };
        struct stat folder
        {
        };
        ASSERT_EQ(::lstat(f->Path.c_str(), &file), 0);
        ASSERT_EQ(::lstat(f->Path.substr(0, f->Path.rfind('/')).c_str(), &folder), 0);
        EXPECT_TRUE(S_ISREG(file.st_mode));
        EXPECT_EQ(file.st_mode & 07777, 0600u);
        EXPECT_EQ(file.st_size, 3);
        EXPECT_TRUE(S_ISDIR(folder.st_mode));
        EXPECT_EQ(folder.st_mode & 07777, 0700u);
    }
    for (const char* bad : {"", ".", "..", "sub/setup.deb"}) {
        const platform::TCreatedFile f = platform::CreatePrivateFile(bad);
        EXPECT_LT(f.Descriptor, 0) << bad;
        EXPECT_TRUE(f.Path.empty());
        EXPECT_FALSE(f.Error.empty());
    }
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST(PrivateFiles, RemovingTakesTheFileAndItsFolderOnlyWhileTheFolderIsPrivate)
{
    test::TempDir t;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", t.Path().c_str(), 1);
    struct Case
    {
        const char* What;
        void (*Change)(const std::string& folder);
        bool Removed;     // the call succeeds: file and folder gone
        bool FileRemains; // when it does not
    };
    const Case cases[] = {
        {"as made", [](const std::string&) {}, true, false},
        {"file already gone",
         [](const std::string& folder) { ::unlink((folder + "/setup.deb").c_str()); }, true, false},
        {"something else in the folder",
         [](const std::string& folder) { test::WriteFileBytes(folder + "/other", "x"); }, false,
         false},
        {"folder opened to others",
         [](const std::string& folder) { ::chmod(folder.c_str(), 0777); }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const platform::TCreatedFile f = platform::CreatePrivateFile("setup.deb");
        ASSERT_GE(f.Descriptor, 0) << f.Error;
        ::close(f.Descriptor);
        const std::string folder = f.Path.substr(0, f.Path.rfind('/'));
        c.Change(folder);
        const std::string error = platform::RemovePrivateFile(f.Path);
        struct stat st
        {
        };
        EXPECT_EQ(error.empty(), c.Removed) << error;
        EXPECT_EQ(::lstat(folder.c_str(), &st) == 0, !c.Removed);
        EXPECT_EQ(::lstat(f.Path.c_str(), &st) == 0, c.FileRemains);
    }
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

} // namespace
} // namespace harrowdale
