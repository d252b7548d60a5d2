// Names from UTF-16 kept as WTF-8: every UTF-16 string comes back unchanged, and the
// display and hashing see an unpaired surrogate as the one code unit it is.

#include "platform/Utf8.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

TEST(Wtf8, EveryUtf16StringComesBackUnchanged)
{
    struct Case
    {
        std::u16string Utf16;
        std::string Wtf8;
    };
    const Case cases[] = {
        {u"plain", "plain"},
        {u"Gr\u00F6\u00DFe", "Gr\xC3\xB6\xC3\x9F"
                             "e"},
        {u"\xD834\xDD1E", "\xF0\x9D\x84\x9E"}, // a pair: one code point
        {std::u16string(u"a\xD800"
                        u"b"),
         "a\xED\xA0\x80"
         "b"},                                                         // a lone high half
        {std::u16string(u"\xDC00"), "\xED\xB0\x80"},                   // a lone low half
        {std::u16string(u"\xDC00\xD800"), "\xED\xB0\x80\xED\xA0\x80"}, // halves out of order
        {u"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Wtf8);
        std::string wtf8;
        platform::AppendWtf8(wtf8, c.Utf16);
        EXPECT_EQ(wtf8, c.Wtf8);
        EXPECT_EQ(platform::Utf16FromWtf8(wtf8), c.Utf16);
    }
    // Bytes that decode to nothing become U+FFFD on the way to UTF-16.
    EXPECT_EQ(platform::Utf16FromWtf8("a\xFF"), u"a\uFFFD");
}

TEST(Wtf8, DisplayShowsAnUnpairedHalfAsOneReplacementCharacter)
{
    struct Case
    {
        std::string Bytes;
        std::string Display;
        std::vector<char16_t> Units;
    };
    const Case cases[] = {
        {"a\xED\xA0\x80"
         "b",
         "a\xEF\xBF\xBD"
         "b",
         {u'a', 0xD800, u'b'}},
        {"\xED\xBF\xBF", "\xEF\xBF\xBD", {0xDFFF}},
        {"a\xFF", "a\xEF\xBF\xBD", {u'a', 0xFFFD}},
        {"\xED\xA0", "\xEF\xBF\xBD\xEF\xBF\xBD", {0xFFFD, 0xFFFD}}, // cut short: two bytes
        {"\xC3\xA9", "\xC3\xA9", {0x00E9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bytes);
        EXPECT_EQ(platform::ToDisplayUtf8(c.Bytes), c.Display);
        std::vector<char16_t> units;
        platform::ForEachUtf16Unit(c.Bytes, [&units](char16_t u) { units.push_back(u); });
        EXPECT_EQ(units, c.Units);
    }
}

} // namespace
} // namespace harrowdale
