#include "ui/ResultSession.h"

#include "exchange/ScanTreeExport.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileSystem.h"
#include "scan/TreeLookup.h"
#include "ui/HistoryRecorder.h"
#include "ui/RemoteFolders.h"
#include "ui/ScanOptionsPanel.h"
#include "ui/ScanRunner.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/MeasureTexts.h"
#include "views/TreeRemoval.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <ctime>

namespace harrowdale::ui {

TResultSession::TResultSession(TUiServices& services, const TWindowActions& actions,
                               TScanOptionsPanel& options, QWidget* window)
    : FServices(services), FActions(actions), FOptions(options), FWindow(window),
      FPipeline(TPipelineHost{
          [this](const std::string& text) { Q_EMIT StatusChanged(QString::fromStdString(text)); },
          [this](std::int64_t maximum, std::int64_t position) {
              Q_EMIT ProgressChanged(maximum, position);
          },
          // The one place the window lets events run inside a handler (see ResultPipeline.h).
          [] { QCoreApplication::processEvents(QEventLoop::AllEvents); },
          [this] { HistoryMayStart(); },
          // Stopping a build frees the tree: the history writer gives that scan up.
          [this] { FHistory->Abandon(); },
      })
{
    FScan = new TScanRunner(this);
    connect(FScan, &TScanRunner::StatusChanged, this, &TResultSession::StatusChanged);
    connect(FScan, &TScanRunner::ProgressChanged, this, &TResultSession::ProgressChanged);
    connect(FScan, &TScanRunner::Finished, this, &TResultSession::ScanFinished);
    FHistory = new THistoryRecorder(this);
    connect(FHistory, &THistoryRecorder::Status, this, [this](const QString& text) {
        // A writer that ends while the result is built is heard after the build's own
        // last word, which would hide it.
        if (FPipeline.IsRunning())
            FHistoryNote = text;
        else
            Q_EMIT StatusChanged(text);
    });
}

TResultSession::~TResultSession()
{
    // The window is going: what ends now is not shown.
    disconnect();
    // Stop the task first (a task still running later keeps its tree to itself), then
    // empty every page before the results they refer into are freed.
    delete FScan;
    FScan = nullptr;
    ReleaseTree();
    FPipeline.Clear();
}

void TResultSession::ReleaseTree()
{
    EndComparison();
    FHistory->Wait();
}

void TResultSession::AddPage(TResultPage& page)
{
    FPipeline.AddView(page);
    FPages.push_back(&page);
}

void TResultSession::UseCommands(TFileCommands& commands)
{
    FCommands = &commands;
    FCommands->SetOrigin(FOrigin);
    connect(FCommands, &TFileCommands::Removed, this, &TResultSession::RemovedFromDisk);
}

bool TResultSession::TaskEnded(int timeoutMs) const
{
    return FScan->TaskEnded(std::chrono::milliseconds(timeoutMs));
}

QString TResultSession::MeasureText() const
{
    // A scan file that does not record how it measured says nothing.
    const TScanTree* tree = Results().Tree.get();
    if (tree == nullptr || !tree->MeasureKnown())
        return {};
    std::string text = SizeMeasureText(*tree) + "   " + HardLinkRuleText(*tree);
    if (const std::string why = MeasureFallbackText(*tree); !why.empty())
        text += "   (" + why + ")";
    return QString::fromStdString(text);
}

TScanMeasure TResultSession::Measure() const
{
    return {FActions.Action(TCommand::CountEveryHardLink)->isChecked(),
            FActions.Action(TCommand::SizeOnDisk)->isChecked()};
}

TDupGrouping TResultSession::Grouping() const
{
    return FActions.Action(TCommand::DuplicatesByContent)->isChecked() ? TDupGrouping::Content
                                                                       : TDupGrouping::NameAndSize;
}

void TResultSession::DuplicateGroupingSwitched()
{
    SaveDuplicateGrouping(Grouping());
    // A build under way keeps the grouping it started with.
    if (FBusy || Results().Root() == nullptr || Results().DuplicatesBy == Grouping())
        return;
    const TPipelineResult result = RebuildResults([](TScanTree&) {});
    Q_EMIT StatusChanged(QString::fromStdString(result.Status));
}

void TResultSession::MeasureSwitched()
{
    SaveScanMeasure(Measure());
    // The result shown keeps its own measure and says so; it is never partly measured
    // the new way. A scan under way finishes with the setting it started with.
    if (FBusy || Results().Root() == nullptr)
        return;
    if (!FServices.Messages->Confirm(FWindow, Tr("Scan again with the new setting? Until then "
                                                 "the result shown keeps the old one.")))
        return;
    // A result read from a scan file is read again; a scan runs again.
    if (!FShownRemote.empty())
        ScanRemote(FShownRemote);
    else if (FOrigin == TResultOrigin::ScanFile && !FShownScanFiles.empty())
        OpenScanFiles(FShownScanFiles);
    else
        Scan();
}

// ---------------------------------------------------------------- scans

void TResultSession::Scan()
{
    // Refused while scanning or building results: the pipeline's re-entrancy rule
    // (ResultPipeline.h) counts on it.
    if (FBusy)
        return;
    const TScanChoice choice = FOptions.ReadChoice();
    if (choice.Kind == TScanChoice::TKind::Invalid)
        ShowError(choice.Error);
    if (choice.Kind != TScanChoice::TKind::Ready)
        return;
    ClearResults();
    SetBusy(true);
    std::int64_t expected = 0;
    for (const std::string& d : choice.Drives)
        expected += GetUsedBytes(d);
    FScan->Start(choice.Request, choice.Filters, expected, Measure());
}

void TResultSession::Stop()
{
    // While files are read to compare them, Stop ends that reading only: the result is
    // built all the same, its duplicates grouped by name and size.
    if (FPipeline.IsReading())
        FPipeline.StopReading();
    else
        FScan->Cancel(); // also a result build: the pipeline polls the scan's context
    Q_EMIT StatusChanged(Tr("Cancelling..."));
}

void TResultSession::Close()
{
    FClosing = true;
    FScan->Cancel();
    if (FPipeline.IsRunning()) {
        ReleaseTree();
        FPipeline.Clear(); // a rebuild after a removal runs without a scan to cancel
    }
}

bool TResultSession::Cancelled() const
{
    return FScan->Context() != nullptr && FScan->Context()->IsCancelled();
}

void TResultSession::ScanFinished(const std::shared_ptr<TScanOutcome>& outcome)
{
    Q_EMIT ProgressChanged(0, 0);
    if (FClosing) {
        // The end of a task the closing cancelled (or that ended just before): nothing to
        // show and nobody to show it to.
        FReadingFiles.reset();
        FReadingRemote.reset();
        FRescanning.reset();
        FComparingFile.reset();
        outcome->Tree.reset();
        EndBusy();
        return;
    }
    if (const std::optional<std::string> folder = std::exchange(FRescanning, std::nullopt)) {
        RescanFinished(*folder, outcome);
        return;
    }
    if (const auto targets = std::exchange(FReadingRemote, std::nullopt)) {
        RemoteFinished(*targets, outcome);
        return;
    }
    if (const auto files = std::exchange(FReadingFiles, std::nullopt)) {
        ReadingFinished(*files, outcome);
        return;
    }
    if (const std::optional<std::string> file = std::exchange(FComparingFile, std::nullopt)) {
        ComparisonRead(*file, outcome);
        return;
    }
    if (outcome->Ok) {
        FMetBytes = outcome->Bytes;
        BuildResults(std::move(outcome->Tree), TResultOrigin::ThisMachine);
        return;
    }
    Q_EMIT ProgressChanged(100, 0);
    if (!outcome->Err.empty())
        ShowError(Tr("Scan failed: ") + QLatin1Char('\n') + QString::fromStdString(outcome->Err));
    EndBusy();
}

void TResultSession::BuildResults(std::unique_ptr<TScanTree> tree, TResultOrigin origin)
{
    Q_EMIT BuildingResults();
    FOrigin = origin;
    if (origin == TResultOrigin::ThisMachine) {
        FShownScanFiles.clear();
        FShownRemote.clear();
        FShownWrittenAt = 0;
    }
    FShownAt = origin == TResultOrigin::ThisMachine ? static_cast<std::int64_t>(std::time(nullptr))
                                                    : FShownWrittenAt;
    if (FCommands != nullptr)
        FCommands->SetOrigin(origin);
    FPipeline.SetDuplicateGrouping(Grouping());
    ReleaseTree();
    FHistoryNote.clear();
    FRecordWhenSettled = origin == TResultOrigin::ThisMachine && KeepScanHistory();
    const TPipelineResult result = FPipeline.Run(std::move(tree), FScan->Context());
    FRecordWhenSettled = false;
    Q_EMIT ProgressChanged(100, 0);
    if (!result.Error.empty() && !FClosing)
        ShowError(QString::fromStdString(result.Error));
    EndBusy();
    Q_EMIT ResultChanged();
    // After EndBusy, which leaves "Ready". A folder of another machine is named there as
    // in the title: nothing else on the screen says which machine the figures are of.
    QString status = QString::fromStdString(result.Status);
    if (!FShownRemote.empty() && result.Error.empty())
        status = QString::fromStdString(
            Format(Translate("%s: %s"), DisplayText(RemoteTargetsText(FShownRemote)).toStdString(),
                   result.Status));
    Q_EMIT StatusChanged(status);
    if (!FHistoryNote.isEmpty())
        Q_EMIT StatusChanged(std::exchange(FHistoryNote, {}));
}

void TResultSession::HistoryMayStart()
{
    // Written while the pages are built from the same tree, which they only read by now.
    if (std::exchange(FRecordWhenSettled, false) && !FClosing && Results().Root() != nullptr)
        FHistory->Record(*Results().Root(), FShownAt, FMetBytes);
}

TPipelineResult TResultSession::RebuildResults(const std::function<void(TScanTree&)>& edit)
{
    // Where the user was on each page, by path: the rebuilt pages hold other rows and nodes.
    std::vector<TPagePlace> places;
    for (const TResultPage* page : FPages)
        places.push_back(page->Place());
    FPipeline.SetDuplicateGrouping(Grouping());
    SetBusy(true, Grouping() == TDupGrouping::Content);
    ReleaseTree();
    const TPipelineResult result = FPipeline.Rebuild(edit, nullptr);
    Q_EMIT ProgressChanged(100, 0);
    if (!result.Error.empty() && !FClosing)
        ShowError(QString::fromStdString(result.Error));
    if (result.Outcome == TPipelineResult::TOutcome::Done && !FClosing)
        for (std::size_t i = 0; i < FPages.size(); ++i)
            FPages[i]->RestorePlace(places[i]);
    EndBusy();
    Q_EMIT ResultChanged();
    return result;
}

void TResultSession::ClearResults()
{
    ReleaseTree();
    FPipeline.Clear();
    Q_EMIT ResultChanged();
}

// ---------------------------------------------------------------- removal and rescans

void TResultSession::RemovedFromDisk(TRemoval kind, const std::vector<std::string>& paths,
                                     const std::vector<platform::TRemovalOutcome>& outcomes,
                                     std::int64_t items)
{
    // What was removed leaves the result, and what no longer existed too; of a folder
    // removed in part, what stays stays.
    const TRemovalPlan plan = PlanRemoval(Results().Root(), paths, outcomes);
    if (plan.Items == 0 && plan.Vanished == 0)
        return; // nothing changed: the failure box says why
    const QString done =
        QString::fromStdString(RemovalDone(kind, items, plan.Bytes, plan.Vanished));
    // A removal while results are still being built cannot edit them; the status says
    // what was done all the same.
    const bool edits = plan.RootRemoved || !plan.Folders.empty() || !plan.Files.empty();
    if (!FBusy && Results().Root() != nullptr && edits) {
        if (plan.RootRemoved)
            ClearResults();
        else
            RebuildResults([&plan](TScanTree& tree) { ApplyRemoval(tree, plan); });
    }
    Q_EMIT StatusChanged(done);
}

void TResultSession::RescanFolder(const std::string& path)
{
    const TDirNode* root = Results().Root();
    if (FBusy || root == nullptr || FOrigin != TResultOrigin::ThisMachine ||
        FindEntry(root, path).Folder == nullptr)
        return;
    const TScanChoice choice = FOptions.ReadChoice();
    if (choice.Kind == TScanChoice::TKind::Invalid) {
        ShowError(choice.Error);
        return;
    }
    // The result's own measure, so the new folder is counted as the rest of the result.
    const TScanTree& tree = *Results().Tree;
    TScanRequest request;
    request.PathToScan = path;
    // Reached from the scanned folder as the scan reached it: a link or a mount on the
    // way is not followed, and the folder then leaves the result.
    request.WithinRoots = ScanRoots(root);
    FRescanning = path;
    SetBusy(true);
    FScan->Start(request, choice.Filters, 0,
                 {tree.HardLinks() == THardLinks::Each, tree.SizeKind() == TSizeKind::OnDisk});
}

void TResultSession::RescanFinished(const std::string& path,
                                    const std::shared_ptr<TScanOutcome>& outcome)
{
    Q_EMIT ProgressChanged(100, 0);
    const TDirNode* old = FindEntry(Results().Root(), path).Folder;
    if (Cancelled() || old == nullptr) {
        EndBusy();
        Q_EMIT StatusChanged(Tr("Cancelled"));
        return;
    }
    if (!outcome->Ok || !outcome->Tree || outcome->Tree->Root() == nullptr) {
        EndBusy();
        if (outcome->FolderGone)
            FolderGone(path);
        else if (!outcome->Err.empty())
            ShowError(Tr("Scan failed: ") + QLatin1Char('\n') +
                      QString::fromStdString(outcome->Err));
        return;
    }
    if (old->Parent() == nullptr) { // the scanned folder itself: a whole new result
        FMetBytes = outcome->Bytes;
        BuildResults(std::move(outcome->Tree), TResultOrigin::ThisMachine);
        return;
    }
    std::unique_ptr<TScanTree> fresh = std::move(outcome->Tree);
    const TPipelineResult result =
        RebuildResults([&](TScanTree& tree) { tree.Graft(old, std::move(fresh)); });
    Q_EMIT StatusChanged(QString::fromStdString(result.Status));
}

void TResultSession::FolderGone(const std::string& path)
{
    const QString text = QString::fromStdString(
        Format(Translate("%s is gone or changed since the scan; it left the result."),
               VisiblePathText(path)));
    const std::string paths[] = {path};
    const TRemovalPlan plan = PlanRemoval(Results().Root(), paths);
    if (plan.RootRemoved)
        ClearResults();
    else
        RebuildResults([&plan](TScanTree& tree) { ApplyRemoval(tree, plan); });
    Q_EMIT StatusChanged(text);
}

// ---------------------------------------------------------------- scan files

QString TResultSession::ScanFileFilter()
{
    return Tr("Scan files") + QStringLiteral(" (*.json *.json.gz *.gz);;") + Tr("All files") +
           QStringLiteral(" (*)");
}

QString TResultSession::DialogCaption(TCommand command) const
{
    // The menu item's text without its trailing dots.
    QString caption = FActions.Action(command)->text();
    while (caption.endsWith(QLatin1Char('.')) || caption.endsWith(QChar(0x2026)))
        caption.chop(1);
    return caption.trimmed();
}

void TResultSession::ChooseScanFile()
{
    if (FBusy)
        return;
    const std::vector<std::string> paths = FServices.Files->OpenFiles(
        FWindow, DialogCaption(TCommand::OpenScanFile), ScanFileFilter());
    if (!paths.empty())
        OpenScanFiles(paths);
}

void TResultSession::OpenScanFiles(const std::vector<std::string>& paths)
{
    // Refused while busy, as Scan is. The current result stays until the files are read.
    if (FBusy || paths.empty() ||
        std::any_of(paths.begin(), paths.end(), [](const std::string& p) { return p.empty(); }))
        return;
    FReadingFiles = paths;
    SetBusy(true);
    FScan->StartReading(paths, Measure());
}

void TResultSession::ChooseRemoteFolder()
{
    if (FBusy)
        return;
    const std::optional<TRemoteFolderChoice> choice =
        FServices.Folders->PickRemoteFolder(FWindow, DialogCaption(TCommand::ScanRemoteFolder),
                                            RecentRemoteHosts(), LastRemoteFolder());
    if (!choice)
        return;
    std::string error;
    const std::optional<std::vector<TRemoteTarget>> targets = RemoteTargets(*choice, error);
    if (!targets) {
        ShowError(QString::fromStdString(error));
        return;
    }
    RememberRemoteChoice(*choice);
    ScanRemote(*targets);
}

void TResultSession::ScanRemote(const std::vector<TRemoteTarget>& targets)
{
    if (FBusy || targets.empty())
        return;
    FReadingRemote = targets;
    SetBusy(true);
    FScan->StartRemote(targets, Measure());
}

void TResultSession::RemoteFinished(const std::vector<TRemoteTarget>& targets,
                                    const std::shared_ptr<TScanOutcome>& outcome)
{
    // As for a scan file: Stop or a failure keeps the result shown.
    const bool cancelled = Cancelled();
    if (outcome->Ok && !cancelled) {
        FShownScanFiles.clear();
        FShownRemote = targets;
        FShownWrittenAt = 0;
        BuildResults(std::move(outcome->Tree), TResultOrigin::ScanFile);
        return;
    }
    Q_EMIT ProgressChanged(100, 0);
    if (!cancelled)
        ShowError(QString::fromStdString(outcome->Err));
    EndBusy();
    if (cancelled)
        Q_EMIT StatusChanged(Tr("Cancelled"));
    else
        Q_EMIT ResultKept();
}

void TResultSession::ReadingFinished(const std::vector<std::string>& paths,
                                     const std::shared_ptr<TScanOutcome>& outcome)
{
    // Stopped, also after the file was read: the current result stays, as it does when
    // the file is bad (nothing was cleared for the file).
    const bool cancelled = Cancelled();
    if (outcome->Ok && !cancelled) {
        FShownScanFiles = paths;
        FShownRemote.clear();
        FShownWrittenAt = outcome->WrittenAt;
        BuildResults(std::move(outcome->Tree), TResultOrigin::ScanFile);
        return;
    }
    Q_EMIT ProgressChanged(100, 0);
    if (!cancelled)
        ShowError(QString::fromStdString(
            paths.size() == 1 ? Format(Translate("Cannot open the scan file %s: %s"),
                                       VisiblePathText(paths.front()), outcome->Err)
                              : Format(Translate("Cannot open the scan files: %s"), outcome->Err)));
    EndBusy();
    if (cancelled)
        Q_EMIT StatusChanged(Tr("Cancelled"));
    else
        Q_EMIT ResultKept();
}

void TResultSession::SaveScanFile()
{
    const TDirNode* root = Results().Root();
    if (FBusy || root == nullptr)
        return;
    const std::string name = root->FullPath() == "/" || root->IsSyntheticRoot()
                                 ? std::string("scan")
                                 : std::string(root->Name());
    const std::optional<std::string> path =
        FServices.Files->SaveFile(FWindow, DialogCaption(TCommand::SaveScanFile), ScanFileFilter(),
                                  DisplayText(name) + QStringLiteral(".json"));
    if (!path)
        return;
    // The writer streams a small buffer: fast enough to run here, and the tree cannot
    // change meanwhile.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        ExportScanFile(*root, *path);
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        ShowError(QString::fromStdString(Format(Translate("Cannot save the scan file %s: %s"),
                                                VisiblePathText(*path), e.what())));
        return;
    }
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- busy state

void TResultSession::SetBusy(bool busy, bool stoppable)
{
    FBusy = busy;
    if (busy && QApplication::overrideCursor() == nullptr)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    Q_EMIT BusyChanged(busy, stoppable);
}

void TResultSession::EndBusy()
{
    QApplication::restoreOverrideCursor();
    SetBusy(false);
    Q_EMIT ProgressChanged(100, 0);
    Q_EMIT StatusChanged(Tr("Ready"));
}

void TResultSession::ShowError(const QString& text)
{
    FServices.Messages->Error(FWindow, text);
}

} // namespace harrowdale::ui
