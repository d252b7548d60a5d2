#include "ui/ColumnsHeader.h"

#include "ui/ResultPage.h"
#include "ui/ShareBarDelegate.h"
#include "ui/SortableTree.h"

#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QTreeView>

namespace harrowdale::ui {

namespace {

void SetUpHeader(QAbstractItemView* view, QHeaderView* header)
{
    // Unsorted until a title is clicked: the model's own order is the default.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorClearable(true);
    // The titles have a menu of their own; the view's (the file commands) is not theirs.
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(header, &QHeaderView::customContextMenuRequested, view,
                     [view, header](const QPoint& at) {
                         ColumnsMenu(view, header)->exec(header->mapToGlobal(at));
                     });
}

} // namespace

void SetUpColumnHeader(QTreeView* view)
{
    SetUpHeader(view, view->header());
    view->setSortingEnabled(true);
}

void SetUpColumnHeader(QTableView* view)
{
    SetUpHeader(view, view->horizontalHeader());
    view->setSortingEnabled(true);
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
    return ColumnsMenu(view, view->header());
}

std::unique_ptr<QMenu> ColumnsMenu(QAbstractItemView* view, QHeaderView* header)
{
    auto menu = std::make_unique<QMenu>(view);
    const QAbstractItemModel* model = view->model();
    for (int column = 1; model != nullptr && column < model->columnCount(); ++column) {
        QAction* check =
            menu->addAction(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        check->setCheckable(true);
        check->setChecked(!header->isSectionHidden(column));
        QObject::connect(check, &QAction::toggled, header, [header, column](bool shown) {
            header->setSectionHidden(column, !shown);
            // A column first hidden by a width of 0 comes back with a usable one.
            if (shown && header->sectionSize(column) == 0)
                header->resizeSection(column, header->defaultSectionSize());
        });
    }
    menu->addSeparator();
    QAction* unsorted = menu->addAction(Tr("Default Order"));
    unsorted->setEnabled(header->sortIndicatorSection() >= 0);
    QObject::connect(unsorted, &QAction::triggered, header,
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
