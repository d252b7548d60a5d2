#include "ui/FindPanel.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileSystem.h"
#include "ui/ColumnsHeader.h"
#include "ui/FindModel.h"
#include "ui/FindRunner.h"
#include "ui/QtLanguage.h"
#include "ui/ViewSelection.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/MaskErrorText.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace harrowdale::ui {

namespace {

void SetUpMatchesList(QTableView* list)
{
    // Looks and behaves as the other lists of the window: whole rows, no grid, one line
    // each.
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setTabKeyNavigation(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    list->horizontalHeader()->setHighlightSections(false);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setStretchLastSection(false);
    SetUpColumnHeader(list);
}

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

std::int64_t TicksOfSeconds(qint64 secondsSinceEpoch)
{
    return platform::UnixTimeToTicks(secondsSinceEpoch, 0);
}

QString Plural(const char* singular, const char* plural, std::int64_t n, const std::string& a,
               const std::string& b)
{
    return QString::fromStdString(Format(TranslatePlural(singular, plural, n), a, b));
}

QString DaysSuffix(int days)
{
    return QLatin1Char(' ') + QString::fromStdString(TranslatePlural("day", "days", days));
}

} // namespace

TFindPanel::TFindPanel(const TScanResults& results, QWidget* parent)
    : QDockWidget(parent), FResults(results)
{
    setObjectName(QStringLiteral("FindPanel"));
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(6, 4, 6, 6);
    column->addWidget(BuildCriteria(body));
    FSummary = new QLabel(body);
    FSummary->setTextFormat(Qt::PlainText);
    FSummary->setWordWrap(true);
    column->addWidget(FSummary);
    // A table, not a tree: a tree lays out all its rows again for every batch that
    // arrives, which stalls the window once a search has found a million files.
    FList = new QTableView(body);
    SetUpMatchesList(FList);
    FModel = new TFindModel(FList);
    FList->setModel(FModel);
    column->addWidget(FList, 1);
    setWidget(body);
    for (const auto& [c, width] : {std::pair{0, 160}, {1, 220}, {2, 80}, {3, 120}})
        FList->setColumnWidth(c, width);

    FRunner = std::make_unique<TFindRunner>(
        TFindRunner::THooks{[this](std::span<const TEntryRef> found, std::int64_t bytes) {
                                FModel->Append(found);
                                FCount += static_cast<std::int64_t>(found.size());
                                FBytes += bytes;
                                ShowCount();
                            },
                            [this](const TFindTotals& totals) {
                                FModel->SearchEnded();
                                FCount = totals.Matches;
                                FBytes = totals.Bytes;
                                ShowCount();
                            }},
        nullptr);
    connect(FList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFindPanel::ListSelectionChanged);
    // Escape closes the panel from any of its boxes, before the window's Stop sees it.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

TFindPanel::~TFindPanel() = default;

QWidget* TFindPanel::BuildCriteria(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* nameRow = new QHBoxLayout();
    FNameKind = new QComboBox(box);
    FNameKind->addItems({QString(), QString()});
    FName = new QLineEdit(box);
    FName->setClearButtonEnabled(true);
    nameRow->addWidget(FNameKind);
    nameRow->addWidget(FName, 1);
    rows->addLayout(nameRow);

    auto* sizeRow = new QHBoxLayout();
    FSizeLabel = new QLabel(box);
    FMinSize = new QLineEdit(box);
    FMaxSize = new QLineEdit(box);
    sizeRow->addWidget(FSizeLabel);
    sizeRow->addWidget(FMinSize, 1);
    sizeRow->addWidget(FMaxSize, 1);
    rows->addLayout(sizeRow);

    auto* ageRow = new QHBoxLayout();
    FAge = new QComboBox(box);
    FAge->addItems({QString(), QString(), QString(), QString()});
    FDate = new QDateEdit(QDate::currentDate(), box);
    FDate->setCalendarPopup(true);
    FDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    FDays = new QSpinBox(box);
    FDays->setRange(1, 100000);
    FDays->setValue(365);
    ageRow->addWidget(FAge);
    ageRow->addWidget(FDate, 1);
    ageRow->addWidget(FDays, 1);
    rows->addLayout(ageRow);
    FDate->setVisible(false);
    FDays->setVisible(false);

    connect(FName, &QLineEdit::textChanged, this, &TFindPanel::Search);
    connect(FNameKind, &QComboBox::currentIndexChanged, this, [this] {
        ShowNamePlaceholder();
        Search();
    });
    connect(FMinSize, &QLineEdit::textChanged, this, &TFindPanel::Search);
    connect(FMaxSize, &QLineEdit::textChanged, this, &TFindPanel::Search);
    connect(FAge, &QComboBox::currentIndexChanged, this, [this](int age) {
        FDate->setVisible(age == ChangedAfter || age == ChangedBefore);
        FDays->setVisible(age == OlderThan);
        Search();
    });
    connect(FDate, &QDateEdit::dateChanged, this, &TFindPanel::Search);
    connect(FDays, &QSpinBox::valueChanged, this, [this](int days) {
        FDays->setSuffix(DaysSuffix(days));
        Search();
    });
    return box;
}

void TFindPanel::ApplyTranslation()
{
    setWindowTitle(Tr("Find"));
    FNameKind->setItemText(0, Tr("Name contains"));
    FNameKind->setItemText(1, Tr("Name matches"));
    ShowNamePlaceholder();
    FSizeLabel->setText(Tr("Size:"));
    FMinSize->setPlaceholderText(Tr("at least, e.g. 10 MB"));
    FMaxSize->setPlaceholderText(Tr("at most"));
    const char* ages[] = {"Any age", "Changed on or after", "Changed before", "Not changed for"};
    for (int i = 0; i < 4; ++i)
        FAge->setItemText(i, Tr(ages[i]));
    FDays->setSuffix(DaysSuffix(FDays->value()));
    FModel->SetHeaders({Tr("Name"), Tr("Folder"), Tr("Size"), Tr("Modified")});
    // A reason is written when it is found: it is found again in the new language.
    if (!FProblem.isEmpty())
        Search();
    else
        ShowCount();
}

void TFindPanel::ShowNamePlaceholder()
{
    FName->setPlaceholderText(FNameKind->currentIndex() == 0 ? Tr("a part of the name")
                                                             : Tr("masks, e.g. *.jpg;*.png"));
}

void TFindPanel::SetPage(TResultPage* page)
{
    if (page == FPage)
        return;
    for (const QMetaObject::Connection& c : FPageLinks)
        disconnect(c);
    FPageLinks.clear();
    FPage = page;
    if (page != nullptr) {
        FPageLinks << connect(page, &TResultPage::SelectionStatusChanged, this,
                              &TFindPanel::PageSelectionMoved)
                   << connect(page, &TResultPage::StatusText, this,
                              &TFindPanel::PageSelectionMoved);
    }
    Search();
}

void TFindPanel::Open()
{
    show();
    raise();
    FName->setFocus(Qt::ShortcutFocusReason);
    FName->selectAll();
}

void TFindPanel::AddCommandActions(const QList<QAction*>& actions)
{
    FList->addActions(actions);
    FList->setContextMenuPolicy(Qt::ActionsContextMenu);
}

// ---------------------------------------------------------------- the result

void TFindPanel::Fill(TResultStage stage, TStageRun&)
{
    // The last stage: from here on the tree stays as it is until the next Clear.
    if (stage != TResultStage::Extensions)
        return;
    FReady = true;
    Search();
}

void TFindPanel::Clear()
{
    FReady = false;
    FRunner->Stop();
    FModel->Clear();
    FCount = FBytes = 0;
    ShowCount();
}

// ---------------------------------------------------------------- searching

bool TFindPanel::Searching() const
{
    return FRunner->Running();
}

std::optional<TFindCriteria> TFindPanel::Criteria()
{
    TFindCriteria c;
    c.Name = FName->text().toStdString();
    c.Kind = FNameKind->currentIndex() == 0 ? TFindNameKind::Text : TFindNameKind::Mask;
    for (auto [box, bound] : {std::pair{FMinSize, &c.MinSize}, {FMaxSize, &c.MaxSize}}) {
        const std::string typed = box->text().toStdString();
        if (Trim(typed).empty())
            continue;
        *bound = ParseSizeText(typed);
        if (!*bound) {
            FProblem = QString::fromStdString(
                Format(Translate("Not a size: %s (sizes are written as 200, 10 KB, 1.5 GB)"),
                       VisiblePathText(typed)));
            return std::nullopt;
        }
    }
    const qint64 midnight = FDate->date().startOfDay().toSecsSinceEpoch();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    switch (FAge->currentIndex()) {
    case ChangedAfter:
        c.ChangedFrom = TicksOfSeconds(midnight);
        break;
    case ChangedBefore:
        c.ChangedBefore = TicksOfSeconds(midnight);
        break;
    case OlderThan:
        c.ChangedBefore = TicksOfSeconds(now - FDays->value() * kSecondsPerDay);
        break;
    default:
        break;
    }
    return c;
}

void TFindPanel::Search()
{
    // Every change of a box starts again from nothing: the search under way is stopped.
    FRunner->Stop();
    FModel->Clear();
    FCount = FBytes = 0;
    FProblem.clear();
    const TFindKinds kinds = FPage != nullptr ? FPage->FindKinds() : TFindKinds{};
    std::optional<TFindCriteria> criteria = Criteria();
    if (!FReady || FResults.Root() == nullptr)
        FProblem = Tr("There is no result to search yet.");
    else if (!kinds.Files && !kinds.Folders)
        FProblem = Tr("Find does not act on this page: it selects on Files in Folders, Only "
                      "Files and Only Folders.");
    if (!FProblem.isEmpty() || !criteria) {
        ShowCount();
        return;
    }
    if (!criteria->Narrows()) {
        ShowCount();
        return;
    }
    criteria->Files = kinds.Files;
    criteria->Folders = kinds.Folders;
    std::unique_ptr<TFindQuery> query;
    try {
        query = std::make_unique<TFindQuery>(*criteria);
    } catch (const EMaskException& e) {
        FProblem = QString::fromStdString(MaskErrorText(e));
        ShowCount();
        return;
    }
    FList->setSelectionMode(kinds.OneAtATime ? QAbstractItemView::SingleSelection
                                             : QAbstractItemView::ExtendedSelection);
    FRunner->Start(FResults.Root(), std::move(query));
    ShowCount();
}

void TFindPanel::ShowCount()
{
    FSummary->setText(Summary());
}

QString TFindPanel::Summary() const
{
    if (!FProblem.isEmpty())
        return FProblem;
    if (!Searching() && FCount == 0 && FModel->rowCount() == 0) {
        const bool typed = !Trim(FName->text().toStdString()).empty() ||
                           !FMinSize->text().trimmed().isEmpty() ||
                           !FMaxSize->text().trimmed().isEmpty() || FAge->currentIndex() != AnyAge;
        if (!typed || !FReady)
            return Tr("Type a name, a size or an age to look for.");
        return Tr("Nothing matches.");
    }
    // The count grouped as the language writes it, the bytes as every list shows them.
    const std::string count = LocaleOfLanguage(ShownLanguageCode()).toString(FCount).toStdString();
    const std::string bytes = FormatSize(FBytes);
    if (Searching())
        return Plural("Searching... %s match so far, %s", "Searching... %s matches so far, %s",
                      FCount, count, bytes);
    return Plural("%s match, %s", "%s matches, %s", FCount, count, bytes);
}

// ---------------------------------------------------------------- selection

void TFindPanel::ListSelectionChanged()
{
    if (FPushing || FPage == nullptr)
        return;
    std::vector<TEntryRef> entries;
    for (const int row : SelectedRows(FList))
        entries.push_back(FModel->Entry(row));
    if (entries.empty())
        return;
    FPushing = true;
    FPage->SelectFound(entries);
    FPushing = false;
}

void TFindPanel::PageSelectionMoved()
{
    if (!FPushing)
        FList->selectionModel()->clearSelection();
}

bool TFindPanel::eventFilter(QObject* watched, QEvent* event)
{
    const bool escape =
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier;
    if (!escape)
        return QDockWidget::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress)
        hide();
    return true;
}

} // namespace harrowdale::ui
