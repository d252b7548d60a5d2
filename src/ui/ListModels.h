#pragma once

// Models of the window's lists. Rows refer to the scan tree without owning it; the window
// clears every model before it frees a tree.

#include "scan/ScanTree.h"
#include "treemap/Colors.h"
#include "ui/SortableTable.h"
#include "views/ScanComparison.h"

#include <span>
#include <vector>

namespace harrowdale::ui {

/// Item-data role carrying a row's colour (a TColor) for the swatch column.
constexpr int kColorRole = Qt::UserRole + 1;
/// Item-data role carrying the row's object pointer (TFileLeaf*, TDirNode*, ...).
constexpr int kObjectRole = Qt::UserRole + 2;

/// The largest files: Name, Path, Size, Percentage, Modified, FullPath (hidden), Change
/// (shown while two scans are compared).
class TLargestFilesModel : public TSortableTableModel
{
    Q_OBJECT
public:
    using TSortableTableModel::TSortableTableModel;
    enum Column
    {
        Name,
        Path,
        Size,
        Percentage,
        Modified,
        FullPath,
        Change,
        ColumnCount
    };

    void Clear();
    /// Sets the byte total the percentages are shares of.
    void SetTotal(std::int64_t total) { FTotal = total; }
    void Append(std::span<const TFileLeaf* const> files);
    const TFileLeaf* File(int row) const { return FRows[Source(row)]; }
    /// The change of each file since the older scan of `comparison` (null: none); it must
    /// stay until replaced or until Clear.
    void SetComparison(const TScanComparison* comparison);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    bool Less(int column, std::size_t a, std::size_t b) const override;
    bool LargestFirst(int column) const override;

private:
    std::int64_t ChangeOf(const TFileLeaf& f) const;

    std::vector<const TFileLeaf*> FRows;
    std::int64_t FTotal = 0;
    const TScanComparison* FComparison = nullptr;
};

/// Extension statistics: Extension, Color, Bytes, [Percentage,] Files.
class TExtListModel : public TSortableTableModel
{
    Q_OBJECT
public:
    TExtListModel(bool withPercentage, QObject* parent = nullptr);

    void Clear();
    /// Rows in the given order; percentages are shares of `total`.
    void SetRows(std::vector<TExtStatPair> rows, std::int64_t total);
    const TExtStatPair& Row(int row) const { return FRows[Source(row)]; }
    int ColorColumn() const { return 1; }
    /// How the row of files without an extension is named, in the language shown; every
    /// row is shown again (its size texts follow the language too).
    void SetNoExtensionText(const QString& text);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

protected:
    bool Less(int column, std::size_t a, std::size_t b) const override;
    bool LargestFirst(int column) const override { return column >= 2; }

private:
    /// The column's meaning, the same with and without the percentage.
    int Meaning(int column) const { return !FWithPercentage && column >= 3 ? column + 1 : column; }

    bool FWithPercentage;
    std::vector<TExtStatPair> FRows;
    std::vector<TColor> FColors;
    std::int64_t FTotal = 0;
    QString FNoExtension = QStringLiteral("(none)");
};

} // namespace harrowdale::ui
