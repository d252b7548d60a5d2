#include "ui/ScanOptionsPanel.h"

#include "platform/FileSystem.h"
#include "scan/Mask.h"
#include "ui/FoldableBox.h"
#include "ui/ResultPage.h"
#include "ui/Services.h"
#include "ui/text/MaskErrorText.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSettings>
#include <QStyle>
#include <QToolButton>
#include <optional>

namespace harrowdale::ui {

namespace {

TDateTime ToDateTime(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    const auto v =
        EncodeDateTime({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()});
    return v ? *v : 0;
}

std::string PathBytes(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

/// The message of the first malformed mask of a pattern text, or empty.
QString PatternError(const QString& pattern)
{
    TScanFilterInput f;
    f.PatternChecked = true;
    f.PatternText = pattern.toStdString();
    TScanContext probe;
    ApplyScanFilters(probe, f);
    const std::optional<EMaskException> error = FirstMaskError(probe);
    return error ? QString::fromStdString(MaskErrorText(*error)) : QString();
}

/// The message of a size limit that is not one, or empty.
QString LessThanError(const QString& text, int unit)
{
    // The parser already refuses negative numbers; the window does not rely on that.
    std::int64_t limit = 0;
    return TryGetLessThanBytes(text.toStdString(), unit, limit) && limit >= 0
               ? QString()
               : Tr("Invalid \"Less than\" value.");
}

/// A warning sign at the end of a box that holds what Scan would refuse, with the reason
/// as its hint; none while the box is fine.
QAction* AddInputWarning(QLineEdit* box)
{
    QAction* sign = box->addAction(box->style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                   QLineEdit::TrailingPosition);
    sign->setVisible(false);
    return sign;
}

void ShowInputWarning(QAction* sign, const QString& error)
{
    sign->setVisible(!error.isEmpty());
    sign->setToolTip(error);
    sign->setText(error);
}

} // namespace

TScanOptionsPanel::TScanOptionsPanel(IFolderPicker& folders, QWidget* parent)
    : QWidget(parent), FFolders(folders)
{
    FRow = new QBoxLayout(QBoxLayout::LeftToRight, this);
    FRow->setContentsMargins(0, 0, 0, 0);

    FSource = new QGroupBox(this);
    auto* s = new QHBoxLayout(FSource);
    FAllDrives = new QRadioButton(FSource);
    FFolder = new QRadioButton(FSource);
    FFolderBox = new QComboBox(FSource);
    FFolderBox->setEditable(true);
    FFolderBox->setMinimumWidth(160);
    FBrowse = new QToolButton(FSource);
    FBrowse->setToolButtonStyle(Qt::ToolButtonTextOnly);
    FAllDrives->setChecked(true);
    s->addWidget(FAllDrives);
    s->addWidget(FFolder);
    s->addWidget(FFolderBox, 1);
    s->addWidget(FBrowse);

    FFilters = new QGroupBox(this);
    auto* f = new QHBoxLayout(FFilters);
    FModifiedBefore = new QCheckBox(FFilters);
    FDate = new QDateTimeEdit(QDateTime(QDate(2026, 1, 14), QTime(0, 4, 41)), FFilters);
    FDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    FDate->setCalendarPopup(true);
    FLessThan = new QCheckBox(FFilters);
    FLessThanText = new QLineEdit(QStringLiteral("1"), FFilters);
    FLessThanText->setMaximumWidth(80);
    FSizeUnits = new QComboBox(FFilters);
    FSizeUnits->addItems({QStringLiteral("Bytes"), QStringLiteral("KB"), QStringLiteral("MB"),
                          QStringLiteral("GB"), QStringLiteral("TB")});
    FSizeUnits->setCurrentIndex(0);
    // As wide as its longest unit in the language shown ("Octets", "Bytes").
    FSizeUnits->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    FPattern = new QCheckBox(FFilters);
    FPatternText = new QLineEdit(QStringLiteral("*.jpg;*somefilename*"), FFilters);
    for (QWidget* w : std::initializer_list<QWidget*>{FModifiedBefore, FDate, FLessThan,
                                                      FLessThanText, FSizeUnits, FPattern})
        f->addWidget(w);
    f->addWidget(FPatternText, 1);

    FRow->addWidget(FSource, 2);
    FRow->addWidget(FFilters, 3);
    FSourcesFold = new TFoldableBox(FSource, s);
    FFiltersFold = new TFoldableBox(FFilters, f);
    // Folded or not, the groups may now stand side by side, or have to stand apart.
    for (TFoldableBox* fold : {FSourcesFold, FFiltersFold})
        connect(fold, &TFoldableBox::FoldedChanged, this, &TScanOptionsPanel::ArrangeGroups);

    connect(FAllDrives, &QRadioButton::toggled, this, &TScanOptionsPanel::UpdateSourceControls);
    connect(FFolder, &QRadioButton::toggled, this, &TScanOptionsPanel::UpdateSourceControls);
    connect(FBrowse, &QToolButton::clicked, this, &TScanOptionsPanel::Browse);
    for (QCheckBox* c : {FModifiedBefore, FLessThan, FPattern})
        connect(c, &QCheckBox::toggled, this, &TScanOptionsPanel::UpdateFilterControls);
    // The boxes a scan would refuse say so while they are typed into.
    FLessThanWarning = AddInputWarning(FLessThanText);
    FPatternWarning = AddInputWarning(FPatternText);
    for (QLineEdit* box : {FLessThanText, FPatternText})
        connect(box, &QLineEdit::textChanged, this, &TScanOptionsPanel::CheckTypedFilters);
    connect(FSizeUnits, &QComboBox::currentIndexChanged, this,
            &TScanOptionsPanel::CheckTypedFilters);
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             FAllDrives, FFolder, FModifiedBefore, FLessThan, FPattern})
        connect(b, &QAbstractButton::toggled, this, &TScanOptionsPanel::UpdateSummaries);
    for (QLineEdit* box : {FLessThanText, FPatternText})
        connect(box, &QLineEdit::textChanged, this, &TScanOptionsPanel::UpdateSummaries);
    connect(FFolderBox, &QComboBox::currentTextChanged, this, &TScanOptionsPanel::UpdateSummaries);
    connect(FSizeUnits, &QComboBox::currentIndexChanged, this, &TScanOptionsPanel::UpdateSummaries);
    connect(FDate, &QDateTimeEdit::dateChanged, this, &TScanOptionsPanel::UpdateSummaries);

    // The folder box offers the drives, the first one chosen.
    for (const std::string& d : GetScanDrives())
        FFolderBox->addItem(QFile::decodeName(QByteArray::fromStdString(d)));
    if (FFolderBox->count() > 0)
        FFolderBox->setCurrentIndex(0);
    UpdateSourceControls();
    UpdateFilterControls();
}

void TScanOptionsPanel::ApplyTranslation()
{
    FSourcesFold->SetTitle(Tr("Sources"));
    FAllDrives->setText(Tr("All Drives"));
    FFolder->setText(Tr("Path:"));
    FBrowse->setText(Tr("Browse..."));
    FFiltersFold->SetTitle(Tr("Exclude Files"));
    FModifiedBefore->setText(Tr("Modified before:"));
    FLessThan->setText(Tr("Less than"));
    FPattern->setText(Tr("Pattern"));
    // Replaced in place: the chosen unit stays chosen.
    const int unit = FSizeUnits->currentIndex();
    const char* units[] = {"Bytes", "KB", "MB", "GB", "TB"};
    for (int i = 0; i < 5; ++i)
        FSizeUnits->setItemText(i, Tr(units[i]));
    FSizeUnits->setCurrentIndex(unit);

    // What a screen reader says of the boxes without a caption of their own.
    FFolderBox->setAccessibleName(Tr("Folder to scan"));
    FBrowse->setAccessibleDescription(Tr("Picks the folder to scan."));
    FDate->setAccessibleName(Tr("Modified before:"));
    FDate->setAccessibleDescription(Tr("Files last changed before this date are left out."));
    FLessThanText->setAccessibleName(Tr("Less than"));
    FLessThanText->setAccessibleDescription(Tr("Files smaller than this size are left out."));
    FSizeUnits->setAccessibleName(Tr("Size unit"));
    FPatternText->setAccessibleName(Tr("Pattern"));
    FPatternText->setAccessibleDescription(Tr("Files whose name or full path matches one of "
                                              "these masks, separated by semicolons, are left "
                                              "out."));
    CheckTypedFilters();
    FSourcesFold->ApplyTranslation();
    FFiltersFold->ApplyTranslation();
    UpdateSummaries();
    // New captions: whether the groups still fit side by side is decided anew.
    ArrangeGroups();
}

QSize TScanOptionsPanel::minimumSizeHint() const
{
    // The narrowest the panel can be: the groups one above the other. As high as the groups
    // stand now: folded, they may fit side by side.
    const QSize source = FSource->minimumSizeHint();
    const QSize filters = FFilters->minimumSizeHint();
    const int width = std::max(source.width(), filters.width());
    return {width, IsStacked() ? source.height() + FRow->spacing() + filters.height()
                               : std::max(source.height(), filters.height())};
}

bool TScanOptionsPanel::IsStacked() const
{
    return FRow->direction() == QBoxLayout::TopToBottom;
}

void TScanOptionsPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeGroups();
}

void TScanOptionsPanel::ArrangeGroups()
{
    // Side by side when both groups fit with every caption whole, else one above the other
    // (a small screen, or long captions in German or French).
    const int sideBySide =
        FSource->sizeHint().width() + FRow->spacing() + FFilters->sizeHint().width();
    const auto direction =
        width() >= sideBySide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (FRow->direction() != direction) {
        FRow->setDirection(direction);
        updateGeometry();
    }
}

QList<QWidget*> TScanOptionsPanel::TabOrder() const
{
    return {FSourcesFold->Button(),
            FAllDrives,
            FFolder,
            FFolderBox,
            FBrowse,
            FFiltersFold->Button(),
            FModifiedBefore,
            FDate,
            FLessThan,
            FLessThanText,
            FSizeUnits,
            FPattern,
            FPatternText};
}

void TScanOptionsPanel::UpdateSummaries()
{
    FSourcesFold->SetSummary(FAllDrives->isChecked() ? FAllDrives->text()
                                                     : FFolderBox->currentText());
    // The filters that are on, as their captions and values say them.
    QStringList on;
    if (FModifiedBefore->isChecked())
        on << FModifiedBefore->text() + QLatin1Char(' ') + FDate->text();
    if (FLessThan->isChecked())
        on << FLessThan->text() + QLatin1Char(' ') + FLessThanText->text() + QLatin1Char(' ') +
                  FSizeUnits->currentText();
    if (FPattern->isChecked())
        on << FPattern->text() + QLatin1Char(' ') + FPatternText->text();
    FFiltersFold->SetSummary(on.isEmpty() ? Tr("(none)") : on.join(QStringLiteral("; ")));
}

void TScanOptionsPanel::SaveState(QSettings& store) const
{
    store.setValue(QStringLiteral("AllDrives"), FAllDrives->isChecked());
    store.setValue(QStringLiteral("Folder"), FFolderBox->currentText());
    // A folder given as bytes (its name need not be UTF-8) is kept as those bytes.
    const bool exact = !FExactPath.empty() && FFolderBox->currentText() == FExactPathText;
    store.setValue(QStringLiteral("FolderBytes"),
                   exact ? QByteArray::fromStdString(FExactPath) : QByteArray());
    store.setValue(QStringLiteral("ModifiedBefore"), FModifiedBefore->isChecked());
    store.setValue(QStringLiteral("Date"), FDate->date());
    store.setValue(QStringLiteral("LessThan"), FLessThan->isChecked());
    store.setValue(QStringLiteral("LessThanValue"), FLessThanText->text());
    store.setValue(QStringLiteral("SizeUnit"), FSizeUnits->currentIndex());
    store.setValue(QStringLiteral("Pattern"), FPattern->isChecked());
    store.setValue(QStringLiteral("PatternText"), FPatternText->text());
    store.setValue(QStringLiteral("SourcesFolded"), FSourcesFold->IsFolded());
    store.setValue(QStringLiteral("FiltersFolded"), FFiltersFold->IsFolded());
}

void TScanOptionsPanel::RestoreState(QSettings& store)
{
    const auto flag = [&store](const char* key, QAbstractButton* button) {
        const QVariant v = store.value(QLatin1String(key));
        if (v.isValid())
            button->setChecked(v.toBool());
    };
    const auto text = [&store](const char* key) -> std::optional<QString> {
        const QVariant v = store.value(QLatin1String(key));
        if (v.typeId() != QMetaType::QString)
            return std::nullopt;
        return v.toString();
    };
    const QByteArray bytes = store.value(QStringLiteral("FolderBytes")).toByteArray();
    if (!bytes.isEmpty())
        ChoosePathBytes(bytes.toStdString());
    else if (const auto folder = text("Folder"))
        FFolderBox->setEditText(*folder);
    if (store.value(QStringLiteral("AllDrives")).isValid())
        (store.value(QStringLiteral("AllDrives")).toBool() ? FAllDrives : FFolder)
            ->setChecked(true);
    flag("ModifiedBefore", FModifiedBefore);
    const QDate date = store.value(QStringLiteral("Date")).toDate();
    if (date.isValid())
        FDate->setDate(date);
    flag("LessThan", FLessThan);
    if (const auto value = text("LessThanValue"))
        FLessThanText->setText(*value);
    bool ok = false;
    const int unit = store.value(QStringLiteral("SizeUnit")).toInt(&ok);
    if (ok && unit >= 0 && unit < FSizeUnits->count())
        FSizeUnits->setCurrentIndex(unit);
    flag("Pattern", FPattern);
    if (const auto pattern = text("PatternText"))
        FPatternText->setText(*pattern);
    for (auto [key, fold] :
         {std::pair{"SourcesFolded", FSourcesFold}, std::pair{"FiltersFolded", FFiltersFold}}) {
        const QVariant v = store.value(QLatin1String(key));
        if (v.isValid())
            fold->SetFolded(v.toBool());
    }
}

void TScanOptionsPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The calendar pops up as a window of its own, which a locale set on the main window
    // does not reach: once made, it gets the panel's, so month and day names follow the
    // language (one made later takes the default locale, which follows it too).
    if (event->type() == QEvent::LocaleChange)
        if (auto* calendar = FDate->findChild<QCalendarWidget*>())
            calendar->setLocale(locale());
    if (event->type() == QEvent::FontChange)
        ArrangeGroups();
}

void TScanOptionsPanel::ChoosePath(const QString& path)
{
    FFolder->setChecked(true);
    FFolderBox->setEditText(path);
}

void TScanOptionsPanel::ChoosePathBytes(const std::string& path)
{
    FExactPath = path;
    FExactPathText = DisplayText(path);
    ChoosePath(FExactPathText);
}

void TScanOptionsPanel::SetBusy(bool busy)
{
    FBusy = busy;
    FFilters->setEnabled(!busy);
    UpdateSourceControls();
    UpdateFilterControls();
}

void TScanOptionsPanel::UpdateSourceControls()
{
    const bool on = FFolder->isChecked() && !FBusy;
    FFolderBox->setEnabled(on);
    FBrowse->setEnabled(on);
}

void TScanOptionsPanel::CheckTypedFilters()
{
    ShowInputWarning(FLessThanWarning,
                     FLessThan->isChecked()
                         ? LessThanError(FLessThanText->text(), FSizeUnits->currentIndex())
                         : QString());
    ShowInputWarning(FPatternWarning,
                     FPattern->isChecked() ? PatternError(FPatternText->text()) : QString());
}

void TScanOptionsPanel::UpdateFilterControls()
{
    CheckTypedFilters();
    // The check boxes stay enabled as long as their group is.
    const bool e = FFilters->isEnabled();
    FDate->setEnabled(e && FModifiedBefore->isChecked());
    FLessThanText->setEnabled(e && FLessThan->isChecked());
    FSizeUnits->setEnabled(e && FLessThan->isChecked());
    FPatternText->setEnabled(e && FPattern->isChecked());
}

void TScanOptionsPanel::Browse()
{
    if (!FFolder->isChecked())
        return;
    std::string start = PathBytes(FFolderBox->currentText());
    if (start.empty())
        start = PathBytes(QDir::currentPath()) + "/";
    const auto chosen = FFolders.PickFolder(this, QStringLiteral("Select folder to scan"), start);
    if (!chosen)
        return;
    std::string path = *chosen;
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    FFolderBox->setEditText(QFile::decodeName(QByteArray::fromStdString(path)));
}

TScanChoice TScanOptionsPanel::ReadChoice() const
{
    using TKind = TScanChoice::TKind;
    TScanChoice choice;
    choice.Request.AllDrives = FAllDrives->isChecked();
    if (!choice.Request.AllDrives) {
        const QString text = FFolderBox->currentText();
        const std::string typed = !FExactPath.empty() && text == FExactPathText
                                      ? FExactPath
                                      : std::string(Trim(PathBytes(text)));
        if (typed.empty())
            return choice;
        choice.Request.PathToScan = NormalizeScanPath(typed);
        if (!platform::DirectoryExists(choice.Request.PathToScan)) {
            choice.Kind = TKind::Invalid;
            choice.Error = Tr("Folder does not exist.");
            return choice;
        }
    } else {
        choice.Drives = GetScanDrives();
        if (choice.Drives.empty()) {
            choice.Kind = TKind::Invalid;
            choice.Error = Tr("No drives found.");
            return choice;
        }
    }
    if (FLessThan->isChecked()) {
        choice.Error = LessThanError(FLessThanText->text(), FSizeUnits->currentIndex());
        if (!choice.Error.isEmpty()) {
            choice.Kind = TKind::Invalid;
            return choice;
        }
    }
    TScanFilterInput& f = choice.Filters;
    f.ModifiedBeforeChecked = FModifiedBefore->isChecked();
    f.ModifiedBefore = ToDateTime(FDate->dateTime());
    f.LessThanChecked = FLessThan->isChecked();
    f.LessThanText = FLessThanText->text().toStdString();
    f.SizeUnitIndex = FSizeUnits->currentIndex();
    f.PatternChecked = FPattern->isChecked();
    f.PatternText = FPatternText->text().toStdString();
    // Said before the scan starts, so the result on screen survives a typo.
    if (f.PatternChecked) {
        choice.Error = PatternError(FPatternText->text());
        if (!choice.Error.isEmpty()) {
            choice.Kind = TKind::Invalid;
            return choice;
        }
    }
    choice.Kind = TKind::Ready;
    return choice;
}

} // namespace harrowdale::ui
