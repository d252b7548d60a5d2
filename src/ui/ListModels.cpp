#include "ui/ListModels.h"

#include "ui/ChangeColumn.h"
#include "ui/FileIcons.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/LinkText.h"
#include "views/EntryOrder.h"

#include <algorithm>

namespace harrowdale::ui {

namespace {

// The folder part of a path: "/" for a file in the file-system root.
std::string FolderOf(const TFileLeaf& f)
{
    return f.Parent()->FullPath();
}

} // namespace

// ---------------------------------------------------------------- largest files

void TLargestFilesModel::Clear()
{
    beginResetModel();
    FRows.clear();
    FTotal = 0;
    FComparison = nullptr;
    ForgetOrder();
    endResetModel();
}

void TLargestFilesModel::Append(std::span<const TFileLeaf* const> files)
{
    if (files.empty())
        return;
    const int first = static_cast<int>(FRows.size());
    beginInsertRows({}, first, first + static_cast<int>(files.size()) - 1);
    FRows.insert(FRows.end(), files.begin(), files.end());
    NoteAppended(files.size());
    endInsertRows();
    Resort();
}

void TLargestFilesModel::SetComparison(const TScanComparison* comparison)
{
    FComparison = comparison;
    if (SortColumn() == Change)
        Resort();
    if (!FRows.empty())
        Q_EMIT dataChanged(index(0, Change), index(rowCount() - 1, Change));
}

std::int64_t TLargestFilesModel::ChangeOf(const TFileLeaf& f) const
{
    return FComparison != nullptr ? f.Size() - FComparison->OldSize(&f) : 0;
}

bool TLargestFilesModel::Less(int column, std::size_t a, std::size_t b) const
{
    const TFileLeaf& fa = *FRows[a];
    const TFileLeaf& fb = *FRows[b];
    switch (column) {
    case Name:
        return CompareNames(fa.Name(), fb.Name()) < 0;
    case Path:
        return CompareFolderPaths(fa.Parent(), fb.Parent()) < 0;
    case Modified:
        return fa.ModifiedFT() < fb.ModifiedFT();
    case FullPath:
        return CompareFilePaths(&fa, &fb) < 0;
    case Change:
        return ChangeOf(fa) < ChangeOf(fb);
    default: // the size and its share
        return fa.Size() < fb.Size();
    }
}

bool TLargestFilesModel::LargestFirst(int column) const
{
    return column == Size || column == Percentage || column == Modified || column == Change;
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
    const TFileLeaf& f = *File(index.row());
    if (role == kObjectRole)
        return QVariant::fromValue(static_cast<const void*>(&f));
    if (role == Qt::DecorationRole && index.column() == Name)
        return FileIcons().ForFileName(f.Name());
    if (index.column() == Change)
        return FComparison == nullptr
                   ? QVariant()
                   : ChangeCell(FComparison->State(&f), FComparison->OldSize(&f), f.Size(), role);
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
        return QString::fromStdString(FileSizeText(f));
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
    : TSortableTableModel(parent), FWithPercentage(withPercentage)
{
}

void TExtListModel::Clear()
{
    beginResetModel();
    FRows.clear();
    FColors.clear();
    FTotal = 0;
    ForgetOrder();
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
    ForgetOrder();
    endResetModel();
    Resort();
}

bool TExtListModel::Less(int column, std::size_t a, std::size_t b) const
{
    const TExtStatPair& pa = FRows[a];
    const TExtStatPair& pb = FRows[b];
    switch (Meaning(column)) {
    case 0:
        return CompareNames(pa.Ext, pb.Ext) < 0;
    case 1:
        return FColors[a] < FColors[b];
    case 4:
        return pa.Files < pb.Files;
    default: // the bytes and their share
        return pa.Bytes < pb.Bytes;
    }
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
    const std::size_t row = Source(index.row());
    const TExtStatPair& p = FRows[row];
    if (role == kColorRole)
        return QVariant::fromValue(FColors[row]);
    if (role == Qt::DecorationRole && index.column() == 0)
        return FileIcons().ForExtension(p.Ext);
    if (role == Qt::TextAlignmentRole && index.column() >= 2)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (Meaning(index.column())) {
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
