#include "ui/FindModel.h"

#include "ui/FileIcons.h"
#include "ui/ListModels.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/LinkText.h"
#include "views/EntryOrder.h"

namespace harrowdale::ui {

namespace {

std::string_view NameOf(TEntryRef e)
{
    return e.IsFile() ? e.File()->Name() : e.Dir()->Name();
}

std::int64_t SizeOf(TEntryRef e)
{
    return e.IsFile() ? e.File()->Size() : e.Dir()->TotalSize();
}

// Folders have no date of their own in a result: they sort before every dated file.
std::int64_t ChangeOf(TEntryRef e)
{
    return e.IsFile() ? e.File()->ModifiedFT() : 0;
}

int CompareFolders(const TDirNode* a, const TDirNode* b)
{
    if (a == nullptr || b == nullptr) // the scanned folder itself has none above it
        return (a != nullptr) - (b != nullptr);
    return CompareFolderPaths(a, b);
}

} // namespace

void TFindModel::Clear()
{
    beginResetModel();
    FRows.clear();
    FRows.shrink_to_fit();
    ForgetOrder();
    endResetModel();
}

void TFindModel::Append(std::span<const TEntryRef> entries)
{
    if (entries.empty())
        return;
    const int first = static_cast<int>(FRows.size());
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    FRows.insert(FRows.end(), entries.begin(), entries.end());
    NoteAppended(entries.size());
    endInsertRows();
}

bool TFindModel::Less(int column, std::size_t a, std::size_t b) const
{
    const TEntryRef ea = FRows[a], eb = FRows[b];
    switch (column) {
    case Name:
        return CompareNames(NameOf(ea), NameOf(eb)) < 0;
    case Folder:
        return CompareFolders(ea.Parent(), eb.Parent()) < 0;
    case Modified:
        return ChangeOf(ea) < ChangeOf(eb);
    default:
        return SizeOf(ea) < SizeOf(eb);
    }
}

int TFindModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TFindModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFindModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const TEntryRef e = Entry(index.row());
    if (role == kObjectRole)
        return QVariant::fromValue(e.Object());
    if (role == Qt::DecorationRole && index.column() == Name)
        return e.IsFile() ? FileIcons().ForFileName(e.File()->Name()) : FileIcons().Folder();
    if (role == Qt::TextAlignmentRole && index.column() == Size)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Name:
        return DisplayText(std::string(NameOf(e)));
    case Folder:
        return e.Parent() != nullptr ? DisplayText(e.Parent()->FullPath()) : QString();
    case Size:
        return QString::fromStdString(e.IsFile() ? FileSizeText(*e.File()) : FormatSize(SizeOf(e)));
    case Modified:
        return e.IsFile() ? QString::fromStdString(FileDateText(*e.File())) : QString();
    default:
        return {};
    }
}

} // namespace harrowdale::ui
