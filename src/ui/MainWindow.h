#pragma once

// The main window: composes the toolbar and menus (TWindowActions), the scan source and
// filters (TScanOptionsPanel), the result shown and its life (TResultSession), the file
// commands (TFileCommands) and the four result pages (TResultPage), and wires them
// together. It shows the busy state and the status line; the parts do the work.
//
// Thread: everything here runs on the user-interface thread; only the scan task body runs
// elsewhere (see TScanRunner).

#include "ui/FileCommands.h"
#include "ui/ResultPage.h"
#include "ui/ResultSession.h"
#include "ui/Services.h"
#include "ui/Settings.h"
#include "ui/WindowActions.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QTabWidget;

namespace harrowdale::ui {

class THistoryRecorder;
class TScanOptionsPanel;
class TScanInvite;
class TFilesInFoldersPage;
class TOnlyFilesPage;
class TOnlyFoldersPage;
class TDuplicatesPage;
class TFindPanel;

class TMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainWindow(TUiServices services, QWidget* parent = nullptr);
    ~TMainWindow() override;

    const TWindowActions& Actions() const { return *FActions; }
    QAction* Action(TCommand command) const { return FActions->Action(command); }
    TScanOptionsPanel* Options() const { return FOptions; }
    TFileCommands* FileCommands() const { return FCommands; }
    const TScanResults& Results() const { return FSession->Results(); }
    /// Keeps each scan of a folder in the scan history.
    THistoryRecorder& History() const { return FSession->History(); }

    TResultPage* Page(TPageIndex page) const { return FPages[static_cast<std::size_t>(page)]; }
    TPageIndex CurrentPage() const;
    void ShowPage(TPageIndex page);
    TFilesInFoldersPage* FilesInFoldersPage() const { return FFilesInFolders; }
    TOnlyFilesPage* OnlyFilesPage() const { return FOnlyFiles; }
    TOnlyFoldersPage* OnlyFoldersPage() const { return FOnlyFolders; }
    TDuplicatesPage* DuplicatesPage() const { return FDuplicates; }
    /// Find: one panel acting on the page shown.
    TFindPanel* FindPanel() const { return FFind; }
    QTabWidget* PageTabs() const { return FTabs; }
    QWidget* TopPanel() const { return FTopPanel; }
    /// The maps' invitation to a first scan; shown until a scan or a scan file starts.
    TScanInvite* Invite() const { return FInvite; }

    /// Puts back what the last run remembered (SaveSettings): geometry and state, source
    /// and filters, page, column widths. Returns whether a geometry was there to restore.
    bool RestoreSettings();
    /// Remembers all that for the next run; also done when the window closes after a
    /// RestoreSettings.
    void SaveSettings() const;

    /// Chooses the folder `path` (exact bytes) and scans it, as Scan would.
    void ScanFolder(const std::string& path);

    QString StatusText() const;
    /// How the result shown was measured ("Sizes: ...   Hard links: ..."); empty without a
    /// result, or for a scan file that does not say.
    QString MeasureText() const;
    /// Scanning or building results: Scan is refused until the window is idle again.
    bool IsBusy() const { return FSession->IsBusy(); }
    /// Whether the last scan's task has returned (or none ran), waiting at most
    /// `timeoutMs`. Nothing else outlives the window.
    bool ScanTaskEnded(int timeoutMs) const;

    /// Reads a scan file (path bytes) in the background, with progress and Stop like a
    /// scan, and shows it on the four pages as after a scan; its root is the path the file
    /// records. A bad file is reported and the current result stays. Refused while busy.
    void OpenScanFile(const std::string& path) { FSession->OpenScanFiles({path}); }
    void OpenScanFiles(const std::vector<std::string>& paths) { FSession->OpenScanFiles(paths); }

    /// Scans the folder `path` of the result shown again in the background, with the
    /// filters of the panel and the result's own measure, and puts the new folder in the
    /// old one's place; a folder that no longer exists leaves the result. Refused while
    /// busy, for a path the result holds no folder at, and for a scan file's result.
    void RescanFolder(const std::string& path) { FSession->RescanFolder(path); }

Q_SIGNALS:
    /// The scan ended well and the result pipeline starts.
    void BuildingResults();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateStatusLine(QWidget* parent);
    void SetTabOrder();
    void ConnectCommands();
    /// Names or cushions switched in the View menu: every map redraws, the choice is saved.
    void MapLookSwitched();
    /// Scan and Stop, the options and Rescan This Folder follow the session's busy state.
    void BusyChanged(bool busy, bool stoppable);
    /// The commands on the selection are on when the page shown has one (removal not while
    /// busy), Rescan This Folder for one folder, Save Scan with a result.
    void UpdateCommandStates();
    TZoomActions ZoomActions() const;
    /// Once the selection has settled (zero-time timer).
    void ScheduleCommandStates();
    /// The measure, the title and the commands of a result that changed.
    void ShowResult();
    /// The maps coloured by change while comparing, if the View menu says so, and the legend.
    void ShowChangeColours();
    void SetStatus(const QString& text);
    void SetProgress(qint64 maximum, qint64 position);
    void UpdateSelectionStatus();
    void PageChanged();
    void ShowAbout();
    void OpenWebPath(const QString& path);
    void ApplyTranslation();

    TUiServices FServices;
    std::unique_ptr<TResultSession> FSession; ///< owns the results; the pages refer into them
    bool FRemembers = false;                  ///< RestoreSettings ran: closing saves the settings
    QString FIdleStatus;                      ///< the status line when the last task started
    QTimer FCommandStates;

    // Qt children, owned through the widget tree.
    TWindowActions* FActions = nullptr;
    TScanOptionsPanel* FOptions = nullptr;
    TFileCommands* FCommands = nullptr;
    QWidget* FTopPanel = nullptr;
    TScanInvite* FInvite = nullptr;
    QTabWidget* FTabs = nullptr;
    TFilesInFoldersPage* FFilesInFolders = nullptr;
    TOnlyFilesPage* FOnlyFiles = nullptr;
    TOnlyFoldersPage* FOnlyFolders = nullptr;
    TDuplicatesPage* FDuplicates = nullptr;
    TFindPanel* FFind = nullptr;
    std::array<TResultPage*, 4> FPages{}; ///< in tab order
    QLabel* FStatus = nullptr;
    QLabel* FMeasure = nullptr;
    QLabel* FChangeLegend = nullptr; ///< the colours of a map coloured by change
    QProgressBar* FProgress = nullptr;
};

} // namespace harrowdale::ui
