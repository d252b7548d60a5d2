#pragma once

// The result pipeline: turns a finished scan tree into every view of the window, in a fixed
// order of stages, on the thread that shows the results. It owns one scan's results; the
// views refer into them and are emptied before they are freed.
//
// Re-entrancy, the one rule for the window: Run is the only code that lets pending events
// run while a handler of the window is still on the stack (through the host's
// ProcessPendingEvents: once when a stage is announced, and every few hundred items inside
// the long fills, through TStageRun::Yield). Meanwhile the user may press Stop or close
// the window (both cancel the scan context), paint, resize, switch pages and select in the
// views filled so far. A second scan cannot start (the window stays busy until Run
// returns), a nested Run is refused, and a Clear asked for meanwhile cancels the run.
// Cancellation is seen at every yield and between stages; a cancelled run clears every view
// and frees the tree, so no half-built result is ever shown.

#include "scan/ResultArrays.h"
#include "scan/ScanContext.h"
#include "scan/ScanTree.h"
#include "views/Duplicates.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// One scan's results: the tree and what the pipeline derives from it.
struct TScanResults
{
    std::unique_ptr<TScanTree> Tree;
    TFileArray AllFiles;     ///< every file, largest first
    TFileArray DisplayFiles; ///< the first 5000 of AllFiles, for the largest-files list
    TDuplicates Duplicates;
    TDupGrouping DuplicatesBy = TDupGrouping::NameAndSize; ///< how Duplicates were grouped

    const TDirNode* Root() const { return Tree ? Tree->Root() : nullptr; }
};

/// The stages, in the order they run. Each view fills its part at the stages it knows.
enum class TResultStage
{
    FileList,            ///< all files, largest first
    LargestFiles,        ///< the first 5000 of them
    LargestFilesViews,   ///< largest-files list, extension list, flat treemap
    FoldersTree,         ///< subfolders sorted by size; the folders tree
    Duplicates,          ///< duplicate groups; their tree, list and treemap
    FoldersViews,        ///< chosen folder, top-level folders legend, folders treemap
    FoldersAndFilesTree, ///< the lazily loaded folders-and-files tree
    Extensions,          ///< the tree's extension totals and the nested treemap
};

class TResultPipeline;

/// What a view gets while it fills: the results so far, the status line and progress,
/// and the way to let the window breathe during a long fill.
class TStageRun
{
public:
    const TScanResults& Results() const;
    void Status(const std::string& text);
    /// Progress `position` of `maximum` (a maximum of 0 shows a busy indicator).
    void Progress(std::int64_t maximum, std::int64_t position);
    /// Shows progress `done` of `total` and the translated `textTemplate` filled with both
    /// ("Building ... %d / %d"), then yields. False once the run is cancelled.
    bool Count(const char* textTemplate, std::int64_t done, std::int64_t total);
    /// Lets pending events run. False once the run is cancelled: stop filling then.
    bool Yield();
    bool Cancelled() const;

private:
    friend class TResultPipeline;
    explicit TStageRun(TResultPipeline& pipeline) : FPipeline(pipeline) {}
    TResultPipeline& FPipeline;
};

/// A view the pipeline fills: a page of the window, or a test's recorder.
class IResultView
{
public:
    /// Fills what this view shows at `stage` (most views ignore most stages). A view that
    /// stops early because the run was cancelled needs to leave nothing consistent: the
    /// pipeline clears it right after.
    virtual void Fill(TResultStage stage, TStageRun& run) = 0;
    /// Drops every reference into the results; called before they are freed.
    virtual void Clear() = 0;

protected:
    ~IResultView() = default;
};

/// How the pipeline reaches the window. Every member may be empty.
struct TPipelineHost
{
    std::function<void(const std::string& text)> ShowStatus;
    std::function<void(std::int64_t maximum, std::int64_t position)> ShowProgress;
    std::function<void()> ProcessPendingEvents;
    /// The run has put the tree in its final order and only reads it from here on: it may
    /// be read on other threads too, until ReleasingTree.
    std::function<void()> TreeSettled;
    /// The tree is about to be freed or edited: whatever reads it elsewhere must end now.
    std::function<void()> ReleasingTree;
};

struct TPipelineResult
{
    enum class TOutcome
    {
        Done,
        Cancelled, ///< every view cleared, the tree freed
        Failed,    ///< the views built before the error stay
        Refused,   ///< Run was called while a run was in progress
    };
    TOutcome Outcome = TOutcome::Done;
    std::string Status; ///< the final status line
    std::string Error;  ///< the text of the error box; empty when none
};

/// UI thread only.
class TResultPipeline
{
public:
    explicit TResultPipeline(TPipelineHost host = {});
    TResultPipeline(const TResultPipeline&) = delete;
    TResultPipeline& operator=(const TResultPipeline&) = delete;

    /// Views are filled in the order added; they must outlive the pipeline's results.
    void AddView(IResultView& view);
    /// How the next run groups duplicates; by content it reads the files, in a stage that
    /// yields every 90 ms and stops reading when the run is cancelled. Where the files
    /// cannot be read (the scanned folder is not on this machine) or the reading is
    /// stopped, the duplicates are grouped by name and size instead, the run goes on, and
    /// its final status says why.
    void SetDuplicateGrouping(TDupGrouping grouping) { FGrouping = grouping; }
    TDupGrouping DuplicateGrouping() const { return FGrouping; }
    const TScanResults& Results() const { return FResults; }
    bool IsRunning() const { return FRunning; }
    /// Whether the run is reading files to group them by content now.
    bool IsReading() const { return FReading; }
    /// Ends the reading under way (from a yield): the rest of the run goes on as above.
    void StopReading() { FStopReading = true; }

    /// Takes `tree` (after Clear) and runs every stage. `context` (may be null) is polled
    /// for cancellation and must outlive the call.
    TPipelineResult Run(std::unique_ptr<TScanTree> tree, const TScanContext* context);
    /// Changes the tree in place and rebuilds every view from it as Run does, without a
    /// scan: the views are emptied and the derived results dropped before `edit` runs, so
    /// it may move or drop anything. Refused while a run is in progress or without a tree.
    TPipelineResult Rebuild(const std::function<void(TScanTree&)>& edit,
                            const TScanContext* context);
    /// What "clear the results" means: every view empties, then the results are freed.
    /// During a run it cancels the run, which then clears.
    void Clear();

private:
    friend class TStageRun;
    bool Cancelled() const;
    bool Yield();
    void Announce(const char* text);
    void ClearViews();
    TPipelineResult RunStages(const TScanContext* context);
    void RunStage(TResultStage stage, TStageRun& run);
    void BuildDuplicateGroups(TStageRun& run);
    void GroupByNameAndSize(TStageRun& run);
    /// Groups by content; false when it could not, with FNotice saying why.
    bool CompareContents(TStageRun& run);

    TPipelineHost FHost;
    std::vector<IResultView*> FViews;
    TScanResults FResults;
    const TScanContext* FContext = nullptr;
    bool FRunning = false;
    bool FClearAsked = false;
    bool FReading = false;
    bool FStopReading = false;
    TDupGrouping FGrouping = TDupGrouping::NameAndSize;
    std::string FNotice; ///< what this run could not do as asked; the final status then
};

} // namespace harrowdale
