// The removal question and failure box name what they are about, in a form no name can
// disguise.

#include "ui/text/RemovalTexts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

std::vector<TRemovalTarget> Files(int count)
{
    std::vector<TRemovalTarget> targets;
    for (int i = 1; i <= count; ++i)
        targets.push_back({"/d/f" + std::to_string(i)});
    return targets;
}

TEST(RemovalTexts, QuestionListsTenPathsCountsTheRestAndWarnsOnce)
{
    std::vector<TRemovalTarget> bigAndRoot = Files(12);
    bigAndRoot[11] = {"/d", true, true}; // past the listed ten: only the warning shows it
    std::vector<TRemovalTarget> big = Files(2);
    big[0].IsBigFolder = true;

    struct Case
    {
        const char* Name;
        TRemoval Kind;
        std::vector<TRemovalTarget> Targets;
        std::string Expected;
    };
    const Case cases[] = {
        {"two files", TRemoval::ToTrash, Files(2), "Move 2 item(s) to the Trash?\n\n/d/f1\n/d/f2"},
        {"exactly ten", TRemoval::ToTrash, Files(10),
         "Move 10 item(s) to the Trash?\n\n/d/f1\n/d/f2\n/d/f3\n/d/f4\n/d/f5\n/d/f6\n/d/f7\n"
         "/d/f8\n/d/f9\n/d/f10"},
        {"the root among twelve", TRemoval::Permanently, bigAndRoot,
         "Permanently delete 12 item(s)? (This cannot be undone)\n\n/d/f1\n/d/f2\n/d/f3\n"
         "/d/f4\n/d/f5\n/d/f6\n/d/f7\n/d/f8\n/d/f9\n/d/f10\nand 2 more\n\n"
         "Among them is the scanned folder itself."},
        {"a big folder", TRemoval::ToTrash, big,
         "Move 2 item(s) to the Trash?\n\n/d/f1\n/d/f2\n\n"
         "Among them is a folder holding more than 1,000 files."},
        {"a repeat counts and shows",
         TRemoval::ToTrash,
         {{"/x"}, {"/x"}},
         "Move 2 item(s) to the Trash?\n\n/x\n/x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RemovalQuestion(c.Kind, c.Targets), c.Expected) << c.Name;
}

TEST(RemovalTexts, FailureNamesWhatWasNotRemoved)
{
    const std::vector<std::string> one{"/d/a\nb"};
    EXPECT_EQ(RemovalFailure(TRemoval::Permanently, one), "Failed to delete 1 item(s):\n/d/a\\nb");
    std::vector<std::string> many;
    for (const TRemovalTarget& t : Files(11))
        many.push_back(t.Path);
    const std::string text = RemovalFailure(TRemoval::ToTrash, many);
    EXPECT_TRUE(text.starts_with("Failed to move 11 item(s) to the Trash:\n/d/f1\n")) << text;
    EXPECT_TRUE(text.ends_with("\n/d/f10\nand 1 more")) << text;
}

TEST(RemovalTexts, VisiblePathTextShowsWhatWouldBreakOrReorderTheLine)
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

} // namespace
} // namespace harrowdale
