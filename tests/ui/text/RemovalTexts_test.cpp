// The removal question and failure box name what they are about.

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
    std::vector<TRemovalTarget> linked = Files(3);
    linked[1].HasOtherLinks = true;
    std::vector<TRemovalTarget> bigAndLinked = big;
    bigAndLinked[0].HasOtherLinks = bigAndLinked[1].HasOtherLinks = true;

    struct Case
    {
        const char* Name;
        TRemoval Kind;
        std::vector<TRemovalTarget> Targets;
        std::string Expected;
    };
    const Case cases[] = {
        {"one file", TRemoval::Permanently, Files(1),
         "Permanently delete 1 item? (This cannot be undone)\n\n/d/f1"},
        {"two files", TRemoval::ToTrash, Files(2), "Move 2 items to the Trash?\n\n/d/f1\n/d/f2"},
        {"exactly ten", TRemoval::ToTrash, Files(10),
         "Move 10 items to the Trash?\n\n/d/f1\n/d/f2\n/d/f3\n/d/f4\n/d/f5\n/d/f6\n/d/f7\n"
         "/d/f8\n/d/f9\n/d/f10"},
        {"the root among twelve", TRemoval::Permanently, bigAndRoot,
         "Permanently delete 12 items? (This cannot be undone)\n\n/d/f1\n/d/f2\n/d/f3\n"
         "/d/f4\n/d/f5\n/d/f6\n/d/f7\n/d/f8\n/d/f9\n/d/f10\nand 2 more\n\n"
         "Among them is the scanned folder itself."},
        {"a big folder", TRemoval::ToTrash, big,
         "Move 2 items to the Trash?\n\n/d/f1\n/d/f2\n\n"
         "Among them is a folder holding more than 1,000 files."},
        {"a file with other links", TRemoval::Permanently, linked,
         "Permanently delete 3 items? (This cannot be undone)\n\n/d/f1\n/d/f2\n/d/f3\n\n"
         "Among them is 1 file with other hard links: its space comes back only when its last "
         "link is removed."},
        {"two of them, after the folder's warning", TRemoval::ToTrash, bigAndLinked,
         "Move 2 items to the Trash?\n\n/d/f1\n/d/f2\n\n"
         "Among them is a folder holding more than 1,000 files.\nAmong them are 2 files with "
         "other hard links: their space comes back only when their last link is removed."},
        {"a repeat counts and shows",
         TRemoval::ToTrash,
         {{"/x"}, {"/x"}},
         "Move 2 items to the Trash?\n\n/x\n/x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RemovalQuestion(c.Kind, c.Targets), c.Expected) << c.Name;
}

TEST(RemovalTexts, QuestionSaysWhenNoCopyOfADuplicateIsLeft)
{
    std::vector<TRemovalTarget> withRoot = Files(2);
    withRoot[1].IsScanRoot = true;
    struct Case
    {
        const char* Name;
        std::vector<TRemovalTarget> Targets;
        TRemovalGroups Groups;
        std::string Expected;
    };
    const Case cases[] = {
        {"some copies, not compared",
         Files(2),
         {0, 0, TCopiesShown::ByNameAndSize},
         "Move 2 items to the Trash?\n\n/d/f1\n/d/f2\n\nThese duplicates were found by name "
         "and size; their contents were not compared."},
        {"one group emptied",
         Files(2),
         {1, 2, TCopiesShown::ByNameAndSize},
         "Move 2 items to the Trash?\n\n/d/f1\n/d/f2\n\nThis takes every copy of 2 files; no "
         "copy will be left.\nThese duplicates were found by name and size; their contents were "
         "not compared."},
        {"one group emptied, compared",
         Files(2),
         {1, 2, TCopiesShown::ByContent},
         "Move 2 items to the Trash?\n\n/d/f1\n/d/f2\n\nThis takes every copy of 2 files; no "
         "copy will be left.\nThese duplicates were found by content; their contents were "
         "compared byte for byte."},
        {"two groups under the root",
         withRoot,
         {2, 5, TCopiesShown::None},
         "Move 2 items to the Trash?\n\n/d/f1\n/d/f2\n\nAmong them is the scanned folder "
         "itself.\nThis takes every copy of 5 files in 2 groups; no copy will be left."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RemovalQuestion(TRemoval::ToTrash, c.Targets, c.Groups), c.Expected) << c.Name;
}

TEST(RemovalTexts, FailureNamesWhatWasNotRemovedAndWhy)
{
    const std::vector<TNotRemoved> one{{"/d/a\nb", TNotRemovedReason::ChangedSinceScan}};
    EXPECT_EQ(RemovalFailure(TRemoval::Permanently, one),
              "Failed to delete 1 item:\n/d/a\\nb (changed since the scan)");
    std::vector<TNotRemoved> many;
    for (const TRemovalTarget& t : Files(11))
        many.push_back({t.Path, TNotRemovedReason::NotPermitted});
    many[1].Reason = TNotRemovedReason::PartlyRemoved;
    const std::string text = RemovalFailure(TRemoval::ToTrash, many);
    EXPECT_TRUE(text.starts_with("Failed to move 11 items to the Trash:\n/d/f1 (not permitted)\n"
                                 "/d/f2 (removed only in part)\n"))
        << text;
    EXPECT_TRUE(text.ends_with("\n/d/f10 (not permitted)\nand 1 more")) << text;
}

TEST(RemovalTexts, WhatNoLongerExistedIsSaidAfterWhatWasRemoved)
{
    EXPECT_EQ(RemovalDone(TRemoval::Permanently, 1, 1, 0), "1 item deleted, 1 B");
    EXPECT_EQ(RemovalDone(TRemoval::ToTrash, 2, 2048, 1),
              "2 items moved to the Trash, 2.0 KB; 1 item no longer existed and left the result");
    EXPECT_EQ(RemovalDone(TRemoval::Permanently, 0, 0, 3),
              "3 items no longer existed and left the result");
}

} // namespace
} // namespace harrowdale
