#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "support/Environment.h"
#include "support/TempDir.h"
#include "support/TreeFixture.h"
#include "ui/text/DisplayFormat.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(DisplayFormat, FormatSizeTable)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.0 KB"},
        {1536, "1.5 KB"},
        {1048575, "1024.0 KB"}, // stays in KB
        {1048576, "1.0 MB"},
        {1073741823, "1024.0 MB"},
        {1073741824, "1.00 GB"},
        {1099511627775, "1024.00 GB"},
        {1099511627776, "1.00 TB"},
        {1280, "1.3 KB"}, // 1.25 exactly: halves away from zero
        {-5, "-5 B"},
        {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808 B"},
        {std::numeric_limits<std::int64_t>::max(), "8388608.00 TB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(FormatSize(bytes, "."), text) << bytes;
}

TEST(DisplayFormat, CommaDecimalSeparator)
{
    EXPECT_EQ(FormatSize(1536, ","), "1,5 KB");
    EXPECT_EQ(FormatSize(1073741824, ","), "1,00 GB");
    EXPECT_EQ(FormatSize(1023, ","), "1023 B");
    EXPECT_EQ(FormatPercent(1, 3, ","), "33,33%");
    // The fixed text keeps its full stop under every locale.
    EXPECT_EQ(FormatPercent(5, 0, ","), "0.00%");
}

TEST(DisplayFormat, FormatPercent)
{
    EXPECT_EQ(FormatPercent(1, 3, "."), "33.33%");
    EXPECT_EQ(FormatPercent(2, 3, "."), "66.67%");
    EXPECT_EQ(FormatPercent(3, 3, "."), "100.00%");
    EXPECT_EQ(FormatPercent(0, 7, "."), "0.00%");
    EXPECT_EQ(FormatPercent(0, 0, "."), "0.00%");
    EXPECT_EQ(FormatPercent(12, 0, "."), "0.00%");
    EXPECT_EQ(FormatPercent(12, -4, "."), "0.00%");
    EXPECT_EQ(FormatPercent(-1, 4, "."), "-25.00%");
}

TEST(DisplayFormat, DefaultSeparatorOverloadsAgree)
{
    EXPECT_EQ(FormatSize(1536), FormatSize(1536, UserDecimalSeparator()));
    EXPECT_EQ(FormatPercent(1, 3), FormatPercent(1, 3, UserDecimalSeparator()));
}

TEST(DisplayFormat, SizeTemplatesAreTranslated)
{
    test::TempDir dir;
    const std::string path = dir / "transl.dt";
    // French units; German drops the number and garbles the GB template.
    std::ofstream(path, std::ios::binary) << "3\nEnglish\nFrancais\nDeutsch\nen\nfr\nde\n"
                                             "%d B\n%d o\n\n"
                                             "%.1f KB\n%.1f Ko\nKB\n"
                                             "%.2f GB\n%.2f Go\n%d %d GB\n";
    struct TRestore
    {
        ~TRestore() { Translation().Load("en", std::nullopt, {}); }
    } restore;
    const std::vector<std::string> candidates{path};
    ASSERT_TRUE(Translation().Load("fr", std::nullopt, candidates));
    EXPECT_EQ(FormatSize(12, ","), "12 o");
    EXPECT_EQ(FormatSize(1536, ","), "1,5 Ko");
    EXPECT_EQ(FormatSize(1073741824, ","), "1,00 Go");
    EXPECT_EQ(FormatSize(1048576, ","), "1,0 MB"); // no row: English template
    EXPECT_EQ(FormatPercent(1, 3, ","), "33,33%"); // never translated
    ASSERT_TRUE(Translation().SetLanguage(2));
    EXPECT_EQ(FormatSize(12, "."), "12 B"); // empty cell
    EXPECT_EQ(FormatSize(1536, "."), "KB");
    EXPECT_EQ(FormatSize(1073741824, "."), "1 %d GB");
}

TEST(DisplayFormat, DateText)
{
    const auto at = [](int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
        return *EncodeDateTime({y, mo, d, h, mi, s, ms});
    };
    EXPECT_EQ(FormatDateText(at(2024, 3, 9, 7, 5)), "2024-03-09 07:05");
    EXPECT_EQ(FormatDateText(at(1999, 12, 31, 23, 59, 59, 999)), "1999-12-31 23:59");
    EXPECT_EQ(FormatDateText(at(2001, 1, 1, 0, 0)), "2001-01-01 00:00");
    EXPECT_EQ(FormatDateText(at(2024, 11, 30, 13, 45, 30)), "2024-11-30 13:45");
    EXPECT_EQ(FormatDateText(0.5), "1899-12-30 12:00");
    EXPECT_EQ(FormatDateText(0), "");
    EXPECT_EQ(FormatDateText(-1.5), "");
    EXPECT_EQ(FormatDateText(std::nan("")), "");
    EXPECT_EQ(FormatDateText(1e300), "");
}

TEST(DisplayFormat, FileDateTextIsLocalTimeOrEmpty)
{
    test::ScopedUtc utc;
    if (!utc.Active())
        GTEST_SKIP() << "local time cannot be set to UTC for this process";
    // 2021-01-02 03:04:05 UTC in 100-ns ticks since 1601.
    const std::int64_t unix = 1609556645;
    const std::int64_t ticks = (unix + 11644473600LL) * 10000000LL;
    test::TreeFixture fx;
    fx.File(fx.Root(), "dated.txt", 1, ticks);
    fx.File(fx.Root(), "undated.txt", 1, 0);
    fx.Finish();
    EXPECT_EQ(FileDateText(fx.Root()->Leaves()[0]), "2021-01-02 03:04");
    EXPECT_EQ(FileDateText(fx.Root()->Leaves()[1]), "");
}

TEST(DisplayFormat, VisiblePathTextShowsWhatWouldBreakOrReorderTheLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/plain/Ünïcödé name.txt", "/plain/Ünïcödé name.txt"},
        {"/a\nb", "/a\\nb"},
        {"/a\tb\rc", "/a\\tb\\rc"},
        {"/esc\x1b[31mred", "/esc\\x1b[31mred"},
        {"/del\x7f", "/del\\x7f"},
        {"/nul" + std::string(1, '\0') + "x", "/nul\\x00x"},
        {"/c1\xc2\x85", "/c1\\u0085"},
        {"/bad\xff", "/bad\xef\xbf\xbd"},
        {"/rlo\xe2\x80\xaetxt.exe", "/rlo\\u202etxt.exe"},
        {"/isolate\xe2\x81\xa6x", "/isolate\\u2066x"},
        {"/line\xe2\x80\xa8sep", "/line\\u2028sep"},
        {"/back\\slash", "/back\\slash"},
    };
    for (const auto& [path, shown] : cases)
        EXPECT_EQ(VisiblePathText(path), shown) << shown;
}

TEST(DisplayFormat, VisiblePathTextLeavesNoLineBreakOrControl)
{
    // Every byte value alone and after a lead byte: nothing that can break a line or move
    // the cursor survives.
    for (int b = 0; b < 256; ++b) {
        for (const std::string& name : {std::string(1, static_cast<char>(b)),
                                        "\xc2" + std::string(1, static_cast<char>(b))}) {
            const std::string shown = VisiblePathText(name);
            for (const char c : shown) {
                const auto u = static_cast<unsigned char>(c);
                EXPECT_FALSE(u < 0x20 || u == 0x7F) << "byte " << b;
            }
            EXPECT_EQ(shown.find("\xc2\x85"), std::string::npos) << "byte " << b;
        }
    }
}

} // namespace
} // namespace harrowdale
