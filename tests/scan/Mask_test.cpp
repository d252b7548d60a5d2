// Exclusion masks against file names and full paths.

#include "scan/Mask.h"
#include "support/NativePath.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(Mask, SetMatchesNameOrFullPathIgnoringCase)
{
    struct Case
    {
        std::vector<std::string> Masks;
        const char* Name;
        const char* Folder;
        bool Match;
    };
    const Case cases[] = {
        {{"*.JPG"}, "a.jpg", "/photos", true},
        {{"*cache*"}, "b.txt", "/home/x/Cache/sub", true}, // through the path
        {{"*cache*"}, "b.txt", "/home/x/cash", false},
        {{"/TMP/*"}, "a", "/", false},
        {{"/A"}, "a", "/", true},                     // no double slash under the root
        {{"?.txt"}, "\xC3\xA4.TXT", "/x", true},      // one character, two bytes
        {{"*\xC3\x84*"}, "\xC3\xA4.txt", "/x", true}, // masks are upper-cased too
        {{"[a-c]*"}, "Bob", "/x", true},
        {{"[!a-c]ob"}, "Bob", "/x", false},
        {{"[!a-c]ob"}, "Dob", "/x", true},
        {{"*\xFF"}, "x\xFF", "/x", true}, // a byte that does not decode matches itself
        {{"*\xFE"}, "x\xFF", "/x", false},
        {{"", "*.none", "*.log"}, "A.LOG", "/x", true},
        {{}, "a", "/x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " in " + c.Folder);
        TMaskSet set(c.Masks);
        EXPECT_EQ(set.Matches(c.Name, c.Folder), c.Match);
    }
}

TEST(Mask, SetFollowsTheFolderFromFileToFile)
{
    using test::NativePath;
    TMaskSet set({NativePath("/DATA/KEEP/*")});
    EXPECT_TRUE(set.Matches("a", NativePath("/data/keep")));
    EXPECT_FALSE(set.Matches("a", NativePath("/data/other")));
    EXPECT_FALSE(set.Matches("a", NativePath("/data/keepsake")));
    EXPECT_TRUE(set.Matches("b", NativePath("/data/keep/deeper"))); // '*' spans separators too
}

TEST(Mask, MalformedMaskFailsWhenItIsReached)
{
    TMaskSet set({"*.txt", "*.[txt", "*.log"});
    EXPECT_TRUE(set.Matches("a.txt", "/x")); // decided before the malformed mask
    try {
        set.Matches("a.log", "/x");
        FAIL() << "no error";
    } catch (const EMaskException& e) {
        // Named as given, not as the set upper-cased it for matching.
        EXPECT_EQ(e.Mask(), "*.[txt");
        EXPECT_EQ(e.Position(), 3u);
        EXPECT_EQ(e.Problem(), TMaskProblem::UnclosedSet);
    }
}

} // namespace
} // namespace harrowdale
