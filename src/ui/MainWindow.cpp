#include "ui/MainWindow.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/LanguageSettings.h"
#include "ui/ListModels.h"
#include "ui/ScanJob.h"
#include "ui/SwatchDelegate.h"
#include "ui/ToolbarIcons.h"
#include "ui/TreeModels.h"
#include "ui/TreemapCanvas.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace harrowdale::ui {

namespace {

constexpr const char* kVersion = HARROWDALE_VERSION;

QToolButton* MakeToolButton(QWidget* parent, const char* picture)
{
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setFixedSize(60, 41);
    b->setIconSize(QSize(35, 35));
    b->setIcon(ToolbarIcon(picture));
    return b;
}

QTreeView* MakeList(QWidget* parent, bool multi = true)
{
    auto* v = new QTreeView(parent);
    v->setRootIsDecorated(false);
    v->setUniformRowHeights(true);
    v->setAllColumnsShowFocus(true);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                              : QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->header()->setStretchLastSection(false);
    return v;
}

QTreeView* MakeTree(QWidget* parent, bool multi)
{
    auto* v = new QTreeView(parent);
    v->setHeaderHidden(true);
    v->setUniformRowHeights(true);
    v->setIndentation(19);
    v->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                              : QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return v;
}

} // namespace

QString TfrmMain::T(const char* english) const
{
    return QString::fromStdString(Translate(english));
}

TfrmMain::TfrmMain(TUiServices services, QWidget* parent)
    : QMainWindow(parent), FServices(std::move(services))
{
    setWindowTitle(QStringLiteral("Harrowdale %1").arg(QLatin1String(kVersion)));
    resize(1333, 720);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pnlTop = new QWidget(central);
    auto* topLayout = new QVBoxLayout(pnlTop);
    topLayout->setContentsMargins(8, 8, 8, 4);
    CreateToolbar(pnlTop);
    CreateSourceAndFilters(pnlTop);
    layout->addWidget(pnlTop);
    PageControl1 = new QTabWidget(central);
    layout->addWidget(PageControl1, 1);
    CreatePages();
    CreateStatusLine(central);
    setCentralWidget(central);
    CreateMenus();

    FUITimer = new QTimer(this);
    FUITimer->setInterval(120);
    connect(FUITimer, &QTimer::timeout, this, &TfrmMain::UITimerTick);

    FillPathCombo();
    UpdateSourceControls();
    SetUpLists();
    SetUpCanvases();
    SetUpSelectionSync();
    SetUpCommands();
    SetBusy(false);
    UpdateFilterControls();
    ApplyListWidths();
    BuildLanguageMenu();
    ApplyTranslation();
}

TfrmMain::~TfrmMain()
{
    FAppClosing = true;
    FUITimer->stop();
    if (FJob) {
        FJob->Context.Cancel();
        // A task still running after the wait finds itself detached and never reaches
        // this window again; it frees its own tree.
        FJob->WaitFinished(std::chrono::milliseconds(2000));
        FJob->Detach();
    }
    // Views refer into the tree: empty them before it goes.
    FFilesModel->Clear();
    FExtModel->Clear();
    FFileExtModel->Clear();
    FFolderTreeModel->SetRoot(nullptr);
    FFilesTreeModel->SetRoot(nullptr);
    FDupTreeModel->SetGroups(nullptr);
    FDupGroupsModel->SetGroups(nullptr);
    FTopFoldersModel->Clear();
    FTreemap.Clear();
    FHierMap.Clear();
    FFolderMap.Clear();
    FDupeMap.Clear();
    FDupes.Clear();
}

void TfrmMain::CreateToolbar(QWidget* parent)
{
    auto* row = new QHBoxLayout();
    row->setSpacing(0);
    btnScan = MakeToolButton(parent, "scan");
    btnStop = MakeToolButton(parent, "stop");
    btnOpen = MakeToolButton(parent, "open-file");
    btnCopyPath = MakeToolButton(parent, "clipboard");
    btnOpenExplorer = MakeToolButton(parent, "open-folder");
    btnShowProperties = MakeToolButton(parent, "file-properties");
    btnRemoveToRecycleBin = MakeToolButton(parent, "recycle");
    btnRemove = MakeToolButton(parent, "delete-file");
    btnWEbsite = MakeToolButton(parent, "domain");
    btnAbout = MakeToolButton(parent, "info (2)");
    for (QToolButton* b : {btnScan, btnStop, btnOpen, btnCopyPath, btnOpenExplorer,
                           btnShowProperties, btnRemoveToRecycleBin, btnRemove})
        row->addWidget(b);
    row->addStretch(1);
    row->addWidget(btnWEbsite);
    row->addWidget(btnAbout);
    static_cast<QVBoxLayout*>(parent->layout())->addLayout(row);

    connect(btnScan, &QToolButton::clicked, this, &TfrmMain::btnScanClick);
    connect(btnStop, &QToolButton::clicked, this, &TfrmMain::btnStopClick);
    connect(btnWEbsite, &QToolButton::clicked, this, [this] { OpenWebPath(QString()); });
    connect(btnAbout, &QToolButton::clicked, this, &TfrmMain::btnAboutClick);
}

void TfrmMain::CreateSourceAndFilters(QWidget* parent)
{
    auto* row = new QHBoxLayout();
    gbSource = new QGroupBox(parent);
    auto* s = new QHBoxLayout(gbSource);
    rbAllDrives = new QRadioButton(gbSource);
    rbCustomPath = new QRadioButton(gbSource);
    cmbCustomPath = new QComboBox(gbSource);
    cmbCustomPath->setEditable(true);
    cmbCustomPath->setMinimumWidth(160);
    btnBrowse = new QToolButton(gbSource);
    btnBrowse->setToolButtonStyle(Qt::ToolButtonTextOnly);
    rbAllDrives->setChecked(true);
    s->addWidget(rbAllDrives);
    s->addWidget(rbCustomPath);
    s->addWidget(cmbCustomPath, 1);
    s->addWidget(btnBrowse);
    gbSource->setFixedWidth(470);

    gbFilters = new QGroupBox(parent);
    auto* f = new QHBoxLayout(gbFilters);
    chModifiedBefore = new QCheckBox(gbFilters);
    dtpDate = new QDateTimeEdit(QDateTime(QDate(2026, 1, 14), QTime(0, 4, 41)), gbFilters);
    dtpDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpDate->setCalendarPopup(true);
    chLessThan = new QCheckBox(gbFilters);
    edtLessThan = new QLineEdit(QStringLiteral("1"), gbFilters);
    edtLessThan->setMaximumWidth(80);
    cbSizeUnits = new QComboBox(gbFilters);
    cbSizeUnits->addItems({QStringLiteral("Bytes"), QStringLiteral("KB"), QStringLiteral("MB"),
                           QStringLiteral("GB"), QStringLiteral("TB")});
    cbSizeUnits->setCurrentIndex(0);
    chPattern = new QCheckBox(gbFilters);
    edtPattern = new QLineEdit(QStringLiteral("*.jpg;*somefilename*"), gbFilters);
    for (QWidget* w : std::initializer_list<QWidget*>{chModifiedBefore, dtpDate, chLessThan,
                                                      edtLessThan, cbSizeUnits, chPattern})
        f->addWidget(w);
    f->addWidget(edtPattern, 1);

    row->addWidget(gbSource);
    row->addWidget(gbFilters, 1);
    static_cast<QVBoxLayout*>(parent->layout())->addLayout(row);

    connect(rbAllDrives, &QRadioButton::toggled, this, &TfrmMain::UpdateSourceControls);
    connect(rbCustomPath, &QRadioButton::toggled, this, &TfrmMain::UpdateSourceControls);
    connect(btnBrowse, &QToolButton::clicked, this, &TfrmMain::btnBrowseClick);
    connect(chModifiedBefore, &QCheckBox::toggled, this, &TfrmMain::UpdateFilterControls);
    connect(chLessThan, &QCheckBox::toggled, this, &TfrmMain::UpdateFilterControls);
    connect(chPattern, &QCheckBox::toggled, this, &TfrmMain::UpdateFilterControls);
}

void TfrmMain::CreatePages()
{
    struct PageParts
    {
        TTreemapCanvas*& Canvas;
        QWidget*& Lower;
        QTreeView*& Main;
        QTreeView*& Right;
        int LowerHeight;
    };
    QWidget* lower0 = nullptr;
    QWidget* lower1 = nullptr;
    QWidget* lower2 = nullptr;
    QWidget* lower3 = nullptr;
    tvFoldersAndFiles = MakeTree(nullptr, true);
    tvFileExtensions = MakeList(nullptr);
    lvFiles = MakeList(nullptr);
    lvExt = MakeList(nullptr);
    tvFolders = MakeTree(nullptr, false);
    lvFilesOfSelectedFolder = MakeList(nullptr);
    tvDuplicateFiles = MakeTree(nullptr, true);
    lvDuplicateGroupsColors = MakeList(nullptr);
    PageParts pages[] = {
        {PaintBox3, lower0, tvFoldersAndFiles, tvFileExtensions, 303},
        {PaintBox1, lower1, lvFiles, lvExt, 303},
        {PaintBox2, lower2, tvFolders, lvFilesOfSelectedFolder, 291},
        {PaintBox4, lower3, tvDuplicateFiles, lvDuplicateGroupsColors, 303},
    };
    for (PageParts& p : pages) {
        auto* split = new QSplitter(Qt::Vertical, PageControl1);
        p.Canvas = new TTreemapCanvas(split);
        auto* lower = new QSplitter(Qt::Horizontal, split);
        lower->setHandleWidth(6);
        p.Main->setParent(lower);
        p.Right->setParent(lower);
        lower->addWidget(p.Main);
        lower->addWidget(p.Right);
        lower->setStretchFactor(0, 1);
        split->addWidget(p.Canvas);
        split->addWidget(lower);
        split->setStretchFactor(0, 1);
        split->setSizes({400, p.LowerHeight});
        p.Lower = lower;
        PageControl1->addTab(split, QString());
    }
    Panel2 = lower0;
    pnlBottom1 = lower1;
    pnlBottom2 = lower2;
    Panel3 = lower3;
    // The lists' widths follow their panel, which is resized after the window itself.
    for (QWidget* panel : {Panel2, pnlBottom1, pnlBottom2, Panel3})
        panel->installEventFilter(this);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TfrmMain::PageControl1Change);
}

void TfrmMain::CreateStatusLine(QWidget* parent)
{
    auto* panStatus = new QWidget(parent);
    panStatus->setFixedHeight(27);
    auto* row = new QHBoxLayout(panStatus);
    row->setContentsMargins(6, 0, 6, 0);
    lblStatus = new QLabel(panStatus);
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    pb = new QProgressBar(panStatus);
    pb->setFixedSize(314, 16);
    pb->setTextVisible(false);
    row->addWidget(lblStatus, 1);
    row->addWidget(pb);
    static_cast<QVBoxLayout*>(parent->layout())->addWidget(panStatus);
}

void TfrmMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    File1 = bar->addMenu(QString());
    Open1 = File1->addAction(QString());
    CopyPath1 = File1->addAction(QString());
    OpeninExplorer1 = File1->addAction(QString());
    ShowProperties1 = File1->addAction(QString());
    File1->addSeparator();
    RemovetoRecycleBin1 = File1->addAction(QString());
    RemoveCompletely1 = File1->addAction(QString());
    File1->addSeparator();
    Exit1 = File1->addAction(QString());
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    Run1 = bar->addMenu(QString());
    Scan1 = Run1->addAction(QString());
    Stop1 = Run1->addAction(QString());
    Stop1->setEnabled(false);
    connect(Scan1, &QAction::triggered, this, &TfrmMain::btnScanClick);
    connect(Stop1, &QAction::triggered, this, &TfrmMain::btnStopClick);

    View1 = bar->addMenu(QString());
    Mode1 = View1->addMenu(QString());
    FModeGroup = new QActionGroup(this);
    QAction** modes[] = {&FilesinFolders1, &OnlyFiles1, &OnlyFolders1, &Duplicates1};
    for (int i = 0; i < 4; ++i) {
        QAction* a = Mode1->addAction(QString());
        a->setCheckable(true);
        FModeGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { SelectPage(i); });
        *modes[i] = a;
    }
    FilesinFolders1->setChecked(true);
    View1->addSeparator();
    ShowToolbar1 = View1->addAction(QString());
    ShowToolbar1->setCheckable(true);
    ShowToolbar1->setChecked(true);
    connect(ShowToolbar1, &QAction::triggered, this, &TfrmMain::ShowToolbar1Click);
    View1->addSeparator();
    mmLanguage = View1->addMenu(QString());

    Help1 = bar->addMenu(QString());
    utorial1 = Help1->addAction(QString());
    Help1->addSeparator();
    ContactUs1 = Help1->addAction(QString());
    VisitWebsite1 = Help1->addAction(QString());
    Help1->addSeparator();
    About1 = Help1->addAction(QString());
    connect(utorial1, &QAction::triggered, this,
            [this] { OpenWebPath(QStringLiteral("/redirect/tutorial-harrowdale.html")); });
    connect(ContactUs1, &QAction::triggered, this,
            [this] { OpenWebPath(QStringLiteral("/support.html")); });
    connect(VisitWebsite1, &QAction::triggered, this, [this] { OpenWebPath(QString()); });
    connect(About1, &QAction::triggered, this, &TfrmMain::btnAboutClick);
}

void TfrmMain::SetColumns(QTreeView* view, const std::vector<int>& widths)
{
    // Widths are logical pixels at 96 dpi, scaled to the screen.
    const int dpi = logicalDpiX();
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int w = widths[i] * dpi / 96;
        if (w == 0)
            view->setColumnHidden(static_cast<int>(i), true);
        else
            view->setColumnWidth(static_cast<int>(i), w);
    }
}

void TfrmMain::SetUpLists()
{
    FFilesModel = new TLargestFilesModel(this);
    lvFiles->setModel(FFilesModel);
    SetColumns(lvFiles, {220, 320, 95, 90, 145, 0});

    FExtModel = new TExtListModel(true, this);
    lvExt->setModel(FExtModel);
    lvExt->setItemDelegate(new TSwatchDelegate(1, lvExt));
    SetColumns(lvExt, {120, 70, 120, 90, 80});

    FFileExtModel = new TExtListModel(false, this);
    tvFileExtensions->setModel(FFileExtModel);
    tvFileExtensions->setItemDelegate(new TSwatchDelegate(1, tvFileExtensions));
    SetColumns(tvFileExtensions, {120, 70, 120, 70});

    FFolderTreeModel = new TFolderTreeModel(this);
    tvFolders->setModel(FFolderTreeModel);
    connect(tvFolders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { tvFoldersChange(current); });

    FTopFoldersModel = new TTopFoldersModel(this);
    lvFilesOfSelectedFolder->setModel(FTopFoldersModel);
    lvFilesOfSelectedFolder->setItemDelegate(new TSwatchDelegate(1, lvFilesOfSelectedFolder));
    SetColumns(lvFilesOfSelectedFolder, {220, 70, 110, 80, 70});

    FFilesTreeModel = new TFilesTreeModel(this);
    tvFoldersAndFiles->setModel(FFilesTreeModel);

    FDupTreeModel = new TDupTreeModel(this);
    tvDuplicateFiles->setModel(FDupTreeModel);

    FDupGroupsModel = new TDupGroupsModel(this);
    lvDuplicateGroupsColors->setModel(FDupGroupsModel);
    lvDuplicateGroupsColors->setItemDelegate(new TSwatchDelegate(1, lvDuplicateGroupsColors));
    SetColumns(lvDuplicateGroupsColors, {220, 70, 110, 140});
}

void TfrmMain::ApplyListWidths()
{
    if (FAppClosing)
        return;
    // The right-hand lists sit in splitters; a drag changes their width until the panel
    // is resized again. A panel on a hidden page has no real width yet: it gets its
    // widths when its page is first shown.
    auto setRightWidth = [this](QWidget* panel, int rightWidth) {
        auto* split = static_cast<QSplitter*>(panel);
        if (!split->isVisible() || split->width() <= 0 ||
            FAppliedWidth.value(panel, -1) == split->width())
            return;
        FAppliedWidth.insert(panel, split->width());
        const int total = split->width() - split->handleWidth();
        split->setSizes({std::max(total - rightWidth, 0), rightWidth});
    };
    const int half = std::max(width() / 2, 200);
    setRightWidth(pnlBottom1, std::max(pnlBottom1->width() - 6 - half, 160));
    setRightWidth(Panel2, std::max(Panel2->width() - 6 - half, 160));
    setRightWidth(pnlBottom2, std::max(pnlBottom2->width() / 2, 200));
    setRightWidth(Panel3, std::max(Panel3->width() / 2, 200));
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize &&
        (watched == Panel2 || watched == pnlBottom1 || watched == pnlBottom2 || watched == Panel3))
        ApplyListWidths();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (FAppClosing)
        return;
    ApplyListWidths();
    RebuildTreemap();
    RebuildFolderMap();
    RebuildHierMap();
    RebuildDupeMap();
}

void TfrmMain::UpdateSourceControls()
{
    const bool on = rbCustomPath->isChecked() && !FBusy;
    cmbCustomPath->setEnabled(on);
    btnBrowse->setEnabled(on);
}

void TfrmMain::UpdateFilterControls()
{
    const bool e = gbFilters->isEnabled();
    dtpDate->setEnabled(e && chModifiedBefore->isChecked());
    edtLessThan->setEnabled(e && chLessThan->isChecked());
    cbSizeUnits->setEnabled(e && chLessThan->isChecked());
    edtPattern->setEnabled(e && chPattern->isChecked());
}

void TfrmMain::SelectPage(int index)
{
    PageControl1->setCurrentIndex(index);
    PageControl1Change();
}

void TfrmMain::PageControl1Change()
{
    ApplyListWidths();
    QAction* modes[] = {FilesinFolders1, OnlyFiles1, OnlyFolders1, Duplicates1};
    for (int i = 0; i < 4; ++i)
        modes[i]->setChecked(i == PageControl1->currentIndex());
}

void TfrmMain::ShowToolbar1Click()
{
    pnlTop->setVisible(ShowToolbar1->isChecked());
}

void TfrmMain::btnBrowseClick()
{
    if (!rbCustomPath->isChecked())
        return;
    std::string start = QFile::encodeName(cmbCustomPath->currentText()).toStdString();
    if (start.empty())
        start = QFile::encodeName(QDir::currentPath()).toStdString() + "/";
    const auto chosen =
        FServices.Folders->PickFolder(this, QStringLiteral("Select folder to scan"), start);
    if (!chosen)
        return;
    std::string path = *chosen;
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    cmbCustomPath->setEditText(QFile::decodeName(QByteArray::fromStdString(path)));
}

void TfrmMain::OpenWebPath(const QString& path)
{
    FServices.Shell->OpenWebPage(QLatin1String(HARROWDALE_WEBSITE) + path);
}

void TfrmMain::btnAboutClick()
{
    const QString host = QUrl(QLatin1String(HARROWDALE_WEBSITE)).host();
    const QString text =
        QStringLiteral("Harrowdale\n%1 %2\n\n%3\n%4 %5\n\n%6\n\n%7 %8 %9")
            .arg(T("Version:"), QLatin1String(kVersion), T("Free for personal and commercial use."),
                 T("Website:"), host,
                 T("This program is provided as is, without warranty of any kind. "
                   "Deleting files cannot be undone; check your selection first."))
            .arg(QString::number(QDate::currentDate().year()),
                 QStringLiteral("The Harrowdale developers."), T("Thank you for using it."));
    FServices.Messages->Info(this, QStringLiteral("Harrowdale"), text);
}

void TfrmMain::BuildLanguageMenu()
{
    mmLanguage->clear();
    const TLangTable& table = Translation().LangTable();
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        // The display name is shown as written: an '&' in it is not a mnemonic.
        QString caption = QString::fromStdString(table[static_cast<std::size_t>(i)][0]);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = mmLanguage->addAction(caption);
        item->setData(i); // the column the item picks
        item->setCheckable(true);
        item->setChecked(i == Translation().LangIndex());
        connect(item, &QAction::triggered, this, [this, item] {
            for (QAction* other : mmLanguage->actions())
                other->setChecked(false);
            Translation().SetLanguage(item->data().toInt());
            item->setChecked(true);
            SaveLanguage();
            ApplyTranslation();
        });
    }
}

void TfrmMain::ApplyTranslation()
{
    File1->setTitle(T("File"));
    Run1->setTitle(T("Run"));
    View1->setTitle(T("View"));
    Help1->setTitle(T("Help"));
    Open1->setText(T("Open / View"));
    CopyPath1->setText(T("Copy Path"));
    OpeninExplorer1->setText(T("View in Explorer"));
    ShowProperties1->setText(T("Show Properties..."));
    RemovetoRecycleBin1->setText(T("Remove to Recycle Bin"));
    RemoveCompletely1->setText(T("Remove Completely"));
    Exit1->setText(T("Exit"));
    Scan1->setText(T("Scan"));
    Stop1->setText(T("Stop"));
    Mode1->setTitle(T("Mode"));
    FilesinFolders1->setText(T("Files in Folders"));
    OnlyFiles1->setText(T("Only Files"));
    OnlyFolders1->setText(T("Only Folders"));
    Duplicates1->setText(T("Duplicates"));
    mmLanguage->setTitle(T("Language"));
    ShowToolbar1->setText(T("Show Toolbar"));
    utorial1->setText(T("Tutorial"));
    ContactUs1->setText(T("Contact Us"));
    VisitWebsite1->setText(T("Visit Website"));
    About1->setText(T("About..."));

    btnScan->setToolTip(T("Scan"));
    btnStop->setToolTip(T("Stop"));
    btnOpen->setToolTip(T("Open / View"));
    btnCopyPath->setToolTip(T("Copy path(s) to clipboard"));
    btnOpenExplorer->setToolTip(T("Open containing folder"));
    btnShowProperties->setToolTip(T("Show Properties..."));
    btnRemoveToRecycleBin->setToolTip(T("Move to Recycle Bin"));
    btnRemove->setToolTip(T("Delete permanently"));
    btnWEbsite->setToolTip(T("Visit Website"));
    btnAbout->setToolTip(T("About..."));

    PageControl1->setTabText(0, T("Files in Folders"));
    PageControl1->setTabText(1, T("Only Files"));
    PageControl1->setTabText(2, T("Only Folders"));
    PageControl1->setTabText(3, T("Duplicates"));

    gbSource->setTitle(T("Sources"));
    rbAllDrives->setText(T("All Drives"));
    rbCustomPath->setText(T("Path:"));
    btnBrowse->setText(T("Browse..."));
    gbFilters->setTitle(T("Exclude Files"));
    chModifiedBefore->setText(T("Modified before:"));
    chLessThan->setText(T("Less than"));
    chPattern->setText(T("Pattern"));

    const int unit = cbSizeUnits->currentIndex();
    const char* units[] = {"Bytes", "KB", "MB", "GB", "TB"};
    for (int i = 0; i < 5; ++i)
        cbSizeUnits->setItemText(i, T(units[i]));
    cbSizeUnits->setCurrentIndex(unit);

    FFilesModel->SetHeaders(
        {T("Name"), T("Path"), T("Size"), T("Percentage"), T("Modified"), T("FullPath")});
    FExtModel->SetHeaders({T("Extension"), T("Color"), T("Bytes"), T("Percentage"), T("Files")});
    FFileExtModel->SetHeaders({T("Extension"), T("Color"), T("Bytes"), T("Files")});
    FTopFoldersModel->SetHeaders(
        {T("Folder"), T("Color"), T("Bytes"), QStringLiteral("%"), T("Files")});
    FDupGroupsModel->SetHeaders({T("Group"), T("Color"), T("Size"), T("Modified")});

    const QString placeholder = T("Visualization not available");
    for (TTreemapCanvas* c : {PaintBox1, PaintBox2, PaintBox3, PaintBox4})
        c->SetPlaceholderText(placeholder);
    InvalidateTreemap();
    InvalidateFolderMap();
    InvalidateHierMap();
    InvalidateDupeMap();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // No question, also not while a scan runs: the scan is cancelled on the way out.
    FAppClosing = true;
    if (FJob)
        FJob->Context.Cancel();
    event->accept();
}

bool TfrmMain::IsBusy() const
{
    return FBusy;
}

const TDirNode* TfrmMain::Root() const
{
    return FRoot ? FRoot->Root() : nullptr;
}

} // namespace harrowdale::ui
