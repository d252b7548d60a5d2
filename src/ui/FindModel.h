#pragma once

// The matches of a search as a list: Name, Folder, Size, Modified. A row is its entry in
// the scan tree and nothing more; its texts are derived when the view asks for them, so a
// million matches cost a word each. Rows arrive in batches while the search runs and are
// sorted by the column chosen once it has ended.
//
// Thread: UI thread only. The window empties the model before it frees or edits the tree.

#include "treemap/EntryRef.h"
#include "ui/SortableTable.h"

#include <span>
#include <vector>

namespace harrowdale::ui {

class TFindModel : public TSortableTableModel
{
    Q_OBJECT
public:
    using TSortableTableModel::TSortableTableModel;
    enum Column
    {
        Name,
        Folder,
        Size,
        Modified,
        ColumnCount
    };

    void Clear();
    /// Adds rows after the last; they stay last until SearchEnded sorts them in.
    void Append(std::span<const TEntryRef> entries);
    /// Sorts every row by the column chosen, if any.
    void SearchEnded() { Resort(); }
    TEntryRef Entry(int row) const { return FRows[Source(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    bool Less(int column, std::size_t a, std::size_t b) const override;
    bool LargestFirst(int column) const override { return column == Size || column == Modified; }

private:
    std::vector<TEntryRef> FRows;
};

} // namespace harrowdale::ui
