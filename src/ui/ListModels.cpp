#include "ui/ListModels.h"

#include "ui/FileIcons.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"

#include <algorithm>

namespace harrowdale::ui {

namespace {

// The folder part of a path: "/" for a file in the file-system root.
std::string FolderOf(const TFileLeaf& f)
{
    return f.Parent()->FullPath();
}

} // namespace

// ---------------------------------------------------------------- column titles

void TTitledTableModel::SetHeaders(const QStringList& headers)
{
    FHeaders = headers;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, std::max(columnCount() - 1, 0));
}

QVariant TTitledTableModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < FHeaders.size())
        return FHeaders[section];
    return {};
}

// ---------------------------------------------------------------- largest files

void TLargestFilesModel::Clear()
{
    beginResetModel();
    FRows.clear();
    FTotal = 0;
    endResetModel();
}

void TLargestFilesModel::Append(std::span<const TFileLeaf* const> files)
{
    if (files.empty())
        return;
    const int first = static_cast<int>(FRows.size());
    beginInsertRows({}, first, first + static_cast<int>(files.size()) - 1);
    FRows.insert(FRows.end(), files.begin(), files.end());
    endInsertRows();
}

int TLargestFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TLargestFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLargestFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TFileLeaf& f = *FRows[static_cast<std::size_t>(index.row())];
    if (role == kObjectRole)
        return QVariant::fromValue(static_cast<const void*>(&f));
    if (role == Qt::DecorationRole && index.column() == Name)
        return FileIcons().ForFileName(f.Name());
    if (role == Qt::TextAlignmentRole && (index.column() == Size || index.column() == Percentage))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Name:
        return DisplayText(std::string(f.Name()));
    case Path:
        return DisplayText(FolderOf(f));
    case Size:
        return QString::fromStdString(FormatSize(f.Size()));
    case Percentage:
        return QString::fromStdString(FormatPercent(f.Size(), FTotal));
    case Modified:
        return QString::fromStdString(FileDateText(f));
    case FullPath:
        return DisplayText(f.FullPath());
    default:
        return {};
    }
}

// ---------------------------------------------------------------- extensions

TExtListModel::TExtListModel(bool withPercentage, QObject* parent)
    : TTitledTableModel(parent), FWithPercentage(withPercentage)
{
}

void TExtListModel::Clear()
{
    beginResetModel();
    FRows.clear();
    FColors.clear();
    FTotal = 0;
    endResetModel();
}

void TExtListModel::SetRows(std::vector<TExtStatPair> rows, std::int64_t total)
{
    beginResetModel();
    FRows = std::move(rows);
    FColors.clear();
    for (const TExtStatPair& r : FRows)
        FColors.push_back(ColorForExt(r.Ext));
    FTotal = total;
    endResetModel();
}

void TExtListModel::SetNoExtensionText(const QString& text)
{
    FNoExtension = text;
    if (!FRows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TExtListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TExtListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (FWithPercentage ? 5 : 4);
}

QVariant TExtListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const TExtStatPair& p = FRows[row];
    if (role == kColorRole)
        return QVariant::fromValue(FColors[row]);
    if (role == Qt::DecorationRole && index.column() == 0)
        return FileIcons().ForExtension(p.Ext);
    if (role == Qt::TextAlignmentRole && index.column() >= 2)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    int col = index.column();
    if (!FWithPercentage && col >= 3)
        ++col; // no percentage column: "Files" moves up
    switch (col) {
    case 0:
        // The key "(none)" cannot be an extension, which starts with its dot.
        return p.Ext == "(none)" ? FNoExtension : DisplayText(p.Ext);
    case 1:
        return QString();
    case 2:
        return QString::fromStdString(FormatSize(p.Bytes));
    case 3:
        return QString::fromStdString(FormatPercent(p.Bytes, FTotal));
    case 4:
        return QString::number(p.Files);
    default:
        return {};
    }
}

} // namespace harrowdale::ui
