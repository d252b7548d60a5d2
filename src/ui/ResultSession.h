#pragma once

// The life of the result shown: a scan, the reading of a scan file, Rescan This Folder,
// Save Scan, a switch of the measure, and the refresh after a removal. Owns the results
// (TResultPipeline) and the background task (TScanRunner), decides when the window is busy
// and what the status line says about the result; the window only shows what it reports.
//
// Thread: UI thread only; the task body runs elsewhere (see TScanRunner).

#include "exchange/RemoteScan.h"
#include "scan/ScanControl.h"
#include "ui/ComparedScans.h"
#include "ui/FileCommands.h"
#include "ui/ResultPage.h"
#include "ui/Settings.h"
#include "ui/WindowActions.h"
#include "views/ResultPipeline.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace harrowdale::ui {

class THistoryRecorder;
class TScanOptionsPanel;
class TScanRunner;
struct TUiServices;

class TResultSession : public QObject
{
    Q_OBJECT
public:
    /// `window` parents the message boxes and dialogs; `actions` give the measure options
    /// and the dialogs' captions; `options` the scan's source and filters.
    TResultSession(TUiServices& services, const TWindowActions& actions, TScanOptionsPanel& options,
                   QWidget* window);
    /// Stops the task, then empties every page before the results are freed.
    ~TResultSession() override;

    const TScanResults& Results() const { return FPipeline.Results(); }
    /// A page the results fill, in tab order; it must outlive this session's results.
    void AddPage(TResultPage& page);
    /// Another view of the results (Find), filled after the pages; it must outlive them too.
    void AddView(IResultView& view) { FPipeline.AddView(view); }
    /// The commands on the selection: they learn where the result came from, and what
    /// they remove leaves the result.
    void UseCommands(TFileCommands& commands);

    /// Where the result shown came from.
    TResultOrigin Origin() const { return FOrigin; }
    /// The scan file the result shown was read from (path bytes; the first of several),
    /// and when that file was written (Unix seconds, the oldest of several; 0 when it does
    /// not say). Empty for a scan.
    const std::string& ShownScanFile() const
    {
        static const std::string kNone;
        return FShownScanFiles.empty() ? kNone : FShownScanFiles.front();
    }
    /// The folders of other machines the result shown was scanned from; empty for a
    /// scan of this machine and for scan files.
    const std::vector<TRemoteTarget>& ShownRemote() const { return FShownRemote; }
    /// Every scan file of the result shown (several open as one result).
    const std::vector<std::string>& ShownScanFiles() const { return FShownScanFiles; }
    std::int64_t ShownWrittenAt() const { return FShownWrittenAt; }
    /// Scanning, reading or building results: a new task is refused until idle again.
    bool IsBusy() const { return FBusy; }
    /// Whether the last task has returned (or none ran), waiting at most `timeoutMs`.
    bool TaskEnded(int timeoutMs) const;
    /// How the result shown was measured; empty without a result, or for a scan file that
    /// does not say.
    QString MeasureText() const;

    /// Scans the source and filters of the panel, as Scan does.
    void Scan();
    /// Cancels the task, or the result build that follows it; while that build reads files
    /// to compare them, ends the reading only.
    void Stop();
    /// Asks for a scan file and opens it.
    void ChooseScanFile();
    /// Reads scan files (path bytes) in the background, several as one result (each a
    /// top-level folder); the current result stays until they are read, and stays when
    /// one is bad or they were measured differently.
    void OpenScanFiles(const std::vector<std::string>& paths);
    /// Asks for hosts and a folder, and scans it on each through ssh.
    void ChooseRemoteFolder();
    /// Scans `targets` through ssh in the background, several as one result; shown as an
    /// opened scan file, named by host and folder. The current result stays until the
    /// scan is read, and stays when it fails.
    void ScanRemote(const std::vector<TRemoteTarget>& targets);
    void SaveScanFile();
    /// Scans the folder `path` of the result shown again, with the panel's filters and the
    /// result's own measure, and puts the new folder in the old one's place.
    void RescanFolder(const std::string& path);
    /// The View menu's measure was switched: saved, and the result may be made again.
    void MeasureSwitched();
    /// The View menu's grouping of duplicates was switched: saved, and the result shown is
    /// grouped again (by content: its files are read, and Stop ends the reading).
    void DuplicateGroupingSwitched();
    /// The window closes: whatever a task or build still reports is dropped unseen.
    void Close();
    /// File > "Compare With...": asks for a kept scan of the folder shown or a scan file,
    /// then compares it with the result shown (CompareWith).
    void ChooseComparison();
    /// Reads the scan file `path` (bytes) in the background, as Open Scan does, and shows
    /// the result's change since it: the result shown stays, also when the file is bad or
    /// measured differently. `time`: when that scan was made (0: as the file says).
    void CompareWith(const std::string& path, std::int64_t time = 0);
    /// The comparison shown; null when none.
    const TComparedScans* Compared() const { return FCompared.get(); }
    /// Back to the plain result.
    void LeaveComparison();
    /// Lists what the older scan holds and the result shown does not (TGoneList).
    void ShowGoneList();
    /// Keeps each new scan of a folder in the scan history (see THistoryRecorder).
    THistoryRecorder& History() const { return *FHistory; }

Q_SIGNALS:
    void StatusChanged(const QString& text);
    /// Progress `position` of `maximum`; a maximum of 0 shows a busy indicator.
    void ProgressChanged(qint64 maximum, qint64 position);
    /// Busy or idle; `stoppable` when Stop can end what runs. Idle means "Ready" until the
    /// session says more.
    void BusyChanged(bool busy, bool stoppable);
    /// The result shown was replaced, changed or cleared.
    void ResultChanged();
    /// A scan file could not be read: the result shown stays as it was.
    void ResultKept();
    /// A comparison began or ended.
    void ComparisonChanged();
    /// The scan ended well and the result pipeline starts.
    void BuildingResults();

private:
    void ScanFinished(const std::shared_ptr<TScanOutcome>& outcome);
    void RemoteFinished(const std::vector<TRemoteTarget>& targets,
                        const std::shared_ptr<TScanOutcome>& outcome);
    void ReadingFinished(const std::vector<std::string>& paths,
                         const std::shared_ptr<TScanOutcome>& outcome);
    void ComparisonRead(const std::string& path, const std::shared_ptr<TScanOutcome>& outcome);
    void EndComparison();
    void RescanFinished(const std::string& path, const std::shared_ptr<TScanOutcome>& outcome);
    void BuildResults(std::unique_ptr<TScanTree> tree, TResultOrigin origin);
    /// The build under way has settled the tree: the history writer starts on it when the
    /// result is to be kept.
    void HistoryMayStart();
    /// Edits the result's tree and fills every page from it again, keeping what is left of
    /// each page's selection. Stop is off meanwhile, unless duplicates are grouped by
    /// content: Stop then ends the reading, and they are grouped by name and size.
    TPipelineResult RebuildResults(const std::function<void(TScanTree&)>& edit);
    /// Takes what the file commands removed out of the result and says what was done.
    void RemovedFromDisk(TRemoval kind, const std::vector<std::string>& paths,
                         const std::vector<platform::TRemovalOutcome>& outcomes,
                         std::int64_t items);
    /// Takes a folder that is gone from disk out of the result, and says so.
    void FolderGone(const std::string& path);
    void ClearResults();
    /// Before the result's tree is freed or edited: the history writer reads it.
    void ReleaseTree();
    /// The View menu's measure, for the next scan.
    TScanMeasure Measure() const;
    /// The View menu's grouping of duplicates, for the next result.
    TDupGrouping Grouping() const;
    QString DialogCaption(TCommand command) const;
    static QString ScanFileFilter();
    void SetBusy(bool busy, bool stoppable = true);
    void EndBusy();
    bool Cancelled() const;
    void ShowError(const QString& text);

    TUiServices& FServices;
    const TWindowActions& FActions;
    TScanOptionsPanel& FOptions;
    QWidget* FWindow;
    TResultPipeline FPipeline; ///< owns the results; the pages refer into them
    std::vector<TResultPage*> FPages;
    TFileCommands* FCommands = nullptr;
    TScanRunner* FScan = nullptr;         ///< a Qt child, freed first
    THistoryRecorder* FHistory = nullptr; ///< a Qt child
    std::int64_t FMetBytes = -1;          ///< what the scan shown met, for its history entry
    bool FRecordWhenSettled = false;      ///< the result being built goes into the history
    QString FHistoryNote; ///< what the history writer said during the build, said after it
    TResultOrigin FOrigin = TResultOrigin::ThisMachine;
    bool FBusy = false;
    bool FClosing = false; ///< nothing more is shown or built
    /// The scan files the running task reads.
    std::optional<std::vector<std::string>> FReadingFiles;
    std::optional<std::string> FRescanning;   ///< the folder the running task scans again
    std::vector<std::string> FShownScanFiles; ///< the scan files shown, if any
    /// The remote folders the running task scans.
    std::optional<std::vector<TRemoteTarget>> FReadingRemote;
    std::vector<TRemoteTarget> FShownRemote; ///< the remote folders shown, if any
    std::int64_t FShownWrittenAt = 0;
    std::int64_t FShownAt = 0; ///< when the result shown was made (Unix seconds; 0: unknown)
    std::optional<std::string> FComparingFile; ///< the scan file the running task reads
    std::int64_t FComparingTime = 0;           ///< when that scan was made
    std::unique_ptr<TComparedScans> FCompared; ///< ended before the result's tree changes
};

} // namespace harrowdale::ui
