#include "support/TreeFixture.h"
#include "views/FindQuery.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

constexpr std::int64_t kDay = 864'000'000'000; // in 100-ns ticks

TEST(FindQuery, NamesByTextAndByMask)
{
    struct Case
    {
        TFindNameKind Kind;
        std::string_view Typed, Name;
        bool Expected;
    };
    using enum TFindNameKind;
    const Case cases[] = {
        {Text, "port", "Report.PDF", true},       // a piece, case folded
        {Text, "REPORT.pdf", "report.PDF", true}, //
        {Text, "reports", "Report", false},       // longer than the name
        {Text, "  port ", "report", true},        // blanks around are not looked for
        {Text, "", "anything", true},             // blank: any name
        {Text, "ÄPFEL", "äpfel.txt", true},       // beyond ASCII too
        {Text, "é", "e", false},                  //
        {Text, "bad",
         "x\xff"
         "bad\xfe.log",
         true}, // not UTF-8: found by its valid parts
        {Text, "x?b",
         "x\xff"
         "bad",
         false},                                   // a bad byte is no character typed
        {Text, "*", "a*b", true},                  // text: '*' is itself
        {Text, "*", "ab", false},                  //
        {Mask, "*.jpg", "b.JPG", true},            // a mask takes the whole name
        {Mask, "*.jpg", "b.jpg.bak", false},       //
        {Mask, "*.jpg; *.png", "c.png", true},     // several masks
        {Mask, "a?c", "abc", true},                //
        {Mask, "[x-z]*", "Yes", true},             //
        {Mask, "*\xc3\xa9*", "caf\xc3\x89", true}, // é and É
        {Mask, "x?bad",
         "x\xff"
         "bad",
         true}, // a bad byte is one character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Typed) + " / " + std::string(c.Name));
        TFindQuery q({.Name = std::string(c.Typed), .Kind = c.Kind});
        EXPECT_EQ(q.NameMatches(c.Name), c.Expected);
    }
}

TEST(FindQuery, AMalformedMaskIsRefusedWithItsPlace)
{
    try {
        TFindQuery q({.Name = "*.txt;[abc", .Kind = TFindNameKind::Mask});
        FAIL() << "accepted";
    } catch (const EMaskException& e) {
        EXPECT_EQ(e.Mask(), "[abc"); // as typed
        EXPECT_EQ(e.Problem(), TMaskProblem::UnclosedSet);
    }
    // As text the same characters are simply looked for.
    TFindQuery text({.Name = "[abc", .Kind = TFindNameKind::Text});
    EXPECT_TRUE(text.NameMatches("x[ABC]"));
}

// /r: big.iso 5000 (day 10), docs/ (a.txt 100 day 20, b.txt 300 no date, old/ (c.txt 50
// day 5)), photos/ (docs.jpg 2000 day 30)
class FindWalk : public ::testing::Test
{
protected:
    FindWalk()
    {
        fx.File(fx.Root(), "big.iso", 5000, 10 * kDay);
        TDirNode* docs = fx.Folder(fx.Root(), "docs");
        fx.File(docs, "a.txt", 100, 20 * kDay);
        fx.File(docs, "b.txt", 300, 0);
        fx.File(fx.Folder(docs, "old"), "c.txt", 50, 5 * kDay);
        fx.File(fx.Folder(fx.Root(), "photos"), "docs.jpg", 2000, 30 * kDay);
        fx.Finish();
    }
    /// Names of the matches in the walk's order, and the totals.
    std::pair<std::vector<std::string>, TFindTotals> Find(const TFindCriteria& c)
    {
        TFindQuery q(c);
        std::vector<std::string> names;
        std::int64_t delivered = 0;
        const std::atomic<bool> stop{false};
        const TFindTotals totals =
            FindEntries(fx.Root(), q, stop, [&](std::span<const TEntryRef> found, std::int64_t b) {
                for (const TEntryRef e : found)
                    names.emplace_back(e.IsFile() ? e.File()->Name() : e.Dir()->Name());
                delivered += b;
            });
        EXPECT_EQ(delivered, totals.Bytes);
        EXPECT_EQ(static_cast<std::int64_t>(names.size()), totals.Matches);
        return {names, totals};
    }
    test::TreeFixture fx;
};

TEST_F(FindWalk, FiltersByKindSizeAndAge)
{
    struct Case
    {
        const char* What;
        TFindCriteria Criteria;
        std::vector<std::string> Names;
        std::int64_t Bytes;
    };
    const Case cases[] = {
        {"a folder's bytes count once, with what matches inside it",
         {.Name = "doc"},
         {"docs", "docs.jpg"},
         450 + 2000},
        {"files only", {.Name = "doc", .Folders = false}, {"docs.jpg"}, 2000},
        {"folders only", {.Name = "o", .Files = false}, {"docs", "old", "photos"}, 450 + 2000},
        {"file after folder, files before subfolders",
         {.Name = "*.txt", .Kind = TFindNameKind::Mask},
         {"a.txt", "b.txt", "c.txt"},
         450},
        {"size bounds are inclusive, folders by all below them",
         {.MinSize = 100, .MaxSize = 2000},
         {"docs", "a.txt", "b.txt", "photos", "docs.jpg"},
         450 + 2000},
        {"an age leaves out folders and files without a date",
         {.ChangedFrom = 10 * kDay, .ChangedBefore = 30 * kDay},
         {"big.iso", "a.txt"},
         5100},
        {"older than", {.Name = "c", .ChangedBefore = 6 * kDay}, {"c.txt"}, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const auto [names, totals] = Find(c.Criteria);
        EXPECT_EQ(names, c.Names);
        EXPECT_EQ(totals.Bytes, c.Bytes);
        EXPECT_FALSE(totals.Stopped);
    }
    EXPECT_FALSE(TFindCriteria{}.Narrows());
    EXPECT_FALSE(TFindCriteria{.Name = "  "}.Narrows());
    EXPECT_TRUE(TFindCriteria{.MaxSize = 0}.Narrows());
}

TEST(FindEntries, HandsOverWhileWalkingAndStopsWhenTold)
{
    test::TreeFixture fx;
    for (int i = 0; i < 20; ++i) {
        TDirNode* d = fx.Folder(fx.Root(), "d" + std::to_string(i));
        for (int j = 0; j < 1000; ++j)
            fx.File(d, "f" + std::to_string(j), 1);
    }
    fx.Finish();
    TFindQuery q({.Name = "f", .Folders = false});
    std::atomic<bool> stop{false};
    int batches = 0;
    std::int64_t seen = 0;
    TFindTotals all = FindEntries(fx.Root(), q, stop, [&](auto found, std::int64_t) {
        ++batches;
        seen += static_cast<std::int64_t>(found.size());
    });
    EXPECT_EQ(all.Matches, 20000);
    EXPECT_EQ(seen, 20000);
    EXPECT_GT(batches, 2); // not all at the end

    // Set from the first batch: the walk ends at its next look, long before the end.
    seen = 0;
    const TFindTotals stopped = FindEntries(fx.Root(), q, stop, [&](auto found, std::int64_t) {
        seen += static_cast<std::int64_t>(found.size());
        stop = true;
    });
    EXPECT_TRUE(stopped.Stopped);
    EXPECT_LT(seen, 10000);
}

TEST(FindQuery, SizesAsTyped)
{
    struct Case
    {
        std::string_view Text;
        std::optional<std::int64_t> Bytes;
    };
    const Case cases[] = {
        {"0", 0},
        {" 200 ", 200},
        {"200 B", 200},
        {"10k", 10240},
        {"1.5 MB", 1572864},
        {"1,5 mb", 1572864},
        {"2G", 2147483648},
        {"1 TB", 1099511627776},
        {"", std::nullopt},
        {"MB", std::nullopt},
        {"-5", std::nullopt},
        {"1.2.3", std::nullopt},
        {"5 kilo", std::nullopt},
        {"5 BB", std::nullopt},
        {"99999999 TB", std::nullopt}, // beyond 63 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Text));
        EXPECT_EQ(ParseSizeText(c.Text), c.Bytes);
    }
}

} // namespace
} // namespace harrowdale
