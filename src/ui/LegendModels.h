#pragma once

// The lists beside the folder map and the duplicates tree: the top-level folders with
// their colours, and the duplicate groups. Rows refer into the results without owning
// them; the window clears every model before it frees them.

#include "scan/ScanTree.h"
#include "treemap/Colors.h"
#include "ui/SortableTable.h"
#include "views/Duplicates.h"

#include <QString>
#include <memory>
#include <vector>

namespace harrowdale::ui {

/// The top-level folders with their colour, bytes, share and files: the folder map's
/// legend. Columns "Folder", "Color", "Bytes", "%", "Files".
class TTopFoldersModel : public TSortableTableModel
{
    Q_OBJECT
public:
    using TSortableTableModel::TSortableTableModel;
    void SetRoot(const TDirNode* root);
    void Clear() { SetRoot(nullptr); }
    const TDirNode* Folder(int row) const { return FRows[Source(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    bool Less(int column, std::size_t a, std::size_t b) const override;
    bool LargestFirst(int column) const override { return column >= 2; }

private:
    std::vector<const TDirNode*> FRows;
    std::vector<TColor> FColors; ///< worked out once per fill: each costs the folder's path
    std::int64_t FTotal = 0;
};

/// The duplicate groups with their colour, size and date: "Group", "Color", "Size",
/// "Modified".
class TDupGroupsModel : public TSortableTableModel
{
    Q_OBJECT
public:
    using TSortableTableModel::TSortableTableModel;
    void SetGroups(const std::vector<std::unique_ptr<TDupGroup>>* groups);
    const TDupGroup* Group(int row) const;
    /// The place in the groups of the row shown at `row`, and back.
    std::size_t GroupIndex(int row) const { return Source(row); }
    int RowOfGroup(std::size_t groupIndex) const { return RowOfSource(groupIndex); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    bool Less(int column, std::size_t a, std::size_t b) const override;
    bool LargestFirst(int column) const override { return column >= 2; }

private:
    const std::vector<std::unique_ptr<TDupGroup>>* FGroups = nullptr;
    std::vector<QString> FDates; ///< computed when filled, like the other cells
};

} // namespace harrowdale::ui
