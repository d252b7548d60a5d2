// The path rules of both systems, each tested on every system: separators and roots, and
// the one comparison rule (bytes on Linux, case ignored on Windows).

#include "platform/PathForms.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace harrowdale {
namespace {

using platform::PathStyle;
constexpr PathStyle kPosix = PathStyle::Posix;
constexpr PathStyle kWindows = PathStyle::Windows;

TEST(Paths, AbsolutePathsAndRoots)
{
    struct Case
    {
        PathStyle Style;
        const char* Path;
        bool Absolute;
        const char* Trimmed;
        const char* Last; ///< of the trimmed path; a root is its own
    };
    const Case cases[] = {
        {kPosix, "/", true, "/", "/"},
        {kPosix, "/usr/lib//", true, "/usr/lib", "lib"},
        {kPosix, "docs/", false, "docs", "docs"},
        {kPosix, "C:\\a", false, "C:\\a", "C:\\a"},
        {kPosix, "", false, "", ""},
        {kWindows, "C:", true, "C:", "C:"},
        {kWindows, "C:\\", true, "C:", "C:"},
        {kWindows, "c:/data/", true, "c:/data", "data"},
        {kWindows, "C:\\Users\\ann", true, "C:\\Users\\ann", "ann"},
        {kWindows, "\\\\server\\share", true, "\\\\server\\share", "share"},
        {kWindows, "\\\\?\\C:\\x", true, "\\\\?\\C:\\x", "x"},
        {kWindows, "C:x", false, "C:x", "x"},
        {kWindows, "\\x", false, "\\x", "x"},
        {kWindows, "x\\", false, "x", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Style == kPosix ? "Linux " : "Windows ") + c.Path);
        EXPECT_EQ(platform::IsAbsolutePath(c.Path, c.Style), c.Absolute);
        EXPECT_EQ(platform::TrimTrailingSeparators(c.Path, c.Style), c.Trimmed);
        EXPECT_EQ(platform::LastPathComponent(c.Trimmed, c.Style), c.Last);
    }
}

TEST(Paths, LexicalNormalFormKeepsTheRootAndDropsDotsAndDoubledSeparators)
{
    struct Case
    {
        PathStyle Style;
        const char* Path;
        const char* Normal; ///< "" when the path is not absolute in that style
    };
    const Case cases[] = {
        {kPosix, "/tmp/T/.", "/tmp/T"},
        {kPosix, "/tmp/T/./tree", "/tmp/T/tree"},
        {kPosix, "/tmp/T/a//b/", "/tmp/T/a/b"},
        {kPosix, "/tmp/T/../x", "/tmp/x"},
        {kPosix, "//..//../.", "/"},
        {kPosix, "/", "/"},
        {kPosix, "/a/..b/.c/...", "/a/..b/.c/..."},
        {kPosix, "/a/b\\..", "/a/b\\.."},
        {kPosix, "./a", ""},
        {kPosix, "C:\\a", ""},
        {kWindows, "C:\\", "C:"},
        {kWindows, "c:/data/./x/..\\y\\", "c:\\data\\y"},
        {kWindows, "C:\\..\\..", "C:"},
        {kWindows, "\\\\server\\share\\a\\..\\..\\b", "\\\\server\\share\\b"},
        {kWindows, "//server/share/./x", "\\\\server\\share\\x"},
        {kWindows, "\\\\?\\C:\\x\\..", "\\\\?\\C:"},
        {kWindows, "C:x", ""},
        {kWindows, "/tmp", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Style == kPosix ? "Linux " : "Windows ") + c.Path);
        EXPECT_EQ(platform::LexicallyNormalPath(c.Path, c.Style), c.Normal);
    }
    // A path read from a file says which system wrote it by its form alone.
    EXPECT_EQ(platform::AbsolutePathStyle("/home/ann"), kPosix);
    EXPECT_EQ(platform::AbsolutePathStyle("//server/x"), kPosix);
    EXPECT_EQ(platform::AbsolutePathStyle("Z:\\tmp"), kWindows);
    EXPECT_EQ(platform::AbsolutePathStyle("z:"), kWindows);
    EXPECT_EQ(platform::AbsolutePathStyle("\\\\server\\share"), kWindows);
    for (const char* relative : {"", "tmp", "C:tmp", "\\tmp", ".\\x"})
        EXPECT_EQ(platform::AbsolutePathStyle(relative), std::nullopt) << relative;
}

TEST(Paths, JoiningAndTheFolderOfAPath)
{
    struct Case
    {
        PathStyle Style;
        const char* Folder;
        const char* Name;
        const char* Joined;
    };
    const Case cases[] = {
        {kPosix, "/", "usr", "/usr"},
        {kPosix, "/usr", "lib", "/usr/lib"},
        {kPosix, "/usr/bin", "bad\xff\nname", "/usr/bin/bad\xff\nname"},
        {kWindows, "C:", "Users", "C:\\Users"},
        {kWindows, "C:\\Users", "ann", "C:\\Users\\ann"},
        {kWindows, "\\\\server\\share", "x.txt", "\\\\server\\share\\x.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Joined);
        std::string path = c.Folder;
        platform::AppendPathComponent(path, c.Name, c.Style);
        EXPECT_EQ(path, c.Joined);
        // The folder of the joined path is the folder again, its last component the name.
        EXPECT_EQ(platform::ParentPath(path, c.Style), c.Folder);
        EXPECT_EQ(platform::LastPathComponent(path, c.Style), c.Name);
        EXPECT_EQ(platform::PathBelow(path, c.Folder, c.Style),
                  std::optional<std::string_view>(c.Name));
    }
    // Roots and single names have no folder.
    for (const char* p : {"/", "a", ""})
        EXPECT_EQ(platform::ParentPath(p, kPosix), "") << p;
    for (const char* p : {"C:", "C:\\", "a"})
        EXPECT_EQ(platform::ParentPath(p, kWindows), "") << p;
}

TEST(Paths, BelowAFolderMeansInsideItWholeComponentsOnly)
{
    struct Case
    {
        PathStyle Style;
        const char* Path;
        const char* Folder;
        std::optional<std::string_view> Rest;
    };
    const Case cases[] = {
        {kPosix, "/a/b/c", "/a", "b/c"},
        {kPosix, "/a", "/", "a"},
        {kPosix, "/ab", "/a", std::nullopt},
        {kPosix, "/a", "/a", std::nullopt},
        {kPosix, "/a/", "/a", std::nullopt},
        {kPosix, "/A/b", "/a", std::nullopt}, // names are bytes
        {kWindows, "C:\\Users\\x", "c:\\users", "x"},
        {kWindows, "C:\\a", "C:", "a"},
        {kWindows, "C:\\a", "C:\\", "a"},
        {kWindows, "C:\\ab", "C:\\a", std::nullopt},
        {kWindows, "D:\\a\\b", "C:\\a", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Path) + " below " + c.Folder);
        EXPECT_EQ(platform::PathBelow(c.Path, c.Folder, c.Style), c.Rest);
    }
}

TEST(Paths, OneComparisonRuleForEachSystem)
{
    struct Case
    {
        const char* A;
        const char* B;
        bool SameOnLinux;
        bool SameOnWindows;
    };
    const Case cases[] = {
        {"/data/a.txt", "/data/a.txt", true, true},
        {"/data/A.TXT", "/data/a.txt", false, true},
        {"C:\\Temp\\Report.PDF", "c:\\temp\\report.pdf", false, true},
        {"/\xC3\x84rger", "/\xC3\xA4rger", false, true}, // Ä and ä
        {"/a.txt", "/b.txt", false, false},
        {"/a", "/a/", false, false},
        {"/a\xff", "/A\xff", false, true}, // bytes that do not decode stay themselves
        {"/a\xff", "/a\xfe", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.A) + " ~ " + c.B);
        for (const auto& [style, same] :
             {std::pair{kPosix, c.SameOnLinux}, std::pair{kWindows, c.SameOnWindows}}) {
            EXPECT_EQ(platform::SamePath(c.A, c.B, style), same);
            EXPECT_EQ(platform::SamePath(c.B, c.A, style), same);
            EXPECT_EQ(platform::PathKey(c.A, style) == platform::PathKey(c.B, style), same);
            EXPECT_EQ(platform::ComparePaths(c.A, c.B, style) == 0, same);
            EXPECT_EQ(platform::ComparePaths(c.A, c.B, style) < 0,
                      platform::ComparePaths(c.B, c.A, style) > 0);
            if (same) {
                EXPECT_EQ(platform::HashPathKey(c.A, style), platform::HashPathKey(c.B, style));
            }
        }
    }
    // The key is the path on Linux and its upper-case form on Windows; the native rule is
    // the system's own.
    EXPECT_EQ(platform::PathKey("/Data/x", kPosix), "/Data/x");
    EXPECT_EQ(platform::PathKey("C:\\Data\\x", kWindows), "C:\\DATA\\X");
    EXPECT_EQ(platform::SamePath("/A", "/a"), platform::NativePathStyle() == kWindows);
}

} // namespace
} // namespace harrowdale
