#include "views/ResultPipeline.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"
#include "views/ContentDuplicates.h"

#include <exception>

namespace harrowdale {

namespace {

struct TStageSpec
{
    TResultStage Stage;
    const char* Announcement;
};

constexpr TStageSpec kStages[] = {
    {TResultStage::FileList, "Building file list..."},
    {TResultStage::LargestFiles, "Building Largest Files list..."},
    {TResultStage::LargestFilesViews, "Populating Largest Files UI..."},
    {TResultStage::FoldersTree, "Building folders tree..."},
    {TResultStage::Duplicates, "Building duplicates..."},
    {TResultStage::FoldersViews, "Populating folders UI..."},
    {TResultStage::FoldersAndFilesTree, "Building folders/files tree..."},
    {TResultStage::Extensions, "Populating extensions..."},
};

void SortChildrenBySize(TDirNode* node)
{
    std::vector<TDirNode*> stack{node};
    while (!stack.empty()) {
        TDirNode* n = stack.back();
        stack.pop_back();
        n->SortChildrenBySize();
        for (TDirNode* c : n->Children())
            stack.push_back(c);
    }
}

// Ends a run however it leaves: the pipeline is idle again and forgets the context.
class TRunScope
{
public:
    TRunScope(bool& running, const TScanContext*& context, const TScanContext* current)
        : FRunning(running), FContext(context)
    {
        FRunning = true;
        FContext = current;
    }
    ~TRunScope()
    {
        FRunning = false;
        FContext = nullptr;
    }
    TRunScope(const TRunScope&) = delete;
    TRunScope& operator=(const TRunScope&) = delete;

private:
    bool& FRunning;
    const TScanContext*& FContext;
};

} // namespace

// ---------------------------------------------------------------- TStageRun

const TScanResults& TStageRun::Results() const
{
    return FPipeline.FResults;
}

void TStageRun::Status(const std::string& text)
{
    if (FPipeline.FHost.ShowStatus)
        FPipeline.FHost.ShowStatus(text);
}

void TStageRun::Progress(std::int64_t maximum, std::int64_t position)
{
    if (FPipeline.FHost.ShowProgress)
        FPipeline.FHost.ShowProgress(maximum, position);
}

bool TStageRun::Count(const char* textTemplate, std::int64_t done, std::int64_t total)
{
    Progress(total, done);
    Status(Format(Translate(textTemplate), done, total));
    return Yield();
}

bool TStageRun::Yield()
{
    return FPipeline.Yield();
}

bool TStageRun::Cancelled() const
{
    return FPipeline.Cancelled();
}

// ---------------------------------------------------------------- TResultPipeline

TResultPipeline::TResultPipeline(TPipelineHost host) : FHost(std::move(host)) {}

void TResultPipeline::AddView(IResultView& view)
{
    FViews.push_back(&view);
}

bool TResultPipeline::Cancelled() const
{
    return FClearAsked || (FContext != nullptr && FContext->IsCancelled());
}

bool TResultPipeline::Yield()
{
    if (FHost.ProcessPendingEvents)
        FHost.ProcessPendingEvents();
    return !Cancelled();
}

void TResultPipeline::Announce(const char* text)
{
    if (FHost.ShowStatus)
        FHost.ShowStatus(Translate(text));
    Yield();
}

void TResultPipeline::Clear()
{
    if (FRunning) {
        FClearAsked = true; // the run clears when it notices
        return;
    }
    ClearViews();
    if (FResults.Tree && FHost.ReleasingTree)
        FHost.ReleasingTree();
    FResults.Tree.reset();
}

void TResultPipeline::ClearViews()
{
    for (IResultView* view : FViews)
        view->Clear();
    FResults.Duplicates.Clear();
    FResults.DisplayFiles = {};
    FResults.AllFiles = {};
}

TPipelineResult TResultPipeline::Run(std::unique_ptr<TScanTree> tree, const TScanContext* context)
{
    if (FRunning)
        return {TPipelineResult::TOutcome::Refused, {}, {}};
    Clear();
    FResults.Tree = std::move(tree);
    return RunStages(context);
}

TPipelineResult TResultPipeline::Rebuild(const std::function<void(TScanTree&)>& edit,
                                         const TScanContext* context)
{
    if (FRunning || !FResults.Tree)
        return {TPipelineResult::TOutcome::Refused, {}, {}};
    ClearViews();
    if (FHost.ReleasingTree)
        FHost.ReleasingTree();
    if (edit)
        edit(*FResults.Tree);
    return RunStages(context);
}

TPipelineResult TResultPipeline::RunStages(const TScanContext* context)
{
    using TOutcome = TPipelineResult::TOutcome;
    FClearAsked = false;
    FNotice.clear();
    TPipelineResult result;
    {
        TRunScope scope(FRunning, FContext, context);
        TStageRun run(*this);
        try {
            for (const TStageSpec& spec : kStages) {
                Announce(spec.Announcement);
                if (Cancelled())
                    break;
                RunStage(spec.Stage, run);
                if (Cancelled())
                    break;
            }
            if (Cancelled()) {
                result.Outcome = TOutcome::Cancelled;
                result.Status = Translate("Cancelled");
            } else if (!FNotice.empty()) {
                result.Status = FNotice;
            } else {
                result.Status = Format(Translate("Done. Total files: %d   Total size: %s"),
                                       FResults.AllFiles.CountedFiles(),
                                       FormatSize(FResults.AllFiles.TotalBytes));
            }
        } catch (const std::exception& e) {
            result.Outcome = TOutcome::Failed;
            result.Error = Translate("Error while building results:") + "\nException: " + e.what();
            result.Status = Translate("Ready");
        }
    }
    if (result.Outcome == TOutcome::Cancelled)
        Clear();
    FClearAsked = false;
    return result;
}

void TResultPipeline::RunStage(TResultStage stage, TStageRun& run)
{
    // The part of a stage that needs no view; then every view fills its part.
    switch (stage) {
    case TResultStage::FileList:
        FResults.AllFiles = FlattenAllFilesFromRoot(FResults.Root());
        break;
    case TResultStage::LargestFiles:
        FResults.DisplayFiles = BuildDisplayFiles(FResults.AllFiles);
        break;
    case TResultStage::FoldersTree:
        // Every later reader of the tree sees the folders largest first.
        if (FResults.Tree && FResults.Tree->Root() != nullptr) {
            SortChildrenBySize(FResults.Tree->Root());
            if (FHost.TreeSettled && !Cancelled())
                FHost.TreeSettled();
        }
        break;
    case TResultStage::Duplicates:
        BuildDuplicateGroups(run);
        break;
    default:
        break;
    }
    if (Cancelled())
        return;
    for (IResultView* view : FViews)
        view->Fill(stage, run);
}

void TResultPipeline::BuildDuplicateGroups(TStageRun& run)
{
    FResults.Duplicates.Clear();
    FResults.DuplicatesBy = TDupGrouping::NameAndSize;
    if (FResults.AllFiles.Files.empty())
        return;
    if (FGrouping == TDupGrouping::Content && (CompareContents(run) || Cancelled()))
        return;
    GroupByNameAndSize(run);
}

void TResultPipeline::GroupByNameAndSize(TStageRun& run)
{
    const auto n = static_cast<std::int64_t>(FResults.AllFiles.Files.size());
    run.Progress(n, 0);
    run.Status(Format(Translate("Building duplicates... 0 / %d"), n));
    const bool done = BuildDuplicates(
        FResults.AllFiles.Files, FResults.Duplicates, [&run](std::size_t i, std::size_t total) {
            return run.Count("Building duplicates... %d / %d", static_cast<std::int64_t>(i),
                             static_cast<std::int64_t>(total));
        });
    if (!done)
        return;
    run.Status(FNotice.empty()
                   ? Format(Translate("Duplicates ready. Groups shown: %d"),
                            static_cast<std::int64_t>(FResults.Duplicates.Groups.size()))
                   : FNotice);
    run.Yield();
}

namespace {

// Ends the reading however the stage leaves.
class TReadingScope
{
public:
    TReadingScope(bool& reading, bool& stop) : FReading(reading)
    {
        FReading = true;
        stop = false;
    }
    ~TReadingScope() { FReading = false; }
    TReadingScope(const TReadingScope&) = delete;
    TReadingScope& operator=(const TReadingScope&) = delete;

private:
    bool& FReading;
};

} // namespace

// The reading threads stop at a context of the stage's own, cancelled when a yield says the
// run is cancelled (Stop before the reading, closing the window, a Clear) or the reading was
// stopped.
bool TResultPipeline::CompareContents(TStageRun& run)
{
    TScanContext stop;
    TContentSettings settings;
    settings.OnProgress = [this, &run, &stop](const TContentProgress& p) {
        run.Progress(1000, p.BytesToRead > 0 ? p.BytesRead * 1000 / p.BytesToRead : 0);
        run.Status(Format(Translate("Comparing contents: %s  (%s of %s read, files: %d of %d)"),
                          p.Current != nullptr ? VisiblePathText(p.Current->FullPath()) : "",
                          FormatSize(p.BytesRead), FormatSize(p.BytesToRead), p.FilesDone,
                          p.Files));
        if (!run.Yield() || FStopReading)
            stop.Cancel();
    };
    TContentOutcome r;
    {
        const TReadingScope reading(FReading, FStopReading);
        r = BuildContentDuplicates(FResults.Root(), FResults.AllFiles.Files, FResults.Duplicates,
                                   stop, settings);
    }
    switch (r.Status) {
    case TContentStatus::Done:
        FResults.DuplicatesBy = TDupGrouping::Content;
        run.Status(Format(Translate("Duplicates ready. Groups shown: %d"),
                          static_cast<std::int64_t>(FResults.Duplicates.Groups.size())));
        run.Yield();
        return true;
    case TContentStatus::Cancelled:
        if (!Cancelled())
            FNotice = Translate("Comparing contents was stopped; duplicates are grouped by name "
                                "and size.");
        break;
    case TContentStatus::RootMissing:
        FNotice = Translate("Cannot compare contents: the scanned folder does not exist on this "
                            "machine; duplicates are grouped by name and size.");
        break;
    case TContentStatus::Unavailable:
        FNotice = Translate("Comparing contents is not available on this system; duplicates are "
                            "grouped by name and size.");
        break;
    }
    FResults.Duplicates.Clear();
    return false;
}

} // namespace harrowdale
