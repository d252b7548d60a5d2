#pragma once

// A list whose column titles are set from outside (again when the language changes) and
// whose rows can be shown sorted by a column, ascending or descending, or in the order the
// list was filled in, which is the default (column -1). Only row numbers are sorted: the
// rows stay where the model keeps them, and Source maps a row shown to its place there, so
// a sort copies no row and no path. Ties keep the filled-in order either way.
//
// Thread: UI thread only.

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace harrowdale::ui {

/// headerData of a list or tree with sortable columns: the title, and for
/// Qt::InitialSortOrderRole which way the first click on it sorts.
QVariant SortableTitleData(const QStringList& titles, int section, Qt::Orientation o, int role,
                           bool largestFirst);

class TSortableTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetHeaders(const QStringList& headers);
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    /// Sorts by `column`, or goes back to the filled-in order for -1; the views keep their
    /// selection and current row. The column chosen holds for every later fill.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int SortColumn() const { return FColumn; }
    Qt::SortOrder SortOrder() const { return FOrder; }

protected:
    /// The place, in the model's own order, of the row shown at `row`.
    std::size_t Source(int row) const
    {
        return FSource.empty() ? static_cast<std::size_t>(row)
                               : FSource[static_cast<std::size_t>(row)];
    }
    /// The row that shows the model's place `source`.
    int RowOfSource(std::size_t source) const
    {
        return static_cast<int>(FSource.empty() ? source : FRowOf[source]);
    }
    /// Whether the model's place `a` comes before `b` by `column`, ascending.
    virtual bool Less(int column, std::size_t a, std::size_t b) const = 0;
    /// Whether the first click on a column's title sorts it largest first (sizes, counts,
    /// dates: what people look for first is the big and the new).
    virtual bool LargestFirst(int column) const
    {
        (void)column;
        return false;
    }
    /// Inside a reset of the rows: the order is the filled-in one until Resort.
    void ForgetOrder();
    /// Inside an insertion of `count` rows after the last: they are shown last until Resort.
    void NoteAppended(std::size_t count);
    /// After rows were replaced or appended: sorts them by the column chosen, if any.
    void Resort();

private:
    void Reorder(int column, Qt::SortOrder order);

    QStringList FHeaders;
    int FColumn = -1;
    Qt::SortOrder FOrder = Qt::AscendingOrder;
    std::vector<std::uint32_t> FSource; ///< row shown -> place; empty: the same
    std::vector<std::uint32_t> FRowOf;  ///< place -> row shown
};

} // namespace harrowdale::ui
