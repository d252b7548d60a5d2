#include "ui/CompareDialog.h"

#include "i18n/Translation.h"
#include "ui/CaptionedList.h"
#include "ui/text/ChangeText.h"
#include "ui/text/DisplayFormat.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace harrowdale::ui {

namespace {

QString T(const char* english)
{
    return QString::fromStdString(Translate(english));
}

QString S(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

TCompareDialog::TCompareDialog(const std::vector<THistoryEntry>& entries, const QString& note,
                               std::int64_t currentBytes, TPickFile pickFile, QWidget* parent)
    : QDialog(parent), FEntries(entries.rbegin(), entries.rend()), FPickFile(std::move(pickFile))
{
    setWindowTitle(T("Compare With"));
    auto* layout = new QVBoxLayout(this);
    FList = AddCaptionedList(layout,
                             FEntries.empty() && !note.isEmpty()
                                 ? note
                                 : T(FEntries.empty()
                                         ? "No scans of this folder are kept yet: pick a scan file."
                                         : "Kept scans of this folder:"),
                             {T("Date"), T("Total size"), T("Files"), T("Change since")});
    for (const THistoryEntry& e : FEntries) {
        auto* item = new QTreeWidgetItem(FList, {S(ScanDateText(e.Time)), S(FormatSize(e.Bytes)),
                                                 QString::number(e.Files),
                                                 S(FormatSignedSize(currentBytes - e.Bytes))});
        for (int c = 1; c < 4; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    FList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FList->setVisible(!FEntries.empty());

    auto* buttons = new QDialogButtonBox(this);
    FCompare = buttons->addButton(T("Compare"), QDialogButtonBox::AcceptRole);
    FPick = buttons->addButton(T("Scan File..."), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    FCompare->setEnabled(false);
    connect(FList, &QTreeWidget::currentItemChanged, this,
            [this] { FCompare->setEnabled(FList->currentItem() != nullptr); });
    connect(FList, &QTreeWidget::itemActivated, this, &TCompareDialog::ChooseCurrent);
    connect(FCompare, &QPushButton::clicked, this, &TCompareDialog::ChooseCurrent);
    connect(FPick, &QPushButton::clicked, this, &TCompareDialog::PickFile);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!FEntries.empty())
        FList->setCurrentItem(FList->topLevelItem(0));
    resize(560, 320);
}

void TCompareDialog::ChooseCurrent()
{
    const int row = FList->indexOfTopLevelItem(FList->currentItem());
    if (row < 0 || row >= static_cast<int>(FEntries.size()))
        return;
    const THistoryEntry& e = FEntries[static_cast<std::size_t>(row)];
    FChosen = TChoice{e.Path, e.Time};
    accept();
}

void TCompareDialog::PickFile()
{
    if (const std::optional<std::string> path = FPickFile()) {
        FChosen = TChoice{*path, 0};
        accept();
    }
}

} // namespace harrowdale::ui
