#pragma once

// Reading what a list or tree has selected, the same way for every handler and command.

#include <QItemSelectionModel>
#include <QSet>
#include <QTreeView>
#include <algorithm>
#include <vector>

namespace harrowdale::ui {

/// The selected rows of a list, top to bottom.
inline std::vector<int> SelectedRows(const QAbstractItemView* view)
{
    std::vector<int> rows;
    if (view->selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& i : view->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

/// The selected nodes of a tree in selection order, each once however many of its columns
/// are selected (as the first column's index).
inline QModelIndexList SelectedNodes(const QTreeView* tree)
{
    QModelIndexList nodes;
    if (tree->selectionModel() == nullptr)
        return nodes;
    QSet<QModelIndex> seen;
    for (const QModelIndex& i : tree->selectionModel()->selectedIndexes()) {
        const QModelIndex node = i.siblingAtColumn(0);
        if (!seen.contains(node)) {
            seen.insert(node);
            nodes << node;
        }
    }
    return nodes;
}

/// The nodes a tree acts on: its selection in selection order, else its current node.
inline QModelIndexList SelectedOrCurrent(const QTreeView* tree)
{
    QModelIndexList nodes = SelectedNodes(tree);
    if (nodes.isEmpty() && tree->currentIndex().isValid())
        nodes << tree->currentIndex().siblingAtColumn(0);
    return nodes;
}

/// Makes `selection` the view's whole selection with `current` as its current item, shown;
/// nothing changes when `current` is invalid.
inline void SelectWithCurrent(QTreeView* view, const QItemSelection& selection,
                              const QModelIndex& current)
{
    if (!current.isValid())
        return;
    view->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    // Whole rows, as a click selects them where a tree has several columns.
    view->selectionModel()->select(selection,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(current);
}

} // namespace harrowdale::ui
