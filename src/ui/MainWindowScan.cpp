// The scan started from the window and the pipeline that turns its tree into the views.

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"
#include "scan/Mask.h"
#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/ScanJob.h"
#include "ui/TreeModels.h"
#include "ui/TreemapCanvas.h"
#include "ui/text/DisplayFormat.h"
#include "views/ExtensionList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>

namespace harrowdale::ui {

namespace {

// Stop pressed while results are built: unwinds to FinishScan's one handler.
struct TPipelineAbort
{
};

constexpr int kListProgressStep = 250;

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

TDateTime ToDateTime(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    const auto v =
        EncodeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()});
    return v ? *v : 0;
}

} // namespace

// ---------------------------------------------------------------- window state

void TfrmMain::SetStatus(const QString& text)
{
    lblStatus->setText(text);
}

void TfrmMain::SetBusy(bool busy)
{
    FBusy = busy;
    btnScan->setEnabled(!busy);
    btnStop->setEnabled(busy);
    Scan1->setEnabled(!busy);
    Stop1->setEnabled(busy);
    btnBrowse->setEnabled(!busy && rbCustomPath->isChecked());
    cmbCustomPath->setEnabled(!busy && rbCustomPath->isChecked());
    gbFilters->setEnabled(!busy);
    UpdateFilterControls();
    if (!busy) {
        SetProgressRange(100, 0);
        SetStatus(T("Ready"));
    }
}

void TfrmMain::SetProgressMarquee()
{
    pb->setRange(0, 0);
}

void TfrmMain::SetProgressRange(int maximum, int position)
{
    pb->setRange(0, std::max(maximum, 1));
    pb->setValue(position);
}

void TfrmMain::ProcessPendingMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TfrmMain::FillPathCombo()
{
    cmbCustomPath->clear();
    for (const std::string& d : GetScanDrives())
        cmbCustomPath->addItem(QFile::decodeName(QByteArray::fromStdString(d)));
    if (cmbCustomPath->count() > 0)
        cmbCustomPath->setCurrentIndex(0);
}

void TfrmMain::ClearResults()
{
    FFilesModel->Clear();
    FExtModel->Clear();
    FFolderTreeModel->SetRoot(nullptr);
    FTopFoldersModel->Clear();
    FFilesTreeModel->SetRoot(nullptr);
    FFileExtModel->Clear();
    FAllFiles = {};
    FDisplayFiles = {};
    FDupTreeModel->SetGroups(nullptr);
    FDupGroupsModel->SetGroups(nullptr);
    FDupeMap.Clear();
    FDupes.Clear();
    FHover4 = nullptr;
    PaintBox4->Invalidate();
    FSelectedFolder = nullptr;
    FHover = nullptr;
    FHover3 = nullptr;
    FTreemap.Clear();
    FFolderMap.Clear();
    FHierMap.Clear();
    FRoot.reset();
    PaintBox1->Invalidate();
    PaintBox2->Invalidate();
    PaintBox3->Invalidate();
}

// ---------------------------------------------------------------- starting and stopping

void TfrmMain::btnScanClick()
{
    if (FBusy)
        return;
    TScanRequest request;
    request.AllDrives = rbAllDrives->isChecked();
    std::vector<std::string> drives;
    if (!request.AllDrives) {
        const std::string typed =
            std::string(Trim(QFile::encodeName(cmbCustomPath->currentText()).toStdString()));
        if (typed.empty())
            return;
        request.PathToScan = NormalizeScanPath(typed);
        if (!platform::DirectoryExists(request.PathToScan)) {
            FServices.Messages->Error(this, T("Folder does not exist."));
            return;
        }
    } else {
        drives = GetScanDrives();
        if (drives.empty()) {
            FServices.Messages->Error(this, T("No drives found."));
            return;
        }
    }
    std::int64_t limit = 0;
    if (chLessThan->isChecked() && !TryGetLessThanBytes(edtLessThan->text().toStdString(),
                                                        cbSizeUnits->currentIndex(), limit)) {
        FServices.Messages->Error(this, T("Invalid \"Less than\" value."));
        return;
    }

    ClearResults();
    SetBusy(true);
    FJob = std::make_shared<TScanJob>();
    TScanFilterInput filters;
    filters.ModifiedBeforeChecked = chModifiedBefore->isChecked();
    filters.ModifiedBefore = ToDateTime(dtpDate->dateTime());
    filters.LessThanChecked = chLessThan->isChecked();
    filters.LessThanText = edtLessThan->text().toStdString();
    filters.SizeUnitIndex = cbSizeUnits->currentIndex();
    filters.PatternChecked = chPattern->isChecked();
    filters.PatternText = edtPattern->text().toStdString();
    ApplyScanFilters(FJob->Context, filters);
    if (QApplication::overrideCursor() == nullptr)
        QApplication::setOverrideCursor(Qt::BusyCursor);

    FExpectedBytesTotal = 0;
    for (const std::string& d : drives)
        FExpectedBytesTotal += GetUsedBytes(d);
    FJob->Progress.Reset();
    FUITimer->start();
    SetStatus(T("Scanning..."));
    if (FExpectedBytesTotal <= 0)
        SetProgressMarquee();
    else
        SetProgressRange(1000, 0);
    StartScanTask(request);
}

void TfrmMain::StartScanTask(const TScanRequest& request)
{
    std::shared_ptr<TScanJob> job = FJob;
    QPointer<TfrmMain> self(this);
    QThreadPool::globalInstance()->start([job, request, self] {
        job->Run(request, [&](std::shared_ptr<TScanOutcome> outcome) {
            // Runs under the job's lock: the window cannot be destroyed meanwhile, and a
            // window destroyed before the call is delivered drops it.
            QMetaObject::invokeMethod(
                self.data(),
                [self, outcome] {
                    if (self)
                        self->CompleteScan(outcome);
                },
                Qt::QueuedConnection);
        });
    });
}

void TfrmMain::btnStopClick()
{
    if (FJob)
        FJob->Context.Cancel();
    SetStatus(T("Cancelling..."));
}

void TfrmMain::UITimerTick()
{
    if (FAppClosing || (FJob && FJob->Context.IsCancelled()))
        return;
    if (!FJob)
        return;
    const TScanProgressBox::Snapshot p = FJob->Progress.Read();
    if (!btnStop->isEnabled())
        return;
    if (FExpectedBytesTotal <= 0)
        SetProgressMarquee();
    else
        SetProgressRange(1000, DriveProgressPosition(p.Bytes, FExpectedBytesTotal));
    if (!p.Path.empty())
        SetStatus(QString::fromStdString(Format(Translate("Scanning: %s  (files: %d, dirs: %d)"),
                                                platform::ToDisplayUtf8(p.Path), p.Files, p.Dirs)));
    else
        SetStatus(QString::fromStdString(
            Format(Translate("Scanning... (files: %d, dirs: %d)"), p.Files, p.Dirs)));
}

void TfrmMain::CompleteScan(const std::shared_ptr<TScanOutcome>& outcome)
{
    FUITimer->stop();
    if (outcome->Ok) {
        FRoot = std::move(outcome->Tree);
        FinishScan(true, {});
        return;
    }
    outcome->Tree.reset();
    std::string err = outcome->Err;
    if (FJob && FJob->Context.IsCancelled() && err.empty())
        err = Translate("Cancelled by user");
    FinishScan(false, err);
}

// ---------------------------------------------------------------- result pipeline

void TfrmMain::CheckCancelled()
{
    if (FAppClosing || (FJob && FJob->Context.IsCancelled()))
        throw TPipelineAbort{};
}

void TfrmMain::AnnounceStage(const char* text)
{
    SetStatus(T(text));
    ProcessPendingMessages();
}

void TfrmMain::FinishScan(bool ok, const std::string& err)
{
    SetProgressMarquee();
    QString finalStatus;
    if (ok) {
        try {
            AnnounceStage("Building file list...");
            CheckCancelled();
            FAllFiles = FlattenAllFilesFromRoot(Root());
            CheckCancelled();

            AnnounceStage("Building Largest Files list...");
            FDisplayFiles = BuildDisplayFiles(FAllFiles);
            CheckCancelled();

            AnnounceStage("Populating Largest Files UI...");
            PopulateLargestFilesList();
            PopulateExtList();
            FTreemap.ClearSelection();
            FHover = nullptr;
            RebuildTreemap();
            CheckCancelled();

            AnnounceStage("Building folders tree...");
            BuildFoldersTree();
            CheckCancelled();

            AnnounceStage("Building duplicates...");
            BuildDuplicateGroups();
            CheckCancelled();

            const TDirNode* r = Root();
            FSelectedFolder = r != nullptr && !r->Children().empty() ? r->Children()[0] : nullptr;

            AnnounceStage("Populating folders UI...");
            PopulateFilesOfSelectedFolder();
            RebuildFolderMap();
            CheckCancelled();

            AnnounceStage("Building folders/files tree...");
            BuildFoldersAndFilesTree();
            CheckCancelled();

            AnnounceStage("Populating extensions...");
            PopulateFileExtensionsList();
            RebuildHierMap();
            CheckCancelled();

            SetProgressRange(100, 0);
            finalStatus =
                QString::fromStdString(Format(Translate("Done. Total files: %d   Total size: %s"),
                                              static_cast<std::int64_t>(FAllFiles.Files.size()),
                                              FormatSize(FAllFiles.TotalBytes)));
        } catch (const TPipelineAbort&) {
            ClearResults();
            SetProgressRange(100, 0);
            finalStatus = T("Cancelled");
        } catch (const std::exception& e) {
            SetProgressRange(100, 0);
            FServices.Messages->Error(this, T("Error while building results:") + QLatin1Char('\n') +
                                                QStringLiteral("Exception: ") +
                                                QString::fromStdString(e.what()));
            finalStatus = T("Ready");
        }
        QApplication::restoreOverrideCursor();
        SetBusy(false);
        SetStatus(finalStatus);
        return;
    }
    SetProgressRange(100, 0);
    if (!err.empty())
        FServices.Messages->Error(this, T("Scan failed: ") + QLatin1Char('\n') +
                                            QString::fromStdString(err));
    InvalidateTreemap();
    InvalidateHierMap();
    QApplication::restoreOverrideCursor();
    SetBusy(false);
}

void TfrmMain::PopulateLargestFilesList()
{
    const std::size_t n = FDisplayFiles.Files.size();
    if (n == 0) {
        FFilesModel->Clear();
        return;
    }
    FSyncing = true;
    SetProgressRange(static_cast<int>(n), 0);
    SetStatus(QString::fromStdString(
        Format(Translate("Building file list... 0 / %d"), static_cast<std::int64_t>(n))));
    FFilesModel->Clear();
    FFilesModel->SetTotal(FDisplayFiles.TotalBytes);
    std::size_t added = 0;
    try {
        for (std::size_t i = 0; i < n; ++i) {
            if (i % kListProgressStep != 0 && i != n - 1)
                continue;
            // Rows up to and including i, then the progress of row i + 1.
            FFilesModel->Append(std::span<const TFileLeaf* const>(
                FDisplayFiles.Files.data() + added, i + 1 - added));
            added = i + 1;
            SetProgressRange(static_cast<int>(n), static_cast<int>(i + 1));
            SetStatus(QString::fromStdString(Format(Translate("Building file list... %d / %d"),
                                                    static_cast<std::int64_t>(i + 1),
                                                    static_cast<std::int64_t>(n))));
            ProcessPendingMessages();
            if (FJob && FJob->Context.IsCancelled())
                break;
        }
    } catch (...) {
        FSyncing = false;
        throw;
    }
    FSyncing = false;
}

void TfrmMain::PopulateExtList()
{
    TExtList list = BuildExtList(FAllFiles.Files);
    FExtModel->SetRows(std::move(list.Rows), list.TotalBytes);
}

void TfrmMain::PopulateFileExtensionsList()
{
    const TDirNode* r = Root();
    if (r == nullptr) {
        FFileExtModel->Clear();
        return;
    }
    FFileExtModel->SetRows(r->ExtStats().ToSortedArrayByBytesDesc(), 0);
}

void TfrmMain::BuildFoldersTree()
{
    if (!FRoot || FRoot->Root() == nullptr)
        return;
    FSyncing = true;
    struct Reset
    {
        bool& Flag;
        ~Reset() { Flag = false; }
    } reset{FSyncing};
    TDirNode* root = FRoot->Root();
    const std::int64_t total = root->TotalDirs() - (root->IsSyntheticRoot() ? 0 : 1);
    SetProgressRange(static_cast<int>(std::max<std::int64_t>(total, 1)), 0);
    SetStatus(QString::fromStdString(Format(Translate("Building folders tree... 0 / %d"), total)));
    // The folders by size, largest first, for every later reader of the tree.
    SortChildrenBySize(root);

    // Every folder becomes a node; the model presents them, and this walk reports the
    // progress and notices Stop as a node-by-node fill would.
    FFolderTreeModel->SetRoot(nullptr);
    std::int64_t added = 0;
    std::vector<const TDirNode*> stack(root->Children().rbegin(), root->Children().rend());
    while (!stack.empty()) {
        const TDirNode* d = stack.back();
        stack.pop_back();
        ++added;
        if (added % 200 == 0) {
            SetProgressRange(static_cast<int>(std::max<std::int64_t>(total, 1)),
                             static_cast<int>(added));
            SetStatus(QString::fromStdString(
                Format(Translate("Building folders tree... %d / %d"), added, total)));
            ProcessPendingMessages();
            if (FAppClosing || (FJob && FJob->Context.IsCancelled())) {
                SetStatus(T("Cancelled."));
                return;
            }
        }
        for (auto it = d->Children().rbegin(); it != d->Children().rend(); ++it)
            stack.push_back(*it);
    }
    FFolderTreeModel->SetRoot(root);
    if (FFolderTreeModel->rowCount() > 0)
        tvFolders->setCurrentIndex(FFolderTreeModel->index(0, 0));
    SetProgressRange(static_cast<int>(std::max<std::int64_t>(total, 1)),
                     static_cast<int>(std::max<std::int64_t>(total, 1)));
    SetStatus(QString::fromStdString(Format(Translate("Folders tree built (%d folders)."), added)));
}

void TfrmMain::tvFoldersChange(const QModelIndex& current)
{
    const TDirNode* folder = FFolderTreeModel->Folder(current);
    if (FAppClosing || folder == nullptr)
        return;
    FSelectedFolder = folder;
    PopulateFilesOfSelectedFolder();
    FFolderMap.SetSelectedNode(FSelectedFolder);
    InvalidateFolderMap();
    UpdateSelectionStatus();
}

void TfrmMain::SelectFolderNode(const TDirNode* folder)
{
    const QModelIndex index = FFolderTreeModel->IndexOf(folder);
    if (index.isValid()) {
        tvFolders->setCurrentIndex(index);
        tvFolders->scrollTo(index);
        tvFolders->expand(index);
        return;
    }
    FSelectedFolder = folder;
    PopulateFilesOfSelectedFolder();
    FFolderMap.SetSelectedNode(FSelectedFolder);
    InvalidateFolderMap();
}

void TfrmMain::BuildDuplicateGroups()
{
    FDupes.Clear();
    const std::size_t n = FAllFiles.Files.size();
    if (n > 0) {
        SetProgressRange(static_cast<int>(n), 0);
        SetStatus(QString::fromStdString(
            Format(Translate("Building duplicates... 0 / %d"), static_cast<std::int64_t>(n))));
        const bool done =
            BuildDuplicates(FAllFiles.Files, FDupes, [this](std::size_t i, std::size_t total) {
                SetProgressRange(static_cast<int>(total), static_cast<int>(i));
                SetStatus(QString::fromStdString(Format(Translate("Building duplicates... %d / %d"),
                                                        static_cast<std::int64_t>(i),
                                                        static_cast<std::int64_t>(total))));
                ProcessPendingMessages();
                return !(FJob && FJob->Context.IsCancelled()) && !FAppClosing;
            });
        if (!done)
            return;
        SetStatus(QString::fromStdString(Format(Translate("Duplicates ready. Groups shown: %d"),
                                                static_cast<std::int64_t>(FDupes.Groups.size()))));
        ProcessPendingMessages();
    }
    PopulateDuplicateFilesTree();
    FDupGroupsModel->SetGroups(&FDupes.Groups);
    RebuildDupeMap();
    tvDuplicateFiles->collapseAll();
    if (FDupTreeModel->rowCount() > 0) {
        const QModelIndex first = FDupTreeModel->index(0, 0);
        tvDuplicateFiles->setCurrentIndex(first);
        tvDuplicateFiles->scrollTo(first, QAbstractItemView::PositionAtTop);
    }
}

void TfrmMain::PopulateFilesOfSelectedFolder()
{
    // The legend of the folder map: always the top-level folders.
    FTopFoldersModel->SetRoot(Root());
}

void TfrmMain::BuildFoldersAndFilesTree()
{
    FFilesTreeModel->SetRoot(Root());
    if (FFilesTreeModel->rowCount() > 0) {
        const QModelIndex root = FFilesTreeModel->index(0, 0);
        tvFoldersAndFiles->collapse(root);
        tvFoldersAndFiles->setCurrentIndex(root);
    }
}

void TfrmMain::PopulateDuplicateFilesTree()
{
    // Walk the nodes the tree will show, yielding every 150 file nodes so Stop works while
    // a big result is put up.
    std::size_t shown = 0;
    for (const auto& g : FDupes.Groups) {
        const std::size_t files = std::min(g->Files.size(), kMaxDupFilesPerGroupNode);
        for (std::size_t k = 0; k < files; ++k) {
            if (++shown % 150 != 0)
                continue;
            ProcessPendingMessages();
            if (FAppClosing || (FJob && FJob->Context.IsCancelled()))
                return;
        }
    }
    FDupTreeModel->SetGroups(&FDupes.Groups);
}
} // namespace harrowdale::ui
