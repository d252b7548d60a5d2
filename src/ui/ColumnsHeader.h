#pragma once

// The column titles of a list or tree: a click sorts by the column, a second click the
// other way round and a third goes back to the default order; their context menu shows
// and hides the columns and offers the default order. What the user chose is part of the
// header's state, which the window keeps between runs (TResultPage::SaveColumns).
//
// Thread: UI thread only.

#include <QStringList>
#include <memory>

class QAbstractItemView;
class QHeaderView;
class QMenu;
class QTableView;
class QTreeView;

namespace harrowdale::ui {

/// Makes `view`'s columns sortable and choosable; its model sorts with sort(column, order),
/// column -1 being its default order.
void SetUpColumnHeader(QTreeView* view);
void SetUpColumnHeader(QTableView* view);

/// A folder tree with columns (TSortableTreeModel): its titles shown and set up as above,
/// whole rows selected, the share drawn as a bar.
void SetUpTreeColumns(QTreeView* view);
/// The titles of a folder tree's columns, in the current language.
QStringList TreeColumnTitles();

/// The titles' context menu: a check for each column but the first (which always shows)
/// and "Default Order", in the current language. Shown by a right-click on the titles.
std::unique_ptr<QMenu> ColumnsMenu(QTreeView* view);
std::unique_ptr<QMenu> ColumnsMenu(QAbstractItemView* view, QHeaderView* header);

/// After the header's state was restored: a state kept by a version without sorting
/// holds no sort indicator and is shown in the default order.
void CheckRestoredSort(QTreeView* view);

} // namespace harrowdale::ui
