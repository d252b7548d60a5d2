#pragma once

// The folder trees' columns and their sorting: beside each node's text, its share of its
// parent (drawn as a bar), the files below it and its last change; a click on a title
// sorts every level by that column, and column -1 goes back to the tree's own order (by
// size). The scan tree is never reordered: the order lives in a TChildOrder.
//
// Thread: UI thread only.

#include "scan/ScanTree.h"
#include "views/ChildOrder.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <functional>

namespace harrowdale::ui {

class TSortableTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column
    {
        Name,
        Share,
        Files,
        Modified,
        Change, ///< since the older scan of a comparison; empty without one
        ColumnCount
    };
    using QAbstractItemModel::QAbstractItemModel;
    void SetHeaders(const QStringList& headers);
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    /// Sorts every folder's rows by `column`, or the tree's own order for -1; the views
    /// keep their open nodes, selection and current node.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    /// Shows the change since the older scan of `comparison` (null: none) in the Change
    /// column and sorts by it there; it must stay until replaced, or until SetRoot.
    void SetComparison(const TScanComparison* comparison);
    const TScanComparison* Comparison() const { return FOrder.Comparison(); }

protected:
    /// The cells past the name.
    QVariant FolderCell(const TDirNode* d, int column, int role) const;
    QVariant FileCell(const TFileLeaf* f, int column, int role) const;
    /// After the order changed: lists the model keeps itself are put in the new order.
    virtual void Reordered() {}
    /// Where the entry behind a persistent index's internal id is after a reorder.
    virtual QModelIndex IndexAfterReorder(quintptr id, int column) const = 0;

    TChildOrder FOrder;

private:
    /// Applies `change` to the order; open nodes, selection and current node follow.
    void Reorder(const std::function<void()>& change);

    QStringList FHeaders;
};

} // namespace harrowdale::ui
