#include "ui/LegendModels.h"

#include "ui/FileIcons.h"
#include "ui/ListModels.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/DupGroupText.h"
#include "views/EntryOrder.h"

#include <algorithm>

namespace harrowdale::ui {

// ---------------------------------------------------------------- top-level folders

void TTopFoldersModel::SetRoot(const TDirNode* root)
{
    beginResetModel();
    FRows.clear();
    FColors.clear();
    FTotal = 0;
    if (root != nullptr) {
        FRows.assign(root->Children().begin(), root->Children().end());
        std::sort(FRows.begin(), FRows.end(), [](const TDirNode* a, const TDirNode* b) {
            return a->TotalSize() > b->TotalSize();
        });
        for (const TDirNode* d : FRows) {
            FTotal += d->TotalSize();
            FColors.push_back(ColorForPath(d->FullPath()));
        }
    }
    ForgetOrder();
    endResetModel();
    Resort();
}

bool TTopFoldersModel::Less(int column, std::size_t a, std::size_t b) const
{
    switch (column) {
    case 0:
        return CompareNames(FRows[a]->Name(), FRows[b]->Name()) < 0;
    case 1:
        return FColors[a] < FColors[b];
    case 4:
        return FRows[a]->TotalFiles() < FRows[b]->TotalFiles();
    default: // the bytes and their share
        return FRows[a]->TotalSize() < FRows[b]->TotalSize();
    }
}

int TTopFoldersModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TTopFoldersModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 5;
}

QVariant TTopFoldersModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TDirNode* d = Folder(index.row());
    if (role == kObjectRole)
        return QVariant::fromValue(static_cast<const void*>(d));
    if (role == kColorRole)
        return QVariant::fromValue(FColors[Source(index.row())]);
    if (role == Qt::DecorationRole && index.column() == 0)
        return FileIcons().Folder();
    if (role == Qt::TextAlignmentRole && index.column() >= 2)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return DisplayText(std::string(d->Name()));
    case 1:
        return QString();
    case 2:
        return QString::fromStdString(FormatSize(d->TotalSize()));
    case 3:
        return QString::fromStdString(FormatPercent(d->TotalSize(), FTotal));
    case 4:
        return QString::number(d->TotalFiles());
    default:
        return {};
    }
}

// ---------------------------------------------------------------- duplicate groups

void TDupGroupsModel::SetGroups(const std::vector<std::unique_ptr<TDupGroup>>* groups)
{
    beginResetModel();
    FGroups = groups;
    FDates.clear();
    if (groups != nullptr)
        for (const auto& g : *groups)
            FDates.push_back(QString::fromStdString(DupGroupModifiedText(*g)));
    ForgetOrder();
    endResetModel();
    Resort();
}

const TDupGroup* TDupGroupsModel::Group(int row) const
{
    return FGroups != nullptr && row >= 0 && row < static_cast<int>(FGroups->size())
               ? (*FGroups)[Source(row)].get()
               : nullptr;
}

bool TDupGroupsModel::Less(int column, std::size_t a, std::size_t b) const
{
    const TDupGroup& ga = *(*FGroups)[a];
    const TDupGroup& gb = *(*FGroups)[b];
    switch (column) {
    case 0:
        return CompareNames(ga.FileName, gb.FileName) < 0;
    case 1:
        return ga.Color < gb.Color;
    case 3:
        return ga.ModifiedFT < gb.ModifiedFT;
    default:
        return ga.Size < gb.Size;
    }
}

int TDupGroupsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || FGroups == nullptr ? 0 : static_cast<int>(FGroups->size());
}

int TDupGroupsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant TDupGroupsModel::data(const QModelIndex& index, int role) const
{
    const TDupGroup* g = index.isValid() ? Group(index.row()) : nullptr;
    if (g == nullptr)
        return {};
    if (role == kObjectRole)
        return QVariant::fromValue(static_cast<const void*>(g));
    if (role == kColorRole)
        return QVariant::fromValue(g->Color);
    if (role == Qt::DecorationRole && index.column() == 0)
        return FileIcons().ForFileName(g->FileName);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return QString::fromStdString(DupGroupName(*g));
    case 1:
        return QString();
    case 2:
        return QString::fromStdString(FormatSize(g->Size));
    case 3:
        return FDates[Source(index.row())];
    default:
        return {};
    }
}

} // namespace harrowdale::ui
