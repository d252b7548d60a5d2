#include "i18n/TextFormat.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace harrowdale {
namespace {

std::string F(std::string_view templ, std::initializer_list<TFormatArg> args,
              std::string_view sep = ".")
{
    return FormatText(templ, args, sep);
}

TEST(TextFormat, ProgramDirectives)
{
    EXPECT_EQ(FormatWithSeparator(".", "Building duplicates... %d / %d", 801, 1601),
              "Building duplicates... 801 / 1601");
    EXPECT_EQ(FormatWithSeparator(".", "Scanning: %s  (files: %d, dirs: %d)", "/home/a", 12, 3),
              "Scanning: /home/a  (files: 12, dirs: 3)");
    EXPECT_EQ(FormatWithSeparator(".", "%.1f KB", 1.5), "1.5 KB");
    EXPECT_EQ(FormatWithSeparator(",", "%.2f GB", 1.0), "1,00 GB");
    EXPECT_EQ(FormatWithSeparator(".", "%.2f%%", 100.0 / 3.0), "33.33%");
    EXPECT_EQ(FormatWithSeparator(".", "%d B", std::int64_t{-5}), "-5 B");
    EXPECT_EQ(FormatWithSeparator(".", "100%%"), "100%");
    EXPECT_EQ(FormatWithSeparator(".", ""), "");
}

TEST(TextFormat, IntegersCoverTheWhole64BitRange)
{
    EXPECT_EQ(F("%d", {std::numeric_limits<std::int64_t>::min()}), "-9223372036854775808");
    EXPECT_EQ(F("%d", {std::numeric_limits<std::int64_t>::max()}), "9223372036854775807");
    EXPECT_EQ(F("%d", {std::size_t{4000000000}}), "4000000000");
    EXPECT_EQ(F("%.5d", {-12}), "-00012"); // precision: minimum digits, as Delphi
}

TEST(TextFormat, FixedPointRoundsHalvesAwayFromZero)
{
    // Exact binary halves round up as Delphi's Format does (printf would give 1.2, 0.12).
    EXPECT_EQ(FormatFixed(1.25, 1, "."), "1.3");
    EXPECT_EQ(FormatFixed(0.125, 2, "."), "0.13");
    EXPECT_EQ(FormatFixed(2.5, 0, "."), "3");
    EXPECT_EQ(FormatFixed(-1.25, 1, "."), "-1.3");
    EXPECT_EQ(FormatFixed(9.95, 1, "."), "9.9"); // 9.95 is stored below the half
    EXPECT_EQ(FormatFixed(9.75, 1, "."), "9.8");
    EXPECT_EQ(FormatFixed(99.95, 1, "."), "100.0"); // 99.95 is stored above the half
    EXPECT_EQ(FormatFixed(999.5, 0, "."), "1000");
    EXPECT_EQ(FormatFixed(0.0, 2, "."), "0.00");
    EXPECT_EQ(FormatFixed(-0.001, 2, "."), "0.00"); // no "-0.00"
    EXPECT_EQ(FormatFixed(1048575.0 / 1024.0, 1, "."), "1024.0");
    EXPECT_EQ(FormatFixed(1.5, 1, ","), "1,5");
    EXPECT_EQ(FormatFixed(1.5, 1, "\xC2\xB7"), "1\xC2\xB7"
                                               "5"); // a multi-byte separator
    EXPECT_EQ(FormatFixed(1e300, 2, ".").size(), 301u + 3u);
    EXPECT_EQ(FormatFixed(std::nan(""), 2, "."), "NAN");
    EXPECT_EQ(FormatFixed(-INFINITY, 2, "."), "-INF");
    EXPECT_EQ(F("%f", {1.0}), "1.00"); // Delphi's default precision
}

TEST(TextFormat, WidthIndexAndCase)
{
    EXPECT_EQ(F("[%5d]", {42}), "[   42]");
    EXPECT_EQ(F("[%-5d]", {42}), "[42   ]");
    EXPECT_EQ(F("[%4s]", {"\xC3\xA4"}), "[   \xC3\xA4]"); // width counts code points
    EXPECT_EQ(F("%.2s", {"\xC3\xA4\xC3\xB6\xC3\xBC"}), "\xC3\xA4\xC3\xB6");
    EXPECT_EQ(F("%1:s %0:s", {"world", "hello"}), "hello world");
    EXPECT_EQ(F("%1:s %s", {"a", "b", "c"}), "b c"); // continues after the index
    EXPECT_EQ(F("%D %S %.1F", {1, "x", 2.0}), "1 x 2.0");
}

// A translator may drop, swap or garble placeholders. Nothing may crash or read past the
// arguments; what can be formatted is, the rest is left as written.
TEST(TextFormat, BrokenTemplatesNeverCrash)
{
    // Missing arguments: the directive stays as written.
    EXPECT_EQ(F("%d / %d", {5}), "5 / %d");
    EXPECT_EQ(F("%s %s %s", {}), "%s %s %s");
    EXPECT_EQ(F("%.1f KB", {}), "%.1f KB");
    EXPECT_EQ(F("%7:d", {1}), "%7:d");
    // Surplus arguments are ignored; a dropped placeholder just drops the value.
    EXPECT_EQ(F("Ko", {1.5}), "Ko");
    EXPECT_EQ(F("%d", {1, 2, 3}), "1");
    // Swapped kinds are converted.
    EXPECT_EQ(F("%s", {7}), "7");
    EXPECT_EQ(F("%s", {1.5}, ","), "1,5");
    EXPECT_EQ(F("%d", {"text"}), "text");
    EXPECT_EQ(F("%d Ko", {1.5}), "2 Ko");
    EXPECT_EQ(F("%d", {-2.5}), "-3");
    EXPECT_EQ(F("%d", {1e300}), "9223372036854775807");
    EXPECT_EQ(F("%d", {std::nan("")}), "NAN");
    EXPECT_EQ(F("%.1f", {3}), "3.0");
    EXPECT_EQ(F("%.1f", {"x"}), "x");
    // Swapped order of a two-placeholder template: each is filled in turn.
    EXPECT_EQ(F("dirs %d, path %s", {"/a", 3}), "dirs /a, path 3");
    // Incomplete or unknown directives are text and take no argument.
    EXPECT_EQ(F("100%", {1}), "100%");
    EXPECT_EQ(F("%", {}), "%");
    EXPECT_EQ(F("%x %d", {4}), "%x 4");
    EXPECT_EQ(F("%.f %d", {4}), "%.f 4");
    EXPECT_EQ(F("%5", {4}), "%5");
    EXPECT_EQ(F("%-", {4}), "%-");
    EXPECT_EQ(F("%*d", {4, 5}), "%*d");
    EXPECT_EQ(F("%1:", {4}), "%1:");
    // Absurd widths and precisions are capped instead of allocating without bound.
    EXPECT_EQ(F("%99999999999999999999d", {1}).size(), std::size_t(kMaxFieldWidth));
    EXPECT_EQ(F("%.99999f", {1.0}).size(), std::size_t(kMaxFieldWidth) + 2);
    EXPECT_EQ(F("%99999999999:d", {1}), "%99999999999:d");
}

TEST(TextFormat, UserSeparatorIsUsedByFormat)
{
    EXPECT_FALSE(UserDecimalSeparator().empty());
    EXPECT_EQ(Format("%.1f", 1.5), "1" + UserDecimalSeparator() + "5");
    EXPECT_EQ(Format("%d items", 3), "3 items");
    EXPECT_EQ(FormatText("%d of %s", {2, std::string("many")}), "2 of many");
    EXPECT_EQ(FormatText("%.1f", {0.5}), "0" + UserDecimalSeparator() + "5");
}

} // namespace
} // namespace harrowdale
