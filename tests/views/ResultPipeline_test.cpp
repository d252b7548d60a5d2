// The result pipeline driven without a window: stage order and texts, what each stage has
// ready for the views, and the three ways a run ends.

#include "support/TreeFixture.h"
#include "views/ResultPipeline.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

// Records what the pipeline asks of a view; `OnFill` may act like a user during a stage.
struct RecordingView : IResultView
{
    std::vector<TResultStage> Filled;
    int Cleared = 0;
    std::function<void(TResultStage, TStageRun&)> OnFill;

    void Fill(TResultStage stage, TStageRun& run) override
    {
        Filled.push_back(stage);
        if (OnFill)
            OnFill(stage, run);
    }
    void Clear() override { ++Cleared; }
};

struct Pipeline
{
    std::vector<std::string> Statuses;
    int Yields = 0;
    std::function<void()> DuringYield;
    /// The first top-level folder each time the tree was settled.
    std::vector<std::string> Settled;
    int Released = 0; ///< the tree was about to be freed or edited, still whole
    RecordingView View;
    TResultPipeline Run{TPipelineHost{
        [this](const std::string& s) { Statuses.push_back(s); },
        {},
        [this] {
            ++Yields;
            if (DuringYield)
                DuringYield();
        },
        [this] {
            const auto top = Run.Results().Root()->Children();
            Settled.emplace_back(top.empty() ? "" : top[0]->Name());
        },
        [this] { Released += Run.Results().Root() != nullptr; },
    }};
    Pipeline() { Run.AddView(View); }
};

// Two top-level folders, the smaller first, and a duplicate pair.
std::unique_ptr<TScanTree> SmallTree()
{
    test::TreeFixture fx("/r");
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* b = fx.Folder(fx.Root(), "b");
    fx.File(a, "same.txt", 10);
    fx.File(b, "same.txt", 10);
    fx.File(b, "big.bin", 1000);
    fx.Finish();
    return fx.Release();
}

const std::vector<TResultStage> kAllStages = {
    TResultStage::FileList,
    TResultStage::LargestFiles,
    TResultStage::LargestFilesViews,
    TResultStage::FoldersTree,
    TResultStage::Duplicates,
    TResultStage::FoldersViews,
    TResultStage::FoldersAndFilesTree,
    TResultStage::Extensions,
};

TEST(ResultPipeline, RunsEveryStageInOrderWithItsResultsReady)
{
    Pipeline p;
    p.View.OnFill = [](TResultStage stage, TStageRun& run) {
        const TScanResults& r = run.Results();
        switch (stage) {
        case TResultStage::FileList:
            ASSERT_EQ(r.AllFiles.Files.size(), 3u);
            EXPECT_EQ(r.AllFiles.Files[0]->Name(), "big.bin");
            EXPECT_EQ(r.AllFiles.TotalBytes, 1020);
            break;
        case TResultStage::LargestFiles:
            EXPECT_EQ(r.DisplayFiles.Files.size(), 3u);
            break;
        case TResultStage::FoldersTree:
            EXPECT_EQ(r.Root()->Children()[0]->Name(), "b"); // sorted, largest first
            break;
        case TResultStage::Duplicates:
            ASSERT_EQ(r.Duplicates.Groups.size(), 1u);
            EXPECT_EQ(r.Duplicates.Groups[0]->Files.size(), 2u);
            break;
        default:
            break;
        }
    };
    const TPipelineResult result = p.Run.Run(SmallTree(), nullptr);
    EXPECT_EQ(result.Outcome, TPipelineResult::TOutcome::Done);
    EXPECT_EQ(result.Status, "Done. Total files: 3   Total size: 1020 B");
    EXPECT_TRUE(result.Error.empty());
    EXPECT_EQ(p.View.Filled, kAllStages);
    EXPECT_EQ(p.View.Cleared, 1); // once, before the run
    ASSERT_NE(p.Run.Results().Root(), nullptr);
    EXPECT_FALSE(p.Run.IsRunning());

    // Each stage is announced, the duplicates stage counts its progress.
    const std::vector<std::string> announced = {
        "Building file list...",          "Building Largest Files list...",
        "Populating Largest Files UI...", "Building folders tree...",
        "Building duplicates...",         "Populating folders UI...",
        "Building folders/files tree...", "Populating extensions...",
    };
    std::vector<std::string> seen;
    for (const std::string& s : p.Statuses)
        if (std::find(announced.begin(), announced.end(), s) != announced.end())
            seen.push_back(s);
    EXPECT_EQ(seen, announced);
    EXPECT_NE(std::find(p.Statuses.begin(), p.Statuses.end(), "Duplicates ready. Groups shown: 1"),
              p.Statuses.end());
    EXPECT_GE(p.Yields, 8);
    // Once, in its final order (largest first), and never released by a run that ends well.
    EXPECT_EQ(p.Settled, std::vector<std::string>{"b"});
    EXPECT_EQ(p.Released, 0);
}

TEST(ResultPipeline, EmptyTreeIsDoneWithNothing)
{
    test::TreeFixture fx("/empty");
    fx.Finish();
    Pipeline p;
    const TPipelineResult result = p.Run.Run(fx.Release(), nullptr);
    EXPECT_EQ(result.Status, "Done. Total files: 0   Total size: 0 B");
    EXPECT_EQ(p.View.Filled, kAllStages);
    EXPECT_TRUE(p.Run.Results().Duplicates.Groups.empty());
}

TEST(ResultPipeline, EndsCancelledOrFailed)
{
    struct Case
    {
        const char* What;
        TResultStage At;
        // What happens during that stage's fill.
        std::function<void(Pipeline&, TScanContext&)> Act;
        TPipelineResult::TOutcome Outcome;
        const char* Status;
        bool Kept; // the results and views stay
        std::size_t StagesFilled;
        std::size_t Settled; // times the tree was given to other readers
    };
    const Case cases[] = {
        {"Stop pressed", TResultStage::Duplicates, [](Pipeline&, TScanContext& c) { c.Cancel(); },
         TPipelineResult::TOutcome::Cancelled, "Cancelled", false, 5, 1},
        {"Stop seen at a later yield", TResultStage::FoldersTree,
         [](Pipeline& p, TScanContext& c) { p.DuringYield = [&c] { c.Cancel(); }; },
         TPipelineResult::TOutcome::Cancelled, "Cancelled", false, 4, 1},
        {"results cleared meanwhile", TResultStage::LargestFilesViews,
         [](Pipeline& p, TScanContext&) { p.Run.Clear(); }, TPipelineResult::TOutcome::Cancelled,
         "Cancelled", false, 3, 0},
        {"a view fails", TResultStage::FoldersViews,
         [](Pipeline&, TScanContext&) { throw std::runtime_error("no memory"); },
         TPipelineResult::TOutcome::Failed, "Ready", true, 6, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Pipeline p;
        TScanContext context;
        p.View.OnFill = [&](TResultStage stage, TStageRun&) {
            if (stage == c.At)
                c.Act(p, context);
        };
        const TPipelineResult result = p.Run.Run(SmallTree(), &context);
        EXPECT_EQ(result.Outcome, c.Outcome);
        EXPECT_EQ(result.Status, c.Status);
        EXPECT_EQ(p.View.Filled.size(), c.StagesFilled);
        EXPECT_EQ(p.Run.Results().Root() != nullptr, c.Kept);
        EXPECT_EQ(p.Run.Results().AllFiles.Files.empty(), !c.Kept);
        // Cleared before the run, and once more when it was abandoned.
        EXPECT_EQ(p.View.Cleared, c.Kept ? 1 : 2);
        // Whoever reads the tree elsewhere is told before a cancelled run frees it.
        EXPECT_EQ(p.Settled.size(), c.Settled);
        EXPECT_EQ(p.Released, c.Kept ? 0 : 1);
        if (c.Outcome == TPipelineResult::TOutcome::Failed)
            EXPECT_EQ(result.Error, "Error while building results:\nException: no memory");
        else
            EXPECT_TRUE(result.Error.empty());
        EXPECT_FALSE(p.Run.IsRunning());
    }
}

TEST(ResultPipeline, RefusesANestedRun)
{
    Pipeline p;
    TPipelineResult nested;
    p.View.OnFill = [&](TResultStage stage, TStageRun&) {
        if (stage == TResultStage::FileList)
            nested = p.Run.Run(SmallTree(), nullptr);
    };
    EXPECT_EQ(p.Run.Run(SmallTree(), nullptr).Outcome, TPipelineResult::TOutcome::Done);
    EXPECT_EQ(nested.Outcome, TPipelineResult::TOutcome::Refused);
    EXPECT_EQ(p.Run.Results().AllFiles.Files.size(), 3u);
}

} // namespace
} // namespace harrowdale
