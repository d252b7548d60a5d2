#include "ui/MainWindow.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileSystem.h"
#include "scan/ScanControl.h"
#include "ui/AboutText.h"
#include "ui/ChangeColumn.h"
#include "ui/DuplicatesPage.h"
#include "ui/FileCommands.h"
#include "ui/FilesInFoldersPage.h"
#include "ui/FindPanel.h"
#include "ui/HistoryRecorder.h"
#include "ui/OnlyFilesPage.h"
#include "ui/OnlyFoldersPage.h"
#include "ui/QtLanguage.h"
#include "ui/RemoteFolders.h"
#include "ui/ResultSession.h"
#include "ui/ScanInvite.h"
#include "ui/ScanOptionsPanel.h"
#include "ui/Settings.h"
#include "ui/TreemapCanvas.h"
#include "ui/text/ChangeText.h"
#include "ui/text/DisplayFormat.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <functional>
#include <limits>

namespace harrowdale::ui {

namespace {

constexpr const char* kVersion = HARROWDALE_VERSION;

} // namespace

TMainWindow::TMainWindow(TUiServices services, QWidget* parent)
    : QMainWindow(parent), FServices(std::move(services))
{
    setWindowTitle(QStringLiteral("Harrowdale %1").arg(QLatin1String(kVersion)));
    resize(1333, kWindowDesignHeight);

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

    FSession = std::make_unique<TResultSession>(FServices, *FActions, *FOptions, this);
    FTabs = new QTabWidget(central);
    IShell& shell = *FServices.Shell;
    const TScanResults& results = FSession->Results();
    FFilesInFolders = new TFilesInFoldersPage(results, shell, FTabs);
    FOnlyFiles = new TOnlyFilesPage(results, shell, FTabs);
    FOnlyFolders = new TOnlyFoldersPage(results, shell, FTabs);
    FDuplicates = new TDuplicatesPage(results, shell, FTabs);
    FPages = {FFilesInFolders, FOnlyFiles, FOnlyFolders, FDuplicates};
    for (TResultPage* page : FPages) {
        FTabs->addTab(page, QString());
        FSession->AddPage(*page);
        connect(page, &TResultPage::StatusText, this, &TMainWindow::SetStatus);
        connect(page, &TResultPage::SelectionStatusChanged, this,
                &TMainWindow::UpdateSelectionStatus);
    }
    connect(FTabs, &QTabWidget::currentChanged, this, &TMainWindow::PageChanged);
    layout->addWidget(FTabs, 1);
    CreateStatusLine(central);
    setCentralWidget(central);

    TResultSession* session = FSession.get();
    connect(session, &TResultSession::StatusChanged, this, &TMainWindow::SetStatus);
    connect(session, &TResultSession::ProgressChanged, this, &TMainWindow::SetProgress);
    connect(session, &TResultSession::BusyChanged, this, &TMainWindow::BusyChanged);
    connect(session, &TResultSession::ResultChanged, this, &TMainWindow::ShowResult);
    connect(session, &TResultSession::ResultKept, this, [this] { SetStatus(FIdleStatus); });
    connect(session, &TResultSession::BuildingResults, this, &TMainWindow::BuildingResults);
    connect(session, &TResultSession::ComparisonChanged, this, &TMainWindow::ShowResult);
    FCommands = new TFileCommands(
        FServices, results, [this] { return Page(CurrentPage()); }, this);
    FCommands->Connect(*FActions);
    FSession->UseCommands(*FCommands);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    for (TResultPage* page : FPages) {
        page->AddCommandActions(FActions->FileCommandActions());
        page->AddCommandActions({separator, Action(TCommand::RescanFolder)});
        // Some selection changes in a page make no status of their own (rows taken out,
        // rows following the extension list): the commands follow the views themselves.
        for (QTreeView* view : {page->MainView(), page->SideList()}) {
            connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    &TMainWindow::ScheduleCommandStates);
            connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                    &TMainWindow::ScheduleCommandStates);
        }
        connect(page, &TResultPage::SelectionStatusChanged, this,
                &TMainWindow::UpdateCommandStates);
        connect(page, &TResultPage::StatusText, this, &TMainWindow::ScheduleCommandStates);
    }
    FCommandStates.setSingleShot(true);
    FCommandStates.setInterval(0);
    connect(&FCommandStates, &QTimer::timeout, this, &TMainWindow::UpdateCommandStates);
    FDuplicates->AddSelectAllButOne(Action(TCommand::SelectAllButOne));
    FFind = new TFindPanel(results, this);
    addDockWidget(Qt::RightDockWidgetArea, FFind);
    FFind->hide();
    FSession->AddView(*FFind);
    FFind->SetPage(FFilesInFolders);
    FFind->AddCommandActions(FActions->FileCommandActions());
    for (TResultPage* page : FPages) {
        page->AddZoomActions(ZoomActions());
        if (TMapZoom* zoom = page->Zoom())
            connect(zoom, &TMapZoom::Moved, this, &TMainWindow::UpdateCommandStates);
    }
    ConnectCommands();
    SetTabOrder();

    std::vector<TTreemapCanvas*> canvases;
    for (TResultPage* page : FPages)
        canvases.push_back(page->Canvas());
    FInvite = new TScanInvite(Action(TCommand::Scan), canvases, this);
    BusyChanged(false, true);
    SetProgress(100, 0);
    SetStatus(Tr("Ready"));
    FActions->BuildLanguageMenu();
    connect(FActions, &TWindowActions::LanguageChanged, this, &TMainWindow::ApplyTranslation);
    ApplyTranslation();
}

TMainWindow::~TMainWindow()
{
    // The session stops its task and empties every page before it frees the results.
    FSession.reset();
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
    FChangeLegend = new QLabel(panel);
    FChangeLegend->setTextFormat(Qt::RichText);
    FChangeLegend->hide();
    row->addWidget(FStatus, 1);
    row->addWidget(FChangeLegend);
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

void TMainWindow::MapLookSwitched()
{
    const TMapLook look{Action(TCommand::ShowNamesOnMap)->isChecked(),
                        Action(TCommand::ShowCushions)->isChecked()};
    SaveMapLook(look);
    for (TResultPage* page : FPages)
        page->SetMapLook(look);
}

void TMainWindow::ConnectCommands()
{
    auto on = [this](TCommand command, auto&& run) {
        connect(Action(command), &QAction::triggered, this, std::forward<decltype(run)>(run));
    };
    TResultSession* session = FSession.get();
    on(TCommand::Scan, [session] { session->Scan(); });
    on(TCommand::Stop, [session] { session->Stop(); });
    on(TCommand::RescanFolder, [this] {
        const std::vector<TSelectedEntry> entries = FCommands->SelectedEntries();
        if (entries.size() == 1 && entries[0].Folder != nullptr)
            FSession->RescanFolder(entries[0].Path);
    });
    on(TCommand::Exit, [this] { close(); });
    on(TCommand::Find, [this] { FFind->Open(); });
    auto onZoom = [&](TCommand command, void (TMapZoom::*act)()) {
        on(command, [this, act] {
            if (TMapZoom* zoom = Page(CurrentPage())->Zoom())
                (zoom->*act)();
        });
    };
    onZoom(TCommand::ZoomIn, &TMapZoom::ZoomIn);
    onZoom(TCommand::ZoomOut, &TMapZoom::ZoomOut);
    onZoom(TCommand::Back, &TMapZoom::GoBack);
    onZoom(TCommand::Forward, &TMapZoom::GoForward);
    on(TCommand::OpenScanFile, [session] { session->ChooseScanFile(); });
    on(TCommand::ScanRemoteFolder, [session] { session->ChooseRemoteFolder(); });
    on(TCommand::SaveScanFile, [session] { session->SaveScanFile(); });
    Action(TCommand::KeepHistory)->setChecked(KeepScanHistory());
    connect(Action(TCommand::KeepHistory), &QAction::toggled, this,
            [](bool on) { SetKeepScanHistory(on); });
    on(TCommand::CompareWith, [session] { session->ChooseComparison(); });
    on(TCommand::LeaveComparison, [session] { session->LeaveComparison(); });
    on(TCommand::ShowGone, [session] { session->ShowGoneList(); });
    Action(TCommand::ColourByChange)->setChecked(SavedColourByChange());
    on(TCommand::ColourByChange, [this] {
        SaveColourByChange(Action(TCommand::ColourByChange)->isChecked());
        ShowResult();
    });
    on(TCommand::ClearHistory,
       [this, session] { session->History().Clear(this, *FServices.Messages); });
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
    on(TCommand::CountEveryHardLink, [session] { session->MeasureSwitched(); });
    on(TCommand::SizeOnDisk, [session] { session->MeasureSwitched(); });
    const bool byContent = SavedDuplicateGrouping() == TDupGrouping::Content;
    Action(byContent ? TCommand::DuplicatesByContent : TCommand::DuplicatesByName)
        ->setChecked(true);
    on(TCommand::DuplicatesByName, [session] { session->DuplicateGroupingSwitched(); });
    on(TCommand::DuplicatesByContent, [session] { session->DuplicateGroupingSwitched(); });
    const TMapLook look = SavedMapLook();
    Action(TCommand::ShowNamesOnMap)->setChecked(look.Names);
    Action(TCommand::ShowCushions)->setChecked(look.Cushions);
    for (TResultPage* page : FPages)
        page->SetMapLook(look);
    on(TCommand::ShowNamesOnMap, [this] { MapLookSwitched(); });
    on(TCommand::ShowCushions, [this] { MapLookSwitched(); });
    on(TCommand::VisitWebsite, [this] { OpenWebPath(QString()); });
    on(TCommand::ContactUs, [this] { OpenWebPath(QStringLiteral("/support.html")); });
    on(TCommand::Tutorial,
       [this] { OpenWebPath(QStringLiteral("/redirect/tutorial-harrowdale.html")); });
    const QList<QAction*> pages = FActions->PageActions();
    for (int i = 0; i < pages.size(); ++i)
        connect(pages[i], &QAction::triggered, this,
                [this, i] { ShowPage(static_cast<TPageIndex>(i)); });
}

// ---------------------------------------------------------------- busy state

void TMainWindow::BusyChanged(bool busy, bool stoppable)
{
    // What the status line said of the result shown, for when a scan file cannot replace it.
    if (busy && Action(TCommand::Scan)->isEnabled())
        FIdleStatus = FStatus->text();
    if (busy)
        FInvite->Dismiss();
    Action(TCommand::Scan)->setEnabled(!busy);
    Action(TCommand::Stop)->setEnabled(busy && stoppable);
    FOptions->SetBusy(busy);
    UpdateCommandStates();
}

void TMainWindow::ScheduleCommandStates()
{
    FCommandStates.start();
}

void TMainWindow::UpdateCommandStates()
{
    // Commands with nothing to act on are off. Removal waits while results are built: the
    // result cannot take it in until then.
    FCommandStates.stop();
    const bool busy = IsBusy();
    const std::vector<TSelectedEntry> entries =
        Results().Root() != nullptr ? FCommands->SelectedEntries() : std::vector<TSelectedEntry>();
    for (const TCommand c :
         {TCommand::Open, TCommand::CopyPaths, TCommand::Reveal, TCommand::Properties,
          TCommand::MoveToTrash, TCommand::DeletePermanently}) {
        const bool removes = c == TCommand::MoveToTrash || c == TCommand::DeletePermanently;
        Action(c)->setEnabled(!entries.empty() && !(removes && busy));
    }
    Action(TCommand::RescanFolder)
        ->setEnabled(!busy && FSession->Origin() == TResultOrigin::ThisMachine &&
                     entries.size() == 1 && entries[0].Folder != nullptr);
    Action(TCommand::OpenScanFile)->setEnabled(!busy);
    Action(TCommand::ScanRemoteFolder)->setEnabled(!busy);
    Action(TCommand::SaveScanFile)->setEnabled(!busy && Results().Root() != nullptr);
    Action(TCommand::CompareWith)
        ->setEnabled(!busy && Results().Root() != nullptr && !Results().Root()->IsSyntheticRoot());
    Action(TCommand::LeaveComparison)->setEnabled(!busy && FSession->Compared() != nullptr);
    Action(TCommand::ShowGone)->setEnabled(FSession->Compared() != nullptr);
    TMapZoom::ShowStates(ZoomActions(), busy ? nullptr : Page(CurrentPage())->Zoom());
}

TZoomActions TMainWindow::ZoomActions() const
{
    return {Action(TCommand::ZoomIn), Action(TCommand::ZoomOut), Action(TCommand::Back),
            Action(TCommand::Forward)};
}

void TMainWindow::ShowResult()
{
    FMeasure->setText(FSession->MeasureText());
    ShowChangeColours();
    UpdateCommandStates();
    // The title says what is shown: the scanned folder, or the scan file and its date.
    const QString program = QStringLiteral("Harrowdale %1").arg(QLatin1String(kVersion));
    const TDirNode* root = Results().Root();
    if (root == nullptr) {
        setWindowTitle(program);
        return;
    }
    QString shown;
    if (!FSession->ShownRemote().empty()) {
        shown = DisplayText(RemoteTargetsText(FSession->ShownRemote()));
    } else if (FSession->Origin() == TResultOrigin::ScanFile &&
               !FSession->ShownScanFile().empty()) {
        // Several files read as one are named one after the other.
        std::string name;
        for (const std::string& file : FSession->ShownScanFiles())
            name += (name.empty() ? "" : ", ") + file.substr(file.find_last_of('/') + 1);
        const std::int64_t written = FSession->ShownWrittenAt();
        shown = QString::fromStdString(
            written > 0 ? Format(Translate("%s (scan file of %s)"), VisiblePathText(name),
                                 FormatDateText(FileTimeToLocalDateTime(
                                     platform::UnixTimeToTicks(written, 0))))
                        : Format(Translate("%s (scan file)"), VisiblePathText(name)));
    } else {
        shown = root->IsSyntheticRoot() ? Tr("All Drives") : DisplayText(root->FullPath());
    }
    // Comparing: both scans, the older first.
    if (const TComparedScans* compared = FSession->Compared()) {
        auto date = [](std::int64_t time) {
            return time > 0 ? ScanDateText(time) : Translate("unknown date");
        };
        shown = QString::fromStdString(
            Format(Translate("%s: %s \u2192 %s"), VisiblePathText(root->FullPath()),
                   date(compared->OlderTime), date(compared->NewerTime)));
    }
    setWindowTitle(shown + QStringLiteral(" - ") + program);
}

void TMainWindow::ShowChangeColours()
{
    const bool on =
        FSession->Compared() != nullptr && Action(TCommand::ColourByChange)->isChecked();
    for (TResultPage* page : FPages)
        page->ColourByChange(on);
    if (on) {
        QString legend;
        for (const auto& [state, text] :
             {std::pair{TChangeState::Grown, "grown"}, std::pair{TChangeState::Shrunk, "shrunk"},
              std::pair{TChangeState::New, "new"}, std::pair{TChangeState::Same, "unchanged"}})
            legend += QStringLiteral("<span style=\"color:%1\">\u25A0</span>&nbsp;%2&nbsp;&nbsp; ")
                          .arg(ChangeColor(state).name(), Tr(text).toHtmlEscaped());
        FChangeLegend->setText(legend);
    }
    FChangeLegend->setVisible(on);
}

void TMainWindow::ScanFolder(const std::string& path)
{
    // "harrowdale ." shows and scans the folder itself, not the dot.
    FOptions->ChoosePathBytes(NormalizeScanPath(path));
    FSession->Scan();
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
    if (FFind != nullptr)
        FFind->SetPage(Page(CurrentPage()));
    UpdateCommandStates();
    // The status line names the selection the commands act on, that of the page shown.
    if (!IsBusy() && Results().Root() != nullptr)
        UpdateSelectionStatus();
}

void TMainWindow::OpenWebPath(const QString& path)
{
    FServices.Shell->OpenWebPage(QLatin1String(HARROWDALE_WEBSITE) + path);
}

void TMainWindow::ShowAbout()
{
    FServices.Messages->Info(this, QStringLiteral("Harrowdale"),
                             AboutText(HARROWDALE_UPDATE_CHECK != 0));
}

void TMainWindow::ApplyTranslation()
{
    // Qt's own texts and the calendar's names follow the language picked, not the system's.
    const std::string code = ShownLanguageCode();
    ApplyQtLanguage(code);
    setLocale(LocaleOfLanguage(code));
    // Rows and nodes keep their texts until they are filled again.
    FActions->ApplyTranslation();
    FOptions->ApplyTranslation();
    ShowResult();
    const char* captions[] = {"Files in Folders", "Only Files", "Only Folders", "Duplicates"};
    for (std::size_t i = 0; i < FPages.size(); ++i) {
        FTabs->setTabText(static_cast<int>(i), Tr(captions[i]));
        FPages[i]->ApplyTranslation();
    }
    FInvite->ApplyTranslation(); // over the pages' placeholders
    FFind->ApplyTranslation();
    // The status line is written again in the new language: it names the selection of
    // the page shown. A running scan or build rewrites it with its next step anyway.
    if (!IsBusy())
        UpdateSelectionStatus();
}

bool TMainWindow::ScanTaskEnded(int timeoutMs) const
{
    return FSession->TaskEnded(timeoutMs);
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
    FSession->Close();
    event->accept();
}

} // namespace harrowdale::ui
