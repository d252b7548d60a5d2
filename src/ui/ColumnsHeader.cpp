#include "ui/ColumnsHeader.h"

#include "ui/ResultPage.h"
#include "ui/ShareBarDelegate.h"
#include "ui/SortableTree.h"

#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace harrowdale::ui {

void SetUpColumnHeader(QTreeView* view)
{
    QHeaderView* header = view->header();
    // Unsorted until a title is clicked: the model's own order is the default.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorClearable(true);
    view->setSortingEnabled(true);
    // The titles have a menu of their own; the view's (the file commands) is not theirs.
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        header, &QHeaderView::customContextMenuRequested, view,
        [view](const QPoint& at) { ColumnsMenu(view)->exec(view->header()->mapToGlobal(at)); });
}

void SetUpTreeColumns(QTreeView* view)
{
    view->setHeaderHidden(false);
    view->header()->setStretchLastSection(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAllColumnsShowFocus(true);
    view->setItemDelegateForColumn(TSortableTreeModel::Share, new TShareBarDelegate(view));
    SetUpColumnHeader(view);
}

QStringList TreeColumnTitles()
{
    return {Tr("Name"), Tr("Share"), Tr("Files"), Tr("Modified"), Tr("Change")};
}

std::unique_ptr<QMenu> ColumnsMenu(QTreeView* view)
{
    auto menu = std::make_unique<QMenu>(view);
    QHeaderView* header = view->header();
    const QAbstractItemModel* model = view->model();
    for (int column = 1; model != nullptr && column < model->columnCount(); ++column) {
        QAction* check =
            menu->addAction(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        check->setCheckable(true);
        check->setChecked(!header->isSectionHidden(column));
        QObject::connect(check, &QAction::toggled, view, [view, column](bool shown) {
            view->setColumnHidden(column, !shown);
            // A column first hidden by a width of 0 comes back with a usable one.
            if (shown && view->columnWidth(column) == 0)
                view->setColumnWidth(column, view->header()->defaultSectionSize());
        });
    }
    menu->addSeparator();
    QAction* unsorted = menu->addAction(Tr("Default Order"));
    unsorted->setEnabled(header->sortIndicatorSection() >= 0);
    QObject::connect(unsorted, &QAction::triggered, view,
                     [header] { header->setSortIndicator(-1, Qt::AscendingOrder); });
    return menu;
}

void CheckRestoredSort(QTreeView* view)
{
    QHeaderView* header = view->header();
    if (!header->isSortIndicatorShown()) {
        header->setSortIndicatorShown(true);
        header->setSortIndicator(-1, Qt::AscendingOrder);
    }
}

} // namespace harrowdale::ui
