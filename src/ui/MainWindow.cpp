#include "ui/MainWindow.h"

#include "exchange/ScanTreeExport.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileSystem.h"
#include "scan/TreeLookup.h"
#include "ui/DuplicatesPage.h"
#include "ui/FileCommands.h"
#include "ui/FilesInFoldersPage.h"
#include "ui/OnlyFilesPage.h"
#include "ui/OnlyFoldersPage.h"
#include "ui/QtLanguage.h"
#include "ui/ScanOptionsPanel.h"
#include "ui/ScanRunner.h"
#include "ui/Settings.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/RemovalTexts.h"
#include "views/TreeRemoval.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <limits>

namespace harrowdale::ui {

namespace {

constexpr const char* kVersion = HARROWDALE_VERSION;

} // namespace

TMainWindow::TMainWindow(TUiServices services, QWidget* parent)
    : QMainWindow(parent), FServices(std::move(services)),
      FPipeline(TPipelineHost{
          [this](const std::string& text) { SetStatus(QString::fromStdString(text)); },
          [this](std::int64_t maximum, std::int64_t position) { SetProgress(maximum, position); },
          // The one place the window lets events run inside a handler (see ResultPipeline.h).
          [] { QCoreApplication::processEvents(QEventLoop::AllEvents); },
      })
{
    setWindowTitle(QStringLiteral("Harrowdale %1").arg(QLatin1String(kVersion)));
    resize(1333, 720);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FActions = new TWindowActions(this);
    FActions->BuildMenus(menuBar());
    FTopPanel = new QWidget(central);
    auto* top = new QVBoxLayout(FTopPanel);
    top->setContentsMargins(8, 8, 8, 4);
    auto* toolbar = new QHBoxLayout();
    FActions->BuildToolbar(toolbar, FTopPanel);
    top->addLayout(toolbar);
    FOptions = new TScanOptionsPanel(*FServices.Folders, FTopPanel);
    top->addWidget(FOptions);
    layout->addWidget(FTopPanel);

    FTabs = new QTabWidget(central);
    IShell& shell = *FServices.Shell;
    const TScanResults& results = FPipeline.Results();
    FFilesInFolders = new TFilesInFoldersPage(results, shell, FTabs);
    FOnlyFiles = new TOnlyFilesPage(results, shell, FTabs);
    FOnlyFolders = new TOnlyFoldersPage(results, shell, FTabs);
    FDuplicates = new TDuplicatesPage(results, shell, FTabs);
    FPages = {FFilesInFolders, FOnlyFiles, FOnlyFolders, FDuplicates};
    for (TResultPage* page : FPages) {
        FTabs->addTab(page, QString());
        FPipeline.AddView(*page);
        connect(page, &TResultPage::StatusText, this, &TMainWindow::SetStatus);
        connect(page, &TResultPage::SelectionStatusChanged, this,
                &TMainWindow::UpdateSelectionStatus);
    }
    connect(FTabs, &QTabWidget::currentChanged, this, &TMainWindow::PageChanged);
    layout->addWidget(FTabs, 1);
    CreateStatusLine(central);
    setCentralWidget(central);

    FScan = new TScanRunner(this);
    connect(FScan, &TScanRunner::StatusChanged, this, &TMainWindow::SetStatus);
    connect(FScan, &TScanRunner::ProgressChanged, this, &TMainWindow::SetProgress);
    connect(FScan, &TScanRunner::Finished, this, &TMainWindow::ScanFinished);
    FCommands = new TFileCommands(
        FServices, FPipeline.Results(), [this] { return Page(CurrentPage()); }, this);
    FCommands->Connect(*FActions);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    for (TResultPage* page : FPages) {
        page->AddCommandActions(FActions->FileCommandActions());
        page->AddCommandActions({separator, Action(TCommand::RescanFolder)});
        connect(page, &TResultPage::SelectionStatusChanged, this, &TMainWindow::UpdateRescanAction);
    }
    connect(FCommands, &TFileCommands::Removed, this, &TMainWindow::RemovedFromDisk);
    ConnectCommands();
    SetTabOrder();

    SetBusy(false);
    FActions->BuildLanguageMenu();
    connect(FActions, &TWindowActions::LanguageChanged, this, &TMainWindow::ApplyTranslation);
    ApplyTranslation();
}

TMainWindow::~TMainWindow()
{
    // Stop the scan first (a task still running later keeps its tree to itself), then
    // empty every page before the results they refer into are freed.
    delete FScan;
    FScan = nullptr;
    FPipeline.Clear();
    // The tabs and pages go after this window's members: none of their signals may
    // reach it then.
    FTabs->disconnect(this);
    for (TResultPage* page : FPages)
        page->disconnect(this);
}

void TMainWindow::CreateStatusLine(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setFixedHeight(27);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 0, 6, 0);
    FStatus = new QLabel(panel);
    FStatus->setTextFormat(Qt::PlainText);
    FStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // How the result shown was measured; it stays while the status line changes.
    FMeasure = new QLabel(panel);
    FMeasure->setTextFormat(Qt::PlainText);
    FProgress = new QProgressBar(panel);
    FProgress->setFixedSize(314, 16);
    FProgress->setTextVisible(false);
    row->addWidget(FStatus, 1);
    row->addWidget(FMeasure);
    row->addWidget(FProgress);
    parent->layout()->addWidget(panel);
}

void TMainWindow::SetTabOrder()
{
    // Top to bottom, left to right: the toolbar, the sources and filters, the page tabs,
    // then each page's map and the views below it. Widgets of hidden pages are skipped.
    QList<QWidget*> chain;
    for (QToolButton* b : FActions->ToolbarButtons())
        chain << b;
    chain << FOptions->TabOrder() << FTabs->tabBar();
    for (TResultPage* page : FPages)
        chain << page->TabOrder();
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void TMainWindow::ConnectCommands()
{
    auto on = [this](TCommand command, auto&& run) {
        connect(Action(command), &QAction::triggered, this, std::forward<decltype(run)>(run));
    };
    on(TCommand::Scan, [this] { StartScan(); });
    on(TCommand::Stop, [this] { StopScan(); });
    on(TCommand::RescanFolder, [this] {
        const std::vector<TSelectedEntry> entries = FCommands->SelectedEntries();
        if (entries.size() == 1 && entries[0].Folder != nullptr)
            RescanFolder(entries[0].Path);
    });
    on(TCommand::Exit, [this] { close(); });
    on(TCommand::OpenScanFile, [this] { ChooseScanFile(); });
    on(TCommand::SaveScanFile, [this] { SaveScanFile(); });
    on(TCommand::ShowToolbar,
       [this] { FTopPanel->setVisible(Action(TCommand::ShowToolbar)->isChecked()); });
    on(TCommand::About, [this] { ShowAbout(); });
    // Saved at once: start-up reads it before any window exists. A build without the
    // check has nothing to switch.
    QAction* updates = Action(TCommand::CheckForUpdates);
    updates->setVisible(HARROWDALE_UPDATE_CHECK != 0);
    updates->setChecked(UpdateCheckAtStartUp());
    connect(updates, &QAction::toggled, this, [](bool on) { SetUpdateCheckAtStartUp(on); });
    const TScanMeasure measure = SavedScanMeasure();
    Action(TCommand::CountEveryHardLink)->setChecked(measure.CountEveryHardLink);
    Action(TCommand::SizeOnDisk)->setChecked(measure.SizeOnDisk);
    on(TCommand::CountEveryHardLink, [this] { MeasureSwitched(); });
    on(TCommand::SizeOnDisk, [this] { MeasureSwitched(); });
    on(TCommand::VisitWebsite, [this] { OpenWebPath(QString()); });
    on(TCommand::ContactUs, [this] { OpenWebPath(QStringLiteral("/support.html")); });
    on(TCommand::Tutorial,
       [this] { OpenWebPath(QStringLiteral("/redirect/tutorial-harrowdale.html")); });
    const QList<QAction*> pages = FActions->PageActions();
    for (int i = 0; i < pages.size(); ++i)
        connect(pages[i], &QAction::triggered, this,
                [this, i] { ShowPage(static_cast<TPageIndex>(i)); });
}

// ---------------------------------------------------------------- scan and results

TScanMeasure TMainWindow::Measure() const
{
    return {Action(TCommand::CountEveryHardLink)->isChecked(),
            Action(TCommand::SizeOnDisk)->isChecked()};
}

void TMainWindow::MeasureSwitched()
{
    SaveScanMeasure(Measure());
    // The result shown keeps its own measure and says so; it is never partly measured
    // the new way. A scan under way finishes with the setting it started with.
    if (FBusy || Results().Root() == nullptr)
        return;
    if (!FServices.Messages->Confirm(this, Tr("Scan again with the new setting? Until then the "
                                              "result shown keeps the old one.")))
        return;
    // A result read from a scan file is read again; a scan runs again.
    if (FCommands->Origin() == TResultOrigin::ScanFile && !FShownScanFile.empty())
        OpenScanFile(FShownScanFile);
    else
        StartScan();
}

void TMainWindow::ShowMeasure()
{
    // A scan file that does not record how it measured shows nothing here.
    const TScanTree* tree = Results().Tree.get();
    if (tree == nullptr || !tree->MeasureKnown()) {
        FMeasure->clear();
        return;
    }
    FMeasure->setText(Tr(tree->SizeKind() == TSizeKind::OnDisk ? "Sizes: space used on disk"
                                                               : "Sizes: length of each file") +
                      QStringLiteral("   ") +
                      Tr(tree->HardLinks() == THardLinks::Each
                             ? "Hard links: every link counted"
                             : "Hard links: each file counted once"));
}

void TMainWindow::StartScan()
{
    // Refused while scanning or building results: the pipeline's re-entrancy rule
    // (ResultPipeline.h) counts on it.
    if (FBusy)
        return;
    const TScanChoice choice = FOptions->ReadChoice();
    if (choice.Kind == TScanChoice::TKind::Invalid)
        FServices.Messages->Error(this, choice.Error);
    if (choice.Kind != TScanChoice::TKind::Ready)
        return;
    ClearResults();
    SetBusy(true);
    if (QApplication::overrideCursor() == nullptr)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    std::int64_t expected = 0;
    for (const std::string& d : choice.Drives)
        expected += GetUsedBytes(d);
    FScan->Start(choice.Request, choice.Filters, expected, Measure());
}

void TMainWindow::ScanFolder(const std::string& path)
{
    FOptions->ChoosePathBytes(path);
    StartScan();
}

void TMainWindow::StopScan()
{
    // Also stops a result build in progress: the pipeline polls the same context.
    FScan->Cancel();
    SetStatus(Tr("Cancelling..."));
}

void TMainWindow::ScanFinished(const std::shared_ptr<TScanOutcome>& outcome)
{
    SetProgress(0, 0);
    if (FClosing) {
        // The end of a task the closing cancelled (or that ended just before): nothing to
        // show and nobody to show it to.
        FReadingFile.reset();
        FRescanning.reset();
        outcome->Tree.reset();
        EndBusy();
        return;
    }
    if (const std::optional<std::string> folder = std::exchange(FRescanning, std::nullopt)) {
        RescanFinished(*folder, outcome);
        return;
    }
    if (const std::optional<std::string> file = std::exchange(FReadingFile, std::nullopt)) {
        ReadingFinished(*file, outcome);
        return;
    }
    if (outcome->Ok) {
        BuildResults(std::move(outcome->Tree), TResultOrigin::ThisMachine);
        return;
    }
    SetProgress(100, 0);
    if (!outcome->Err.empty())
        FServices.Messages->Error(this, Tr("Scan failed: ") + QLatin1Char('\n') +
                                            QString::fromStdString(outcome->Err));
    EndBusy();
}

void TMainWindow::ReadingFinished(const std::string& path,
                                  const std::shared_ptr<TScanOutcome>& outcome)
{
    // Stopped, also after the file was read: the current result stays, as it does when
    // the file is bad (nothing was cleared for the file).
    const bool cancelled = FScan->Context() != nullptr && FScan->Context()->IsCancelled();
    if (outcome->Ok && !cancelled) {
        FShownScanFile = path;
        BuildResults(std::move(outcome->Tree), TResultOrigin::ScanFile);
        return;
    }
    SetProgress(100, 0);
    if (!cancelled)
        FServices.Messages->Error(
            this, QString::fromStdString(Format(Translate("Cannot open the scan file %s: %s"),
                                                VisiblePathText(path), outcome->Err)));
    EndBusy();
    if (cancelled)
        SetStatus(Tr("Cancelled"));
}

void TMainWindow::BuildResults(std::unique_ptr<TScanTree> tree, TResultOrigin origin)
{
    Q_EMIT BuildingResults();
    FCommands->SetOrigin(origin);
    const TPipelineResult result = FPipeline.Run(std::move(tree), FScan->Context());
    SetProgress(100, 0);
    if (!result.Error.empty() && !FClosing)
        FServices.Messages->Error(this, QString::fromStdString(result.Error));
    EndBusy();
    ShowMeasure();
    // After EndBusy, which leaves "Ready".
    SetStatus(QString::fromStdString(result.Status));
}

void TMainWindow::RemovedFromDisk(TRemoval kind, const std::vector<std::string>& paths)
{
    const TScanResults& results = FPipeline.Results();
    const TRemovalPlan plan = PlanRemoval(results.Root(), paths);
    const QString done = QString::fromStdString(RemovalDone(kind, plan.Items, plan.Bytes));
    // A removal while results are still being built cannot edit them; the status says
    // what was done all the same.
    if (FBusy || results.Root() == nullptr) {
        SetStatus(done);
        return;
    }
    if (plan.RootRemoved) {
        ClearResults();
        SetStatus(done);
        return;
    }
    RebuildResults([&plan](TScanTree& tree) { ApplyRemoval(tree, plan); });
    SetStatus(done);
}

TPipelineResult TMainWindow::RebuildResults(const std::function<void(TScanTree&)>& edit)
{
    // What each page had selected, by path: the rebuilt pages hold other rows and nodes.
    std::array<std::vector<std::string>, 4> selected;
    for (std::size_t i = 0; i < FPages.size(); ++i)
        selected[i] = FPages[i]->SelectedPaths();
    SetBusy(true, false);
    if (QApplication::overrideCursor() == nullptr)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    const TPipelineResult result = FPipeline.Rebuild(edit, nullptr);
    SetProgress(100, 0);
    if (!result.Error.empty() && !FClosing)
        FServices.Messages->Error(this, QString::fromStdString(result.Error));
    if (result.Outcome == TPipelineResult::TOutcome::Done && !FClosing)
        for (std::size_t i = 0; i < FPages.size(); ++i)
            FPages[i]->SelectPaths(selected[i]);
    EndBusy();
    ShowMeasure();
    return result;
}

void TMainWindow::RescanFolder(const std::string& path)
{
    const TDirNode* root = Results().Root();
    if (FBusy || root == nullptr || FCommands->Origin() != TResultOrigin::ThisMachine ||
        FindEntry(root, path).Folder == nullptr)
        return;
    if (!platform::DirectoryExists(path)) {
        FolderGone(path);
        return;
    }
    const TScanChoice choice = FOptions->ReadChoice();
    if (choice.Kind == TScanChoice::TKind::Invalid) {
        FServices.Messages->Error(this, choice.Error);
        return;
    }
    // The result's own measure, so the new folder is counted as the rest of the result.
    const TScanTree& tree = *Results().Tree;
    TScanRequest request;
    request.PathToScan = path;
    FRescanning = path;
    SetBusy(true);
    if (QApplication::overrideCursor() == nullptr)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    FScan->Start(request, choice.Filters, 0,
                 {tree.HardLinks() == THardLinks::Each, tree.SizeKind() == TSizeKind::OnDisk});
}

void TMainWindow::RescanFinished(const std::string& path,
                                 const std::shared_ptr<TScanOutcome>& outcome)
{
    SetProgress(100, 0);
    const bool cancelled = FScan->Context() != nullptr && FScan->Context()->IsCancelled();
    const TDirNode* old = FindEntry(Results().Root(), path).Folder;
    if (cancelled || old == nullptr) {
        EndBusy();
        SetStatus(Tr("Cancelled"));
        return;
    }
    if (!outcome->Ok || !outcome->Tree || outcome->Tree->Root() == nullptr) {
        EndBusy();
        if (!platform::DirectoryExists(path))
            FolderGone(path);
        else if (!outcome->Err.empty())
            FServices.Messages->Error(this, Tr("Scan failed: ") + QLatin1Char('\n') +
                                                QString::fromStdString(outcome->Err));
        return;
    }
    if (old->Parent() == nullptr) { // the scanned folder itself: a whole new result
        BuildResults(std::move(outcome->Tree), TResultOrigin::ThisMachine);
        return;
    }
    std::unique_ptr<TScanTree> fresh = std::move(outcome->Tree);
    const TPipelineResult result =
        RebuildResults([&](TScanTree& tree) { tree.Graft(old, std::move(fresh)); });
    SetStatus(QString::fromStdString(result.Status));
}

void TMainWindow::FolderGone(const std::string& path)
{
    const QString text = QString::fromStdString(
        Format(Translate("%s no longer exists; it left the result."), VisiblePathText(path)));
    const std::string paths[] = {path};
    const TRemovalPlan plan = PlanRemoval(Results().Root(), paths);
    if (plan.RootRemoved)
        ClearResults();
    else
        RebuildResults([&plan](TScanTree& tree) { ApplyRemoval(tree, plan); });
    SetStatus(text);
}

void TMainWindow::UpdateRescanAction()
{
    const std::vector<TSelectedEntry> entries = FCommands->SelectedEntries();
    Action(TCommand::RescanFolder)
        ->setEnabled(!FBusy && FCommands->Origin() == TResultOrigin::ThisMachine &&
                     entries.size() == 1 && entries[0].Folder != nullptr);
}

void TMainWindow::EndBusy()
{
    QApplication::restoreOverrideCursor();
    SetBusy(false);
}

// ---------------------------------------------------------------- scan files

void TMainWindow::ChooseScanFile()
{
    if (FBusy)
        return;
    const std::optional<std::string> path =
        FServices.Files->OpenFile(this, DialogCaption(TCommand::OpenScanFile), ScanFileFilter());
    if (path)
        OpenScanFile(*path);
}

void TMainWindow::OpenScanFile(const std::string& path)
{
    // Refused while busy, as Scan is. The current result stays until the file is read.
    if (FBusy || path.empty())
        return;
    FReadingFile = path;
    SetBusy(true);
    if (QApplication::overrideCursor() == nullptr)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    FScan->StartReading(path, Measure());
}

void TMainWindow::SaveScanFile()
{
    const TDirNode* root = Results().Root();
    if (FBusy || root == nullptr)
        return;
    const std::string name = root->FullPath() == "/" || root->IsSyntheticRoot()
                                 ? std::string("scan")
                                 : std::string(root->Name());
    const std::optional<std::string> path =
        FServices.Files->SaveFile(this, DialogCaption(TCommand::SaveScanFile), ScanFileFilter(),
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
        FServices.Messages->Error(
            this, QString::fromStdString(Format(Translate("Cannot save the scan file %s: %s"),
                                                VisiblePathText(*path), e.what())));
        return;
    }
    QApplication::restoreOverrideCursor();
}

QString TMainWindow::DialogCaption(TCommand command) const
{
    // The menu item's text without its trailing dots.
    QString caption = Action(command)->text();
    while (caption.endsWith(QLatin1Char('.')) || caption.endsWith(QChar(0x2026)))
        caption.chop(1);
    return caption.trimmed();
}

QString TMainWindow::ScanFileFilter()
{
    return Tr("Scan files") + QStringLiteral(" (*.json *.json.gz *.gz);;") + Tr("All files") +
           QStringLiteral(" (*)");
}

void TMainWindow::ClearResults()
{
    FPipeline.Clear();
    ShowMeasure();
}

void TMainWindow::SetBusy(bool busy, bool stoppable)
{
    FBusy = busy;
    Action(TCommand::Scan)->setEnabled(!busy);
    Action(TCommand::Stop)->setEnabled(busy && stoppable);
    FOptions->SetBusy(busy);
    UpdateRescanAction();
    if (!busy) {
        SetProgress(100, 0);
        SetStatus(Tr("Ready"));
    }
}

// ---------------------------------------------------------------- status line

QString TMainWindow::StatusText() const
{
    return FStatus->text();
}

QString TMainWindow::MeasureText() const
{
    return FMeasure->text();
}

void TMainWindow::SetStatus(const QString& text)
{
    FStatus->setText(text);
}

void TMainWindow::SetProgress(qint64 maximum, qint64 position)
{
    if (maximum <= 0) {
        FProgress->setRange(0, 0); // a busy indicator
        return;
    }
    // The bar counts in int: scale very large counts down.
    const qint64 scale = maximum / std::numeric_limits<int>::max() + 1;
    FProgress->setRange(0, static_cast<int>(maximum / scale));
    FProgress->setValue(static_cast<int>(position / scale));
}

void TMainWindow::UpdateSelectionStatus()
{
    SetStatus(Page(CurrentPage())->SelectionStatus());
}

// ---------------------------------------------------------------- pages and window

TPageIndex TMainWindow::CurrentPage() const
{
    return static_cast<TPageIndex>(FTabs->currentIndex());
}

void TMainWindow::ShowPage(TPageIndex page)
{
    FTabs->setCurrentIndex(static_cast<int>(page));
}

void TMainWindow::PageChanged()
{
    // Rebuilds nothing and keeps the status line: each page keeps its content.
    FActions->PageActions()[FTabs->currentIndex()]->setChecked(true);
    UpdateRescanAction();
}

void TMainWindow::OpenWebPath(const QString& path)
{
    FServices.Shell->OpenWebPage(QLatin1String(HARROWDALE_WEBSITE) + path);
}

void TMainWindow::ShowAbout()
{
    const QString host = QUrl(QLatin1String(HARROWDALE_WEBSITE)).host();
    const QString text =
        QStringLiteral("Harrowdale\n%1 %2\n\n%3\n%4 %5\n\n%6\n\n%7 %8 %9")
            .arg(Tr("Version:"), QLatin1String(kVersion),
                 Tr("Free software under the GNU General Public License, version 3 or later "
                    "(GPL-3.0-or-later)."),
                 Tr("Website:"), host,
                 Tr("This program is provided as is, without warranty of any kind. "
                    "Deleting files cannot be undone; check your selection first."))
            .arg(QString::number(QDate::currentDate().year()),
                 QStringLiteral("The Harrowdale developers."), Tr("Thank you for using it."));
    FServices.Messages->Info(this, QStringLiteral("Harrowdale"), text);
}

void TMainWindow::ApplyTranslation()
{
    // Qt's own texts and the calendar's names follow the language picked, not the system's.
    const std::string code = ShownLanguageCode();
    ApplyQtLanguage(code);
    setLocale(LocaleOfLanguage(code));
    // The status line, rows and nodes keep their texts until they are filled again.
    FActions->ApplyTranslation();
    FOptions->ApplyTranslation();
    ShowMeasure();
    const char* captions[] = {"Files in Folders", "Only Files", "Only Folders", "Duplicates"};
    for (std::size_t i = 0; i < FPages.size(); ++i) {
        FTabs->setTabText(static_cast<int>(i), Tr(captions[i]));
        FPages[i]->ApplyTranslation();
    }
}

bool TMainWindow::ScanTaskEnded(int timeoutMs) const
{
    return FScan->TaskEnded(std::chrono::milliseconds(timeoutMs));
}

// ---------------------------------------------------------------- settings

namespace {

// The settings group of each page's column widths, in tab order.
constexpr const char* kPageGroups[] = {"FilesInFolders", "OnlyFiles", "OnlyFolders", "Duplicates"};

void InGroup(QSettings& store, const QString& group, const std::function<void()>& act)
{
    store.beginGroup(group);
    act();
    store.endGroup();
}

QString ColumnsGroup(std::size_t page)
{
    return QStringLiteral("Columns/") + QLatin1String(kPageGroups[page]);
}

} // namespace

void TMainWindow::SaveSettings() const
{
    QSettings store = SettingsStore();
    InGroup(store, QStringLiteral("Window"), [&] {
        store.setValue(QStringLiteral("Geometry"), saveGeometry());
        store.setValue(QStringLiteral("State"), saveState());
        store.setValue(QStringLiteral("ShowToolbar"), Action(TCommand::ShowToolbar)->isChecked());
        store.setValue(QStringLiteral("Page"), FTabs->currentIndex());
    });
    InGroup(store, QStringLiteral("Scan"), [&] { FOptions->SaveState(store); });
    for (std::size_t i = 0; i < FPages.size(); ++i)
        InGroup(store, ColumnsGroup(i), [&] { FPages[i]->SaveColumns(store); });
}

bool TMainWindow::RestoreSettings()
{
    FRemembers = true;
    QSettings store = SettingsStore();
    bool placed = false;
    InGroup(store, QStringLiteral("Window"), [&] {
        placed = restoreGeometry(store.value(QStringLiteral("Geometry")).toByteArray());
        restoreState(store.value(QStringLiteral("State")).toByteArray());
        const QVariant toolbar = store.value(QStringLiteral("ShowToolbar"));
        if (toolbar.isValid() && toolbar.toBool() != Action(TCommand::ShowToolbar)->isChecked())
            Action(TCommand::ShowToolbar)->trigger();
        bool ok = false;
        const int page = store.value(QStringLiteral("Page")).toInt(&ok);
        if (ok && page >= 0 && page < FTabs->count())
            ShowPage(static_cast<TPageIndex>(page));
    });
    InGroup(store, QStringLiteral("Scan"), [&] { FOptions->RestoreState(store); });
    for (std::size_t i = 0; i < FPages.size(); ++i)
        InGroup(store, ColumnsGroup(i), [&] { FPages[i]->RestoreColumns(store); });
    return placed;
}

void TMainWindow::closeEvent(QCloseEvent* event)
{
    if (FRemembers)
        SaveSettings();
    // No question, also not while a scan runs: the scan (or the result build) is cancelled,
    // and whatever it still reports is dropped unseen.
    FClosing = true;
    FScan->Cancel();
    if (FPipeline.IsRunning())
        FPipeline.Clear(); // a rebuild after a removal runs without a scan to cancel
    event->accept();
}

} // namespace harrowdale::ui
