// Trash and permanent removal act on exactly the given path bytes and never follow links.

#include "platform/FileOps.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace harrowdale {
namespace {

using test::TempDir;

bool Exists(const std::string& p)
{
    return platform::PathExists(p);
}

std::string ReadFile(const std::string& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Points the home trash at a scratch folder for the life of the test.
class ScratchDataHome
{
public:
    explicit ScratchDataHome(const std::string& dir)
    {
        const char* old = std::getenv("XDG_DATA_HOME");
        FOld = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    }
    ~ScratchDataHome()
    {
        if (FOld)
            ::setenv("XDG_DATA_HOME", FOld->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

private:
    std::optional<std::string> FOld;
};

TEST(FileOps, TrashMovesOddNamesWithRestorableInfo)
{
    TempDir t;
    ScratchDataHome home(t / "data");
    const std::string names[] = {"with space.txt", "new\nline", "bad\xff.bin", "-rf"};
    std::vector<std::string> paths;
    for (const std::string& n : names)
        paths.push_back(t.MakeFile(n, 5));
    t.MakeDir("folder/inner");
    t.MakeFile("folder/inner/x", 1);
    paths.push_back(t / "folder");
    t.MakeFile("keep.txt", 1);

    ASSERT_TRUE(platform::MoveToTrash(paths));
    for (const std::string& p : paths)
        EXPECT_FALSE(Exists(p)) << p;
    EXPECT_TRUE(Exists(t / "keep.txt"));

    const std::string trash = t / "data/Trash";
    EXPECT_TRUE(Exists(trash + "/files/bad\xff.bin"));
    EXPECT_TRUE(Exists(trash + "/files/folder/inner/x"));
    const std::string info = ReadFile(trash + "/info/bad\xff.bin.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + platform::PercentEncodePath(t / "bad\xff.bin") +
                             "\nDeletionDate=",
                         0),
              0u)
        << info;
    EXPECT_NE(info.find("%FF.bin"), std::string::npos);
    EXPECT_NE(ReadFile(trash + "/info/new\nline.trashinfo").find("new%0Aline"), std::string::npos);

    // A second item of the same name gets a name of its own.
    t.MakeFile("-rf", 7);
    ASSERT_TRUE(platform::MoveToTrash({t / "-rf"}));
    EXPECT_TRUE(Exists(trash + "/files/-rf.2"));
    EXPECT_TRUE(Exists(trash + "/info/-rf.2.trashinfo"));
}

TEST(FileOps, PermanentRemovalNeverFollowsLinks)
{
    TempDir t;
    t.MakeDir("outside");
    t.MakeFile("outside/precious.txt", 10);
    t.MakeDir("victim/sub");
    t.MakeFile("victim/sub/a.bin", 3);
    t.MakeFile("victim/bad\xfe name", 3);
    t.MakeLink(t / "outside", "victim/link-to-dir");
    t.MakeLink(t / "outside/precious.txt", "victim/link-to-file");
    t.MakeFile("single\n.txt", 1);

    std::vector<std::string> failures;
    ASSERT_TRUE(platform::RemovePermanently({t / "victim", t / "single\n.txt"}, &failures));
    EXPECT_TRUE(failures.empty());
    EXPECT_FALSE(Exists(t / "victim"));
    EXPECT_FALSE(Exists(t / "single\n.txt"));
    EXPECT_TRUE(Exists(t / "outside/precious.txt"));
}

TEST(FileOps, FailuresAreReportedAndRepeatsAreOneItem)
{
    TempDir t;
    const std::string a = t.MakeFile("a.txt", 1);
    const std::string b = t.MakeFile("b.txt", 1);
    std::vector<std::string> failures;
    // The same path twice (a group and one of its files) is removed once, without a
    // failure; a missing path fails and is reported, the others are still removed.
    EXPECT_FALSE(platform::RemovePermanently({a, a, t / "missing", b}, &failures));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], t / "missing");
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));

    ScratchDataHome home(t / "data");
    failures.clear();
    EXPECT_FALSE(platform::MoveToTrash({t / "gone"}, &failures));
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_FALSE(platform::MoveToTrash({"relative/path"}, &failures));
}

} // namespace
} // namespace harrowdale
