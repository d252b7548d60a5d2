#include "ui/CaptionedList.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace harrowdale::ui {

QTreeWidget* AddCaptionedList(QVBoxLayout* layout, const QString& caption,
                              const QStringList& titles)
{
    QWidget* parent = layout->parentWidget();
    auto* label = new QLabel(caption, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(titles);
    layout->addWidget(list, 1);
    return list;
}

} // namespace harrowdale::ui
