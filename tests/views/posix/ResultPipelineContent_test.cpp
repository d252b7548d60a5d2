// The result pipeline grouping duplicates by content: a stage that reads files, yields
// while it reads, stops reading when the run is cancelled, and where it could not read or
// the reading was stopped groups by name and size and says why.

#include "scan/ScanWith.h"
#include "support/TempDir.h"
#include "views/ResultPipeline.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

struct Pipeline
{
    std::vector<std::string> Statuses;
    std::function<void()> DuringYield;
    TResultPipeline Run{TPipelineHost{
        [this](const std::string& s) { Statuses.push_back(s); },
        {},
        [this] {
            if (DuringYield)
                DuringYield();
        },
        {},
        {},
    }};
    Pipeline() { Run.SetDuplicateGrouping(TDupGrouping::Content); }
    bool Showed(const std::string& start) const
    {
        return std::any_of(Statuses.begin(), Statuses.end(),
                           [&](const std::string& s) { return s.starts_with(start); });
    }
};

std::unique_ptr<TScanTree> Scan(const std::string& path)
{
    TScanContext ctx;
    test::ScanResult r = test::ScanWith(ctx, path);
    r.Tree->SetRoot(r.Root);
    return std::move(r.Tree);
}

TEST(ResultPipelineContent, GroupsByContentOrSaysWhyNot)
{
    test::TempDir t;
    test::WriteFileBytes(t / "photo.jpg", "the same twenty bytes");
    test::WriteFileBytes(t / "copy of photo", "the same twenty bytes");
    test::WriteFileBytes(t / "other.jpg", "not the same 20 bytes");
    {
        Pipeline p;
        TScanContext ctx;
        EXPECT_EQ(p.Run.Run(Scan(t.Path()), &ctx).Outcome, TPipelineResult::TOutcome::Done);
        const TScanResults& r = p.Run.Results();
        EXPECT_EQ(r.DuplicatesBy, TDupGrouping::Content);
        ASSERT_EQ(r.Duplicates.Groups.size(), 1u);
        EXPECT_EQ(r.Duplicates.Groups[0]->Files.size(), 2u);
        EXPECT_EQ(r.Duplicates.ColorByFile.size(), 2u);
        EXPECT_TRUE(p.Showed("Duplicates ready. Groups shown: 1"));
    }
    {
        // A scan file's tree whose folder is not here: the other views are built.
        Pipeline p;
        TScanContext ctx;
        std::unique_ptr<TScanTree> tree = Scan(t.Path());
        ASSERT_EQ(std::rename(t.Path().c_str(), (t.Path() + "-away").c_str()), 0);
        const TPipelineResult result = p.Run.Run(std::move(tree), &ctx);
        ASSERT_EQ(std::rename((t.Path() + "-away").c_str(), t.Path().c_str()), 0);
        EXPECT_EQ(result.Outcome, TPipelineResult::TOutcome::Done);
        EXPECT_TRUE(p.Run.Results().Duplicates.Groups.empty());
        EXPECT_EQ(p.Run.Results().AllFiles.Files.size(), 3u);
        EXPECT_TRUE(p.Showed("Cannot compare contents: the scanned folder does not exist"));
    }
}

// Two equal files of 16 GiB without data blocks: reading them takes seconds, so Stop comes
// while they are read.
TEST(ResultPipelineContent, StopWhileReadingCancelsTheRun)
{
    test::TempDir t;
    constexpr std::int64_t kLength = std::int64_t{16} << 30;
    t.MakeFile("a", kLength);
    t.MakeFile("b", kLength);
    Pipeline p;
    TScanContext ctx;
    p.DuringYield = [&] {
        if (p.Showed("Comparing contents: "))
            ctx.Cancel();
    };
    const TPipelineResult result = p.Run.Run(Scan(t.Path()), &ctx);
    EXPECT_EQ(result.Outcome, TPipelineResult::TOutcome::Cancelled);
    EXPECT_TRUE(p.Showed("Comparing contents: "));
    EXPECT_EQ(p.Run.Results().Root(), nullptr);
}

// Two equal files of 16 GiB without data blocks (seconds to read), and two files named
// same.txt of one length with other bytes: one group by name and size, another by content.
TEST(ResultPipelineContent, StoppedOrNotHereGroupsByNameAndSize)
{
    test::TempDir t;
    t.MakeDir("data/x");
    t.MakeDir("data/y");
    constexpr std::int64_t kLength = std::int64_t{16} << 30;
    t.MakeFile("data/a.img", kLength);
    t.MakeFile("data/b.img", kLength);
    test::WriteFileBytes(t / "data/x/same.txt", "one text");
    test::WriteFileBytes(t / "data/y/same.txt", "two text");
    const std::string data = t / "data";
    struct Case
    {
        const char* Name;
        bool FolderAway; ///< else the reading is stopped once it started
        std::string Notice;
    };
    const Case cases[] = {
        {"reading stopped", false,
         "Comparing contents was stopped; duplicates are grouped by name and size."},
        {"folder not here", true,
         "Cannot compare contents: the scanned folder does not exist on this machine; "
         "duplicates are grouped by name and size."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Pipeline p;
        bool sawReading = false;
        p.DuringYield = [&] {
            if (!c.FolderAway && p.Run.IsReading() && p.Showed("Comparing contents: ")) {
                sawReading = true;
                p.Run.StopReading();
            }
        };
        TScanContext ctx;
        std::unique_ptr<TScanTree> tree = Scan(data);
        if (c.FolderAway) {
            ASSERT_EQ(std::rename(data.c_str(), (data + "-away").c_str()), 0);
        }
        const TPipelineResult result = p.Run.Run(std::move(tree), &ctx);
        if (c.FolderAway) {
            ASSERT_EQ(std::rename((data + "-away").c_str(), data.c_str()), 0);
        }
        EXPECT_EQ(sawReading, !c.FolderAway);
        EXPECT_FALSE(p.Run.IsReading());
        EXPECT_EQ(result.Outcome, TPipelineResult::TOutcome::Done);
        EXPECT_EQ(result.Status, c.Notice);
        const TScanResults& r = p.Run.Results();
        EXPECT_EQ(r.AllFiles.Files.size(), 4u);
        EXPECT_EQ(r.DuplicatesBy, TDupGrouping::NameAndSize);
        ASSERT_EQ(r.Duplicates.Groups.size(), 1u);
        EXPECT_EQ(r.Duplicates.Groups[0]->FileName, "same.txt");
        EXPECT_EQ(r.Duplicates.ColorByFile.size(), 2u);
    }
}

} // namespace
} // namespace harrowdale
