// The transl.dt we ship: it loads, holds every text the programs translate, and no
// translation breaks the template it translates.

#include "i18n/Translation.h"
#include "support/TranslatedTexts.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace harrowdale {
namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The kinds of a template's directives in order ("d", "s", "f", "%"). Width and precision
// do not count: a translation may show another number of decimals.
std::string PlaceholderKinds(const std::string& text)
{
    static const std::regex kDirective("%(?:[0-9]+:)?-?[0-9]*(?:\\.[0-9]+)?([dDsSfF%])");
    std::string kinds;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kDirective);
         it != std::sregex_iterator(); ++it)
        kinds += static_cast<char>(std::tolower(static_cast<unsigned char>((*it)[1].str()[0])));
    return kinds;
}

class ShippedTranslation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(ParseTranslationFile(ReadFile(HARROWDALE_SHIPPED_TRANSLATION), FTable, error))
            << error;
        ASSERT_GE(FTable.size(), 3u);
    }

    TLangTable FTable;
};

TEST_F(ShippedTranslation, OffersEnglishGermanAndFrench)
{
    std::vector<std::string> codes;
    for (const TLangColumn& column : FTable)
        codes.push_back(column[1]);
    EXPECT_EQ(codes.front(), "en");
    for (const char* code : {"de", "fr"})
        EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
    for (const TLangColumn& column : FTable)
        EXPECT_FALSE(column[0].empty()) << "language " << column[1] << " has no display name";
}

TEST_F(ShippedTranslation, KeyColumnIsExactlyTheProgramsTexts)
{
    std::vector<std::string> keys(FTable[0].begin() + 2, FTable[0].end());
    std::vector<std::string> expected(std::begin(test::kTranslatedTexts),
                                      std::end(test::kTranslatedTexts));
    std::sort(keys.begin(), keys.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end()) << "a key twice";
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), keys.begin(), keys.end(),
                        std::back_inserter(missing));
    std::set_difference(keys.begin(), keys.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "missing: " << testing::PrintToString(missing);
    EXPECT_TRUE(extra.empty()) << "not a text of the programs: " << testing::PrintToString(extra);
}

TEST_F(ShippedTranslation, EveryTextIsTranslatedWithItsPlaceholders)
{
    for (std::size_t c = 1; c < FTable.size(); ++c) {
        for (std::size_t r = 2; r < FTable[0].size(); ++r) {
            const std::string& key = FTable[0][r];
            const std::string& text = FTable[c][r];
            SCOPED_TRACE(FTable[c][1] + ": " + key);
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(PlaceholderKinds(text), PlaceholderKinds(key)) << text;
            // A trailing blank of the key is where the program appends a value.
            EXPECT_EQ(text.ends_with(' '), key.ends_with(' ')) << '"' << text << '"';
        }
    }
}

TEST_F(ShippedTranslation, CountedTextsHaveTheirFormsNotAnEndingInBrackets)
{
    // "item(s)", "Element(e)", "élément(s)": a count picks the singular or the plural row.
    static const std::regex kBracketedEnding("[[:alpha:]]\\((s|e|n|en|es)\\)");
    for (const TLangColumn& column : FTable)
        for (std::size_t r = 2; r < column.size(); ++r)
            EXPECT_FALSE(std::regex_search(column[r], kBracketedEnding))
                << column[1] << ": " << column[r];
}

TEST(PlaceholderKinds, ReadsTheDirectivesTheFormatterKnows)
{
    EXPECT_EQ(PlaceholderKinds("Scanning: %s  (files: %d, dirs: %d)"), "sdd");
    EXPECT_EQ(PlaceholderKinds("%.2f GB"), "f");
    EXPECT_EQ(PlaceholderKinds("%.2f%%"), "f%");
    EXPECT_EQ(PlaceholderKinds("%1:s %0:-5d"), "sd");
    EXPECT_EQ(PlaceholderKinds("Modified before:"), "");
}

TEST(ShippedTranslationCopy, LiesBesideTheScanner)
{
    const char* scanner = std::getenv("HARROWDALE_SCAN_BIN");
    if (scanner == nullptr || std::string_view(scanner).find('/') == std::string_view::npos)
        GTEST_SKIP() << "the scanner's place is known only under ctest";
    std::string beside(scanner);
    beside.resize(beside.rfind('/') + 1);
    EXPECT_EQ(ReadFile(beside + "transl.dt"), ReadFile(HARROWDALE_SHIPPED_TRANSLATION));
}

} // namespace
} // namespace harrowdale
