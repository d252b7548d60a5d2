#include "treemap/Colors.h"
#include "treemap/FolderTreemapLayout.h"
#include "treemap/TreemapLayout.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

std::uint32_t Fnv1aOfUnits(const std::vector<char16_t>& units)
{
    std::uint32_t h = 0x811C9DC5u;
    for (const char16_t u : units) {
        h ^= u;
        h *= 16777619u;
    }
    return h;
}

TEST(Colors, KnownColours)
{
    struct Case
    {
        TColor Actual;
        TColor Expected;
        const char* What;
    };
    const Case cases[] = {
        {ColorForExt("abc"), RGB(43, 233, 103), "abc"},
        {ColorForExt("(none)"), RGB(32, 170, 101), "(none)"},
        {ColorForExt(""), RGB(32, 170, 101), "empty extension counts as (none)"},
        {DupGroupColor("A.TXT|1"), RGB(121, 242, 39), "duplicate key"},
        {TTreemapLayout::ColorForExt("abc"), RGB(43, 233, 103), "layout's class function"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(RedOf(c.Actual), RedOf(c.Expected));
        EXPECT_EQ(GreenOf(c.Actual), GreenOf(c.Expected));
        EXPECT_EQ(BlueOf(c.Actual), BlueOf(c.Expected));
        EXPECT_EQ(c.Actual & 0xFF000000u, 0u);
    }
}

TEST(Colors, HashTakesWholeUtf16UnitsAndReplacesInvalidBytes)
{
    EXPECT_EQ(Fnv1aUtf16("\xC3\xA9"), Fnv1aOfUnits({u'\u00E9'})); // one unit, not two bytes
    EXPECT_EQ(Fnv1aUtf16("\xF0\x9F\x98\x80"), Fnv1aOfUnits({0xD83D, 0xDE00})); // surrogates
    EXPECT_EQ(Fnv1aUtf16("a\xFF"), Fnv1aOfUnits({u'a', 0xFFFD}));
    // An unpaired half of a Windows name (kept as WTF-8) is hashed as the unit it is.
    EXPECT_EQ(Fnv1aUtf16("a\xED\xA0\x80"), Fnv1aOfUnits({u'a', 0xD800}));
}

TEST(Colors, ExtensionAndPathColoursIgnoreCaseButPathsKeepEmpty)
{
    EXPECT_EQ(ColorForExt(".TXT"), ColorForExt(".txt"));
    EXPECT_EQ(TFolderTreemapLayout::ColorForPath("/Data/Photos"),
              TFolderTreemapLayout::ColorForPath("/data/photos"));
    // A folder path is hashed as it is: an empty one is not turned into "(none)".
    EXPECT_EQ(ColorForPath(""), ColorFromHash(0x811C9DC5u));
    EXPECT_NE(ColorForPath(""), ColorForExt(""));
    // Every channel keeps its 0x20 bit, so no colour is fully dark.
    for (const char* s : {"", "a", ".jpg", "/usr/lib", "X.BIN|0"})
        EXPECT_EQ(DupGroupColor(s) & 0x202020u, 0x202020u) << s;
}

} // namespace
} // namespace harrowdale
