#include "ui/GoneList.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/CaptionedList.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace harrowdale::ui {

TGoneList::TGoneList(const TScanComparison& comparison, const QString& olderDate, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(
        QString::fromStdString(Format(Translate("Gone since %s"), olderDate.toStdString())));
    auto* layout = new QVBoxLayout(this);
    const auto gone = comparison.GoneEntries();
    FList = AddCaptionedList(
        layout,
        QString::fromStdString(
            gone.empty() ? Translate("Nothing is gone since the older scan.")
                         : Format(TranslatePlural("%d file or folder is gone; it takes no "
                                                  "space now and is not drawn in the maps.",
                                                  "%d files and folders are gone; they take no "
                                                  "space now and are not drawn in the maps.",
                                                  static_cast<std::int64_t>(gone.size())),
                                  static_cast<std::int64_t>(gone.size()))),
        {QString::fromStdString(Translate("Path")), QString::fromStdString(Translate("Old size"))});
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(gone.size()));
    for (const TCompareEntry& e : gone) {
        // A folder ends in a separator, so that it reads apart from a file of its name.
        QString path = DisplayText(e.FullPath());
        if (e.Folder != nullptr && !path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        auto* item = new QTreeWidgetItem({path, QString::fromStdString(FormatSize(e.OldSize))});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        items.push_back(item);
    }
    FList->addTopLevelItems(items);
    FList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    FList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    FList->setVisible(!gone.empty());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 400);
}

} // namespace harrowdale::ui
