// Upper- and lower-casing as the system does it: ICU on Linux, CharUpperBuffW and
// LCMapStringEx on Windows. Where the two differ, each system's own result is expected.

#include "platform/Casing.h"
#include "support/Environment.h"

#include <gtest/gtest.h>
#include <string>

namespace harrowdale {
namespace {

TEST(Casing, UpperCaseMapsEachCharacterAndKeepsOtherBytes)
{
    struct Case
    {
        const char* In;
        const char* Linux;
        const char* Windows;
    };
    const Case cases[] = {
        {"report.pdf", "REPORT.PDF", "REPORT.PDF"},
        {"caf\xC3\xA9", "CAF\xC3\x89", "CAF\xC3\x89"}, // é
        {"stra\xC3\x9F"
         "e",
         "STRA\xC3\x9F"
         "E",
         "STRA\xC3\x9F"
         "E"},                                               // ß has no single capital
        {"a\xFF b", "A\xFF B", "A\xFF B"},                   // not UTF-8: kept
        {"x\xED\xA0\x80", "X\xED\xA0\x80", "X\xED\xA0\x80"}, // a lone UTF-16 half
        {"\xC4\xB1", "I", "\xC4\xB1"},                       // dotless i
        {"\xC7\x85", "\xC7\x84", "\xC7\x85"},                // Dž (title case)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(platform::UpperCase(c.In), test::OnWindows() ? c.Windows : c.Linux);
    }
}

TEST(Casing, LowerCaseFollowsTheLocaleAndKeepsOtherBytes)
{
    if (platform::CasingLocale().rfind("tr", 0) == 0 ||
        platform::CasingLocale().rfind("az", 0) == 0)
        GTEST_SKIP() << "the user's language lower-cases I to dotless i";
    struct Case
    {
        const char* In;
        const char* Linux;
        const char* Windows;
    };
    const Case cases[] = {
        {".JPG", ".jpg", ".jpg"},
        {".\xC3\x89T\xC3\x89", ".\xC3\xA9t\xC3\xA9", ".\xC3\xA9t\xC3\xA9"}, // ÉTÉ
        {".A\xFF", ".a\xFF", ".a\xFF"},                                     // not UTF-8: kept
        {".\xCE\xA3\xCE\x91", ".\xCF\x83\xCE\xB1", ".\xCF\x83\xCE\xB1"},    // ΣΑ
        {"\xC4\xB0", "i\xCC\x87", "i"}, // İ: ICU keeps the dot as a combining mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(platform::LowerCaseLocale(c.In), test::OnWindows() ? c.Windows : c.Linux);
    }
}

} // namespace
} // namespace harrowdale
