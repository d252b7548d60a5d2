#pragma once

// Models of the window's lists. Rows refer to the scan tree without owning it; the window
// clears every model before it frees a tree.

#include "scan/ScanTree.h"
#include "treemap/Colors.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <span>
#include <vector>

namespace harrowdale::ui {

/// Item-data role carrying a row's colour (a TColor) for the swatch column.
constexpr int kColorRole = Qt::UserRole + 1;
/// Item-data role carrying the row's object pointer (TFileLeaf*, TDirNode*, ...).
constexpr int kObjectRole = Qt::UserRole + 2;

/// A table whose column titles are set (and set again when the language changes) from
/// outside.
class TTitledTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetHeaders(const QStringList& headers);
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    QStringList FHeaders;
};

/// The largest files: Name, Path, Size, Percentage, Modified, FullPath (hidden).
class TLargestFilesModel : public TTitledTableModel
{
    Q_OBJECT
public:
    using TTitledTableModel::TTitledTableModel;
    enum Column
    {
        Name,
        Path,
        Size,
        Percentage,
        Modified,
        FullPath,
        ColumnCount
    };

    void Clear();
    /// Sets the byte total the percentages are shares of.
    void SetTotal(std::int64_t total) { FTotal = total; }
    void Append(std::span<const TFileLeaf* const> files);
    const TFileLeaf* File(int row) const { return FRows[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<const TFileLeaf*> FRows;
    std::int64_t FTotal = 0;
};

/// Extension statistics: Extension, Color, Bytes, [Percentage,] Files.
class TExtListModel : public TTitledTableModel
{
    Q_OBJECT
public:
    TExtListModel(bool withPercentage, QObject* parent = nullptr);

    void Clear();
    /// Rows in the given order; percentages are shares of `total`.
    void SetRows(std::vector<TExtStatPair> rows, std::int64_t total);
    const TExtStatPair& Row(int row) const { return FRows[static_cast<std::size_t>(row)]; }
    int ColorColumn() const { return 1; }
    /// How the row of files without an extension is named, in the language shown; every
    /// row is shown again (its size texts follow the language too).
    void SetNoExtensionText(const QString& text);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    bool FWithPercentage;
    std::vector<TExtStatPair> FRows;
    std::vector<TColor> FColors;
    std::int64_t FTotal = 0;
    QString FNoExtension = QStringLiteral("(none)");
};

} // namespace harrowdale::ui
