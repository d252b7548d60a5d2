#pragma once

// The main window: source and filters, the scan with live progress and Stop, the result
// pipeline, and the four pages of treemaps beside their lists and trees.
//
// Thread: everything here runs on the user-interface thread except the scan task body,
// which touches only its TScanJob (context, progress box) and posts its outcome back.

#include "scan/ResultArrays.h"
#include "scan/ScanControl.h"
#include "treemap/DupTreemapLayout.h"
#include "treemap/FolderTreemapLayout.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/TreemapLayout.h"
#include "ui/Services.h"
#include "views/Duplicates.h"

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QRadioButton;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeView;
class QWidget;

namespace harrowdale::ui {

class TTreemapCanvas;
class TLargestFilesModel;
class TExtListModel;
class TFolderTreeModel;
class TFilesTreeModel;
class TDupTreeModel;
class TTopFoldersModel;
class TDupGroupsModel;
struct TScanJob;

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(TUiServices services, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // --- scan control
    void btnScanClick();
    void btnStopClick();
    void SetBusy(bool busy);
    void SetStatus(const QString& text);
    void ClearResults();
    void FillPathCombo();
    void UITimerTick();

    // --- result pipeline
    void FinishScan(bool ok, const std::string& err);

    // --- canvases
    void InvalidateTreemap();
    void InvalidateFolderMap();
    void InvalidateHierMap();
    void InvalidateDupeMap();
    void RebuildTreemap();
    void RebuildFolderMap();
    void RebuildHierMap();
    void RebuildDupeMap();

    // --- selections kept in step
    void SyncFilesSelectionToTreemap();
    void SyncExtSelection();
    void RevealLeafInTree(const TFileLeaf* leaf);
    void UpdateSelectionStatus();

    // --- file commands
    std::vector<std::string> CollectSelectedPaths();
    void btnOpenClick();
    void SpeedButton1Click();
    void btnOpenExplorerClick();
    void btnShowPropertiesClick();
    void btnRemoveToRecycleBinClick();
    void btnRemoveClick();
    void ClearMapSelections();

    // --- window
    void ApplyListWidths();
    void UpdateSourceControls();
    void UpdateFilterControls();
    void BuildLanguageMenu();
    void ApplyTranslation();
    bool IsBusy() const;

    // The form's controls, named as the program's forms name them; public so tests can
    // drive the window as a user would.
    QWidget* pnlTop = nullptr;
    QToolButton* btnScan = nullptr;
    QToolButton* btnStop = nullptr;
    QToolButton* btnOpen = nullptr;
    QToolButton* btnCopyPath = nullptr;
    QToolButton* btnOpenExplorer = nullptr;
    QToolButton* btnShowProperties = nullptr;
    QToolButton* btnRemoveToRecycleBin = nullptr;
    QToolButton* btnRemove = nullptr;
    QToolButton* btnWEbsite = nullptr;
    QToolButton* btnAbout = nullptr;
    QGroupBox* gbSource = nullptr;
    QRadioButton* rbAllDrives = nullptr;
    QRadioButton* rbCustomPath = nullptr;
    QComboBox* cmbCustomPath = nullptr;
    QToolButton* btnBrowse = nullptr;
    QGroupBox* gbFilters = nullptr;
    QCheckBox* chModifiedBefore = nullptr;
    QDateTimeEdit* dtpDate = nullptr;
    QCheckBox* chLessThan = nullptr;
    QLineEdit* edtLessThan = nullptr;
    QComboBox* cbSizeUnits = nullptr;
    QCheckBox* chPattern = nullptr;
    QLineEdit* edtPattern = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* pb = nullptr;

    TTreemapCanvas* PaintBox1 = nullptr; // Only Files
    TTreemapCanvas* PaintBox2 = nullptr; // Only Folders
    TTreemapCanvas* PaintBox3 = nullptr; // Files in Folders
    TTreemapCanvas* PaintBox4 = nullptr; // Duplicates
    QTreeView* lvFiles = nullptr;
    QTreeView* lvExt = nullptr;
    QTreeView* tvFolders = nullptr;
    QTreeView* lvFilesOfSelectedFolder = nullptr;
    QTreeView* tvFoldersAndFiles = nullptr;
    QTreeView* tvFileExtensions = nullptr;
    QTreeView* tvDuplicateFiles = nullptr;
    QTreeView* lvDuplicateGroupsColors = nullptr;
    QWidget* pnlBottom1 = nullptr;
    QWidget* pnlBottom2 = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* Panel3 = nullptr;

    QAction* Scan1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* ShowToolbar1 = nullptr;
    QAction* FilesinFolders1 = nullptr;
    QAction* OnlyFiles1 = nullptr;
    QAction* OnlyFolders1 = nullptr;
    QAction* Duplicates1 = nullptr;
    QMenu* mmLanguage = nullptr;

    // Result state, read by tests.
    const TDirNode* Root() const;
    const TFileArray& AllFiles() const { return FAllFiles; }
    const TFileArray& DisplayFiles() const { return FDisplayFiles; }
    TLargestFilesModel* FilesModel() const { return FFilesModel; }
    TExtListModel* ExtModel() const { return FExtModel; }
    TExtListModel* FileExtensionsModel() const { return FFileExtModel; }
    TFolderTreeModel* FoldersModel() const { return FFolderTreeModel; }
    TFilesTreeModel* FoldersAndFilesModel() const { return FFilesTreeModel; }
    TDupTreeModel* DuplicateFilesModel() const { return FDupTreeModel; }
    TTopFoldersModel* TopFoldersModel() const { return FTopFoldersModel; }
    TDupGroupsModel* DuplicateGroupsModel() const { return FDupGroupsModel; }
    const TTreemapLayout& Treemap() const { return FTreemap; }
    const THierTreemapLayout& HierMap() const { return FHierMap; }
    const TFolderTreemapLayout& FolderMap() const { return FFolderMap; }
    const TDupTreemapLayout& DupeMap() const { return FDupeMap; }
    const TDuplicates& Duplicates() const { return FDupes; }
    const TDirNode* SelectedFolder() const { return FSelectedFolder; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateToolbar(QWidget* parent);
    void CreateSourceAndFilters(QWidget* parent);
    void CreatePages();
    void CreateStatusLine(QWidget* parent);
    void CreateMenus();
    void SetUpLists();
    void SetUpCanvases();
    void SetColumns(QTreeView* view, const std::vector<int>& widths);
    QString T(const char* english) const;

    void StartScanTask(const TScanRequest& request);
    void CompleteScan(const std::shared_ptr<TScanOutcome>& outcome);
    void CheckCancelled();
    void AnnounceStage(const char* text);
    void PopulateLargestFilesList();
    void PopulateExtList();
    void PopulateFileExtensionsList();
    void BuildFoldersTree();
    void BuildDuplicateGroups();
    void PopulateFilesOfSelectedFolder();
    void BuildFoldersAndFilesTree();
    void PopulateDuplicateFilesTree();
    void tvFoldersChange(const QModelIndex& current);
    void SelectFolderNode(const TDirNode* folder);
    void SetUpSelectionSync();
    void SetUpCommands();
    void lvFilesSelectItem(bool selected);
    void SelectFileRow(const TTreemapItem& item, bool ctrl);
    void tvFoldersAndFilesChange();
    void tvFileExtensionsSelectItem();
    void RevealInTree(const THierItem& item);
    void tvDuplicateFilesChange();
    void lvDuplicateGroupsColorsSelectItem(bool selected);
    void RevealInDuplicateTree(const TDupItem& item);
    void ShowSelectionStatus(const QString& path, const QString& sizeText, int count);
    void RemoveSelection(bool toTrash);
    void SelectInDupeMap(const std::vector<std::string>& paths);
    std::vector<std::string> FoldersAndFilesTreePaths() const;
    std::vector<std::string> DuplicateTreePaths() const;
    std::vector<std::string> DuplicateListPaths() const;
    void ProcessPendingMessages();
    void SetProgressMarquee();
    void SetProgressRange(int maximum, int position);

    void SelectPage(int index);
    void PageControl1Change();
    void ShowToolbar1Click();
    void btnBrowseClick();
    void btnAboutClick();
    void OpenWebPath(const QString& path);

    void PaintBox1MouseMove(QPoint p);
    void PaintBox2MouseMove(QPoint p);
    void PaintBox3MouseMove(QPoint p);
    void PaintBox4MouseMove(QPoint p);
    void PaintBox1MouseDown(QPoint p, bool ctrl);
    void PaintBox2MouseDown(QPoint p, bool ctrl);
    void PaintBox3MouseDown(QPoint p, bool ctrl);
    void PaintBox4MouseDown(QPoint p, bool ctrl);
    void PaintBox1DblClick();
    void PaintBox2DblClick();
    void PaintBox3DblClick();
    void PaintBox4DblClick();

    TUiServices FServices;

    // Scan state.
    std::shared_ptr<TScanJob> FJob; ///< context and progress of the current or last scan
    std::unique_ptr<TScanTree> FRoot;
    QTimer* FUITimer = nullptr;
    std::int64_t FExpectedBytesTotal = 0;
    bool FBusy = false;
    bool FAppClosing = false;

    // Results; every one refers into FRoot and is emptied before FRoot is freed.
    TFileArray FAllFiles;
    TFileArray FDisplayFiles;
    const TDirNode* FSelectedFolder = nullptr;
    TTreemapLayout FTreemap;
    TFolderTreemapLayout FFolderMap;
    THierTreemapLayout FHierMap;
    TDupTreemapLayout FDupeMap;
    TDuplicates FDupes;
    const TTreemapItem* FHover = nullptr;
    const THierItem* FHover3 = nullptr;
    const TDupItem* FHover4 = nullptr;
    bool FSyncing = false;

    TLargestFilesModel* FFilesModel = nullptr;
    TExtListModel* FExtModel = nullptr;
    TExtListModel* FFileExtModel = nullptr;
    TFolderTreeModel* FFolderTreeModel = nullptr;
    TFilesTreeModel* FFilesTreeModel = nullptr;
    TDupTreeModel* FDupTreeModel = nullptr;
    TTopFoldersModel* FTopFoldersModel = nullptr;
    TDupGroupsModel* FDupGroupsModel = nullptr;

    QHash<QWidget*, int> FAppliedWidth; ///< panel width the list widths were set for
    QActionGroup* FModeGroup = nullptr;
    QList<QAction*> FTranslatedActions;
    QMenu* File1 = nullptr;
    QMenu* Run1 = nullptr;
    QMenu* View1 = nullptr;
    QMenu* Help1 = nullptr;
    QMenu* Mode1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* CopyPath1 = nullptr;
    QAction* OpeninExplorer1 = nullptr;
    QAction* ShowProperties1 = nullptr;
    QAction* RemovetoRecycleBin1 = nullptr;
    QAction* RemoveCompletely1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* utorial1 = nullptr;
    QAction* ContactUs1 = nullptr;
    QAction* VisitWebsite1 = nullptr;
    QAction* About1 = nullptr;
};

} // namespace harrowdale::ui
