#pragma once

// Reading what a list or tree has selected, the same way for every handler and command.

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>
#include <vector>

namespace harrowdale::ui {

/// The selected rows of a list, top to bottom.
inline std::vector<int> SelectedRows(const QTreeView* view)
{
    std::vector<int> rows;
    if (view->selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& i : view->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

/// The nodes a tree acts on: its selection in selection order, else its current node.
inline QModelIndexList SelectedOrCurrent(const QTreeView* tree)
{
    QModelIndexList nodes;
    if (tree->selectionModel() != nullptr)
        nodes = tree->selectionModel()->selectedIndexes();
    if (nodes.isEmpty() && tree->currentIndex().isValid())
        nodes << tree->currentIndex();
    return nodes;
}

} // namespace harrowdale::ui
