#include "ui/ResultPage.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "scan/TreeLookup.h"
#include "ui/ChangeColumn.h"
#include "ui/ColumnsHeader.h"
#include "ui/QtLanguage.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace harrowdale::ui {

QString Tr(const char* english)
{
    return QString::fromStdString(Translate(english));
}

QString NoMapText()
{
    return Tr("Visualization not available");
}

QString SizeText(std::int64_t bytes)
{
    return QString::fromStdString(FormatSize(bytes));
}

QString PathAndSize(const std::string& path, std::int64_t size)
{
    return DisplayText(path) + QStringLiteral("  ") + SizeText(size);
}

QString SelectionStatusText(const QString& path, const QString& sizeText, int count)
{
    if (path.isEmpty())
        return Tr("Ready");
    if (count < 2)
        return QString::fromStdString(
            Format(Translate("%s  %s"), path.toStdString(), sizeText.toStdString()));
    return QString::fromStdString(Format(Translate("%s  %s  (%d selected)"), path.toStdString(),
                                         sizeText.toStdString(), static_cast<std::int64_t>(count)));
}

void SetUpList(QTreeView* view, bool multi)
{
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(false);
    SetUpColumnHeader(view);
}

void SetUpTree(QTreeView* view, bool multi)
{
    view->setHeaderHidden(true);
    view->setUniformRowHeights(true);
    view->setIndentation(19);
    view->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

TResultPage::TResultPage(const TParts& parts, QWidget* parent)
    : QWidget(parent), FResults(parts.Results), FShell(parts.Shell), FSideWidth(parts.SideWidth),
      FSideListActs(parts.SideListActs)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FSplit = new QSplitter(Qt::Vertical, this);
    FCanvas = new TTreemapCanvas(*this, FSplit);
    FLower = new QSplitter(Qt::Horizontal, FSplit);
    FLower->setHandleWidth(6);
    auto* mainPanel = new QWidget(FLower);
    auto* mainColumn = new QVBoxLayout(mainPanel);
    mainColumn->setContentsMargins(0, 0, 0, 0);
    mainColumn->setSpacing(2);
    FMainCaption = new QLabel(mainPanel);
    FMainCaption->setTextFormat(Qt::PlainText);
    FMainCaption->setVisible(false);
    FMainView = new QTreeView(mainPanel);
    mainColumn->addWidget(FMainCaption);
    mainColumn->addWidget(FMainView, 1);
    FSideList = new QTreeView(FLower);
    FLower->setStretchFactor(0, 1);
    FSplit->addWidget(FCanvas);
    FSplit->addWidget(FLower);
    FSplit->setStretchFactor(0, 1);
    FSplit->setSizes({400, parts.LowerHeight});
    FLowerHeight = parts.LowerHeight;
    connect(FSplit, &QSplitter::splitterMoved, this,
            [this] { FLowerHeight = FSplit->sizes().value(1); });
    layout->addWidget(FSplit);
    // The side list's width follows its panel, which is resized after the window itself.
    FLower->installEventFilter(this);

    FLayoutTimer.setSingleShot(true);
    FLayoutTimer.setInterval(0);
    connect(&FLayoutTimer, &QTimer::timeout, this, [this] {
        PrepareLayout();
        FCanvas->update();
    });
    connect(FCanvas, &TTreemapCanvas::Resized, this, [this] {
        FLayoutStale = true;
        ScheduleLayout();
    });
    connect(FCanvas, &TTreemapCanvas::Shown, this, &TResultPage::ScheduleLayout);
    connect(FCanvas, &TTreemapCanvas::MouseMoved, this, [this](QPoint p) {
        PrepareLayout();
        HoverAt({p.x(), p.y()});
    });
    connect(FCanvas, &TTreemapCanvas::MousePressed, this, [this](QPoint p, bool ctrl) {
        PrepareLayout();
        ClickAt({p.x(), p.y()}, ctrl);
    });
    connect(FCanvas, &TTreemapCanvas::DoubleClicked, this, &TResultPage::DoubleClicked);
    connect(FCanvas, &TTreemapCanvas::ArrowKey, this, [this](TMapDirection direction) {
        PrepareLayout();
        MoveInMap(direction);
    });
    connect(FCanvas, &TTreemapCanvas::HistoryButton, this, [this](bool forward) {
        if (FZoom == nullptr)
            return;
        if (forward)
            FZoom->GoForward();
        else
            FZoom->GoBack();
    });
}

TResultPage::~TResultPage()
{
    // The derived page is gone already; its children (views and models) are deleted after
    // this, and no signal of theirs may reach it.
    FLayoutTimer.stop();
    FCanvas->disconnect(this);
    for (QTreeView* view : {FMainView, FSideList})
        if (view->selectionModel() != nullptr)
            view->selectionModel()->disconnect(this);
}

std::vector<std::string> TResultPage::SelectedPaths() const
{
    std::vector<std::string> paths;
    for (TSelectedEntry& e : SelectedEntries())
        paths.push_back(std::move(e.Path));
    return paths;
}

TPagePlace TResultPage::Place() const
{
    TPagePlace place;
    if (FZoom != nullptr)
        place.Zoom = FZoom->Save();
    place.Selected = SelectedPaths();
    place.MainScroll = FMainView->verticalScrollBar()->value();
    place.SideScroll = FSideList->verticalScrollBar()->value();
    const QAbstractItemModel* model = FMainView->model();
    const QItemSelectionModel* sel = FMainView->selectionModel();
    if (model == nullptr || model->rowCount() == 0)
        return place;
    // One walk over the rows shown, top to bottom.
    constexpr std::size_t kNextRows = 64;
    const bool anySelected = sel->hasSelection();
    QModelIndex first;
    for (QModelIndex i = model->index(0, 0); i.isValid(); i = FMainView->indexBelow(i)) {
        if (FMainView->isExpanded(i))
            place.Expanded.push_back(RowPath(i));
        const bool selected = anySelected ? sel->isSelected(i) : i == FMainView->currentIndex();
        if (!first.isValid()) {
            if (selected)
                first = i;
            continue;
        }
        bool under = false;
        for (QModelIndex p = i.parent(); p.isValid() && !under; p = p.parent())
            under = p == first;
        if (!selected && !under && place.Next.size() < kNextRows)
            place.Next.push_back(RowPath(i));
    }
    for (QModelIndex p = first.isValid() ? first.parent() : QModelIndex(); p.isValid();
         p = p.parent())
        place.Next.push_back(RowPath(p));
    return place;
}

void TResultPage::RestorePlace(const TPagePlace& place)
{
    const TDirNode* root = FResults.Root();
    if (root == nullptr)
        return;
    // The map's place first; the selection put back leaves it there.
    if (FZoom != nullptr) {
        FZoom->Restore(place.Zoom);
        FZoom->Hold(true);
    }
    for (const std::string& path : place.Expanded)
        ExpandPath(path);
    auto exists = [root](const std::string& path) {
        const TTreeEntry e = FindEntry(root, path);
        return e.File != nullptr || e.Folder != nullptr;
    };
    if (std::any_of(place.Selected.begin(), place.Selected.end(), exists)) {
        SelectPaths(place.Selected);
    } else if (!place.Selected.empty()) {
        const auto next =
            std::find_if(place.Next.begin(), place.Next.end(), [&](const std::string& path) {
                return path != root->FullPath() && exists(path);
            });
        FMainView->selectionModel()->clear();
        FSideList->selectionModel()->clearSelection();
        if (next != place.Next.end())
            SelectPaths({*next});
        Q_EMIT SelectionStatusChanged();
    }
    if (FZoom != nullptr)
        FZoom->Hold(false);
    // Scrolled where the user was, once the rows are laid out.
    for (auto [view, value] :
         {std::pair{FMainView, place.MainScroll}, std::pair{FSideList, place.SideScroll}}) {
        view->doItemsLayout();
        view->verticalScrollBar()->setValue(value);
    }
}

void TResultPage::ShowComparison(const TScanComparison* comparison)
{
    FComparison = comparison;
    ComparisonShown();
    FCanvas->Invalidate();
}

std::function<TColor(const TFileLeaf&)> TResultPage::FileChangeColors() const
{
    if (!PaintsChange())
        return {};
    return [c = FComparison](const TFileLeaf& f) { return ChangeMapColor(c->State(&f)); };
}

void TResultPage::ColourByChange(bool on)
{
    if (on == FColourByChange)
        return;
    FColourByChange = on;
    FCanvas->Invalidate();
}

void TResultPage::ApplyTranslation()
{
    FCanvas->SetPlaceholderText(NoMapText());
    FCanvas->setAccessibleName(Tr("Treemap"));
    FCanvas->setAccessibleDescription(
        Tr("Click selects, Ctrl+click adds to the selection, double-click shows the item in "
           "the file manager."));
    if (FZoom != nullptr)
        FZoom->ApplyTranslation();
    FCanvas->Invalidate();
}

void TResultPage::SaveColumns(QSettings& store) const
{
    store.setValue(QStringLiteral("MainColumns"), FMainView->header()->saveState());
    store.setValue(QStringLiteral("SideColumns"), FSideList->header()->saveState());
}

void TResultPage::RestoreColumns(QSettings& store)
{
    // A state that does not fit the list (another version's columns) is refused by the
    // header, which then keeps its widths.
    FMainView->header()->restoreState(store.value(QStringLiteral("MainColumns")).toByteArray());
    FSideList->header()->restoreState(store.value(QStringLiteral("SideColumns")).toByteArray());
    for (QTreeView* view : {FMainView, FSideList})
        if (view->isSortingEnabled())
            CheckRestoredSort(view);
    // A state kept while comparing must not show an empty Change column now.
    ComparisonShown();
}

QList<QWidget*> TResultPage::TabOrder() const
{
    return {FCanvas, FMainView, FSideList};
}

void TResultPage::AddCommandActions(const QList<QAction*>& actions)
{
    for (QWidget* w : std::initializer_list<QWidget*>{FCanvas, FMainView, FSideList}) {
        if (w == FSideList && !FSideListActs)
            continue;
        w->addActions(actions);
        w->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
}

void TResultPage::AddZoomActions(const TZoomActions& actions)
{
    if (FZoom == nullptr)
        return;
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    FCanvas->addActions(
        {separator, actions.ZoomIn, actions.ZoomOut, actions.Back, actions.Forward});
    addActions({actions.Back, actions.Forward});
    FZoom->UseActions(actions);
}

void TResultPage::EnableZoom(TMapZoom::THooks hooks)
{
    FZoom = new TMapZoom(FResults, std::move(hooks), this);
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, FZoom->Bar());
    connect(FZoom, &TMapZoom::Moved, this, &TResultPage::ZoomMoved);
}

const TDirNode* TResultPage::MapRoot() const
{
    return FZoom != nullptr ? FZoom->MapRoot() : FResults.Root();
}

void TResultPage::ZoomMoved()
{
    // The bar above the map came or went: the map takes its new height now, so that it is
    // laid out once, at that height.
    layout()->activate();
    FShowViewSelection = true;
    RebuildLayout();
}

void TResultPage::ScheduleLayout()
{
    if (FLayoutStale)
        FLayoutTimer.start();
}

void TResultPage::PrepareLayout()
{
    // A canvas on a hidden page has no real size yet (pages are laid out when shown): its
    // layout is built when the page is shown, not for a size nobody sees.
    if (!FLayoutStale || !FCanvas->isVisible() || FCanvas->width() <= 0 || FCanvas->height() <= 0)
        return;
    FLayoutStale = false;
    FHover = nullptr;
    ++FLayoutBuilds;
    PlaceMap({0, 0, FCanvas->width(), FCanvas->height()});
    if (FShowViewSelection) {
        FShowViewSelection = false;
        ShowViewSelectionInMap();
    }
    FCanvas->MarkDirty();
}

void TResultPage::RebuildLayout()
{
    FLayoutStale = true;
    PrepareLayout();
    FCanvas->Invalidate();
}

void TResultPage::SetMapLook(const TMapLook& look)
{
    if (look == FMapLook)
        return;
    FMapLook = look;
    FCanvas->Invalidate();
}

void TResultPage::ResetLayout()
{
    FLayoutStale = false;
    FHover = nullptr;
    FShowViewSelection = false;
    if (FZoom != nullptr)
        FZoom->Clear();
    ClearLayout();
    FCanvas->Invalidate();
}

void TResultPage::ShowHint(const void* item, const std::string& path, std::int64_t size)
{
    FHover = item;
    // Not translated; the size text comes from its translated template.
    FCanvas->ShowHintNow(item == nullptr ? QString()
                                         : DisplayText(path) + QLatin1Char('\n') + SizeText(size));
}

void TResultPage::RevealOrOpen(const std::string& path, bool reveal)
{
    if (reveal)
        FShell.RevealInFileManager({path});
    else
        FShell.OpenPath(path);
}

void TResultPage::SetColumns(QTreeView* view, const std::vector<int>& widths)
{
    const int dpi = logicalDpiX();
    for (std::size_t i = 0; i < widths.size(); ++i) {
        const int w = widths[i] * dpi / 96;
        if (w == 0)
            view->setColumnHidden(static_cast<int>(i), true);
        else
            view->setColumnWidth(static_cast<int>(i), w);
    }
}

void TResultPage::ApplyListWidths()
{
    // A drag on the splitter holds until the panel is resized again. A panel on a hidden
    // page has no real width yet: it gets its widths when its page is first shown.
    const int panel = FLower->width();
    if (!FLower->isVisible() || panel <= 0 || panel == FAppliedWidth)
        return;
    FAppliedWidth = panel;
    const int half = std::max(window()->width() / 2, 200);
    const int side = FSideWidth == TSideWidth::RestOfHalfWindow
                         ? std::max(panel - FLower->handleWidth() - half, 160)
                         : std::max(panel / 2, 200);
    FLower->setSizes({std::max(panel - FLower->handleWidth() - side, 0), side});
}

void TResultPage::SetMainCaption(const QString& text)
{
    FMainCaption->setText(text);
    FMainCaption->setVisible(!text.isEmpty());
}

void TResultPage::SetCapCaption(std::string_view singular, std::string_view plural,
                                std::int64_t shown, std::int64_t total)
{
    if (shown >= total) {
        SetMainCaption({});
        return;
    }
    // The counts grouped as the language writes them: 5,000, 5.000, 5 000.
    const QLocale locale = LocaleOfLanguage(ShownLanguageCode());
    SetMainCaption(QString::fromStdString(Format(TranslatePlural(singular, plural, total),
                                                 locale.toString(shown).toStdString(),
                                                 locale.toString(total).toStdString())));
}

void TResultPage::resizeEvent(QResizeEvent* event)
{
    // The splitter inside has its new height already: the layout handles a resize first.
    QWidget::resizeEvent(event);
    KeepMapShare();
}

void TResultPage::KeepMapShare()
{
    // At the window's design height and above, the lists keep their height (the design's,
    // or the one the user dragged them to) and the map takes the rest. Below it (a small
    // screen) the lists give way first, down to their smallest height, so that the map
    // keeps half of the window's height; they get their height back as the window grows.
    const QList<int> sizes = FSplit->sizes();
    if (sizes.size() != 2)
        return;
    const int total = sizes[0] + sizes[1];
    int lower = FLowerHeight;
    if (window()->height() < kWindowDesignHeight)
        lower = std::max(FLower->minimumSizeHint().height(),
                         std::min(lower, total - window()->height() / 2));
    lower = std::min(lower, total);
    if (lower != sizes[1])
        FSplit->setSizes({total - lower, lower});
}

void TResultPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    KeepMapShare();
    ApplyListWidths();
}

bool TResultPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FLower && event->type() == QEvent::Resize)
        ApplyListWidths();
    return QWidget::eventFilter(watched, event);
}

} // namespace harrowdale::ui
