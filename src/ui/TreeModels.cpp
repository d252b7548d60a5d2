#include "ui/TreeModels.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "treemap/Colors.h"
#include "ui/FileIcons.h"
#include "ui/ListModels.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/DupGroupText.h"
#include "ui/text/LinkText.h"

#include <algorithm>

namespace harrowdale::ui {

namespace {

// "name  [size]": not translated; the size text comes from its translated template.
QString NodeText(std::string_view name, const std::string& sizeText)
{
    return DisplayText(std::string(name)) + QStringLiteral("  [") +
           QString::fromStdString(sizeText) + QLatin1Char(']');
}

QVariant ObjectVariant(const void* p)
{
    return QVariant::fromValue(p);
}

QVariant FolderNodeData(const TDirNode* d, int role)
{
    switch (role) {
    case Qt::DisplayRole:
        return NodeText(d->Name(), FormatSize(d->TotalSize()));
    case Qt::DecorationRole:
        return FileIcons().Folder();
    case kObjectRole:
        return ObjectVariant(d);
    default:
        return {};
    }
}

} // namespace

// ---------------------------------------------------------------- folders tree

void TFolderTreeModel::SetRoot(const TDirNode* root)
{
    beginResetModel();
    FRoot = root;
    FOrder.Clear();
    endResetModel();
}

const TDirNode* TFolderTreeModel::Folder(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<const TDirNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TFolderTreeModel::IndexOf(const TDirNode* folder) const
{
    if (folder == nullptr || folder == FRoot || FRoot == nullptr)
        return {};
    return createIndex(static_cast<int>(FOrder.RowOf(folder)), 0, const_cast<TDirNode*>(folder));
}

QModelIndex TFolderTreeModel::IndexAfterReorder(quintptr id, int column) const
{
    const auto* d = reinterpret_cast<const TDirNode*>(id);
    return createIndex(static_cast<int>(FOrder.RowOf(d)), column, id);
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const TDirNode* p = parent.isValid() ? Folder(parent) : FRoot;
    if (p == nullptr || column < 0 || column >= ColumnCount || row < 0 ||
        row >= static_cast<int>(p->Children().size()))
        return {};
    return createIndex(row, column,
                       const_cast<TDirNode*>(FOrder.Child(p, static_cast<std::size_t>(row))));
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const
{
    const TDirNode* d = Folder(child);
    if (d == nullptr)
        return {};
    return IndexOf(d->Parent());
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const
{
    const TDirNode* p = parent.isValid() ? Folder(parent) : FRoot;
    return p == nullptr ? 0 : static_cast<int>(p->Children().size());
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const
{
    const TDirNode* d = Folder(index);
    if (d == nullptr)
        return {};
    return index.column() == Name ? FolderNodeData(d, role) : FolderCell(d, index.column(), role);
}

// ---------------------------------------------------------------- folders and files

namespace {

constexpr quintptr kFileTag = 1; // files are tagged in the low bit; entries are 8-aligned

} // namespace

void TFilesTreeModel::SetRoot(const TDirNode* root)
{
    beginResetModel();
    FRoot = root;
    FLoaded.clear();
    FOrder.Clear();
    endResetModel();
}

const TDirNode* TFilesTreeModel::Folder(const QModelIndex& index) const
{
    if (!index.isValid() || (index.internalId() & kFileTag) != 0)
        return nullptr;
    return reinterpret_cast<const TDirNode*>(index.internalId());
}

const TFileLeaf* TFilesTreeModel::File(const QModelIndex& index) const
{
    if (!index.isValid() || (index.internalId() & kFileTag) == 0)
        return nullptr;
    return reinterpret_cast<const TFileLeaf*>(index.internalId() & ~kFileTag);
}

int TFilesTreeModel::RowOfFolder(const TDirNode* folder) const
{
    return folder == FRoot ? 0 : static_cast<int>(FOrder.RowOf(folder));
}

QModelIndex TFilesTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (!parent.isValid())
        return FRoot != nullptr && row == 0
                   ? createIndex(0, column, reinterpret_cast<quintptr>(FRoot))
                   : QModelIndex();
    const TDirNode* d = Folder(parent);
    if (d == nullptr)
        return {};
    const auto it = FLoaded.find(d);
    if (it == FLoaded.end())
        return {};
    const auto folders = static_cast<int>(d->Children().size());
    if (row < folders)
        return createIndex(
            row, column,
            reinterpret_cast<quintptr>(FOrder.Child(d, static_cast<std::size_t>(row))));
    const auto fileRow = static_cast<std::size_t>(row - folders);
    if (fileRow >= it->second.size())
        return {};
    return createIndex(row, column, reinterpret_cast<quintptr>(it->second[fileRow]) | kFileTag);
}

QModelIndex TFilesTreeModel::parent(const QModelIndex& child) const
{
    const TDirNode* holder = nullptr;
    if (const TFileLeaf* f = File(child))
        holder = f->Parent();
    else if (const TDirNode* d = Folder(child))
        holder = d == FRoot ? nullptr : d->Parent();
    if (holder == nullptr)
        return {};
    return createIndex(RowOfFolder(holder), 0, reinterpret_cast<quintptr>(holder));
}

int TFilesTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return FRoot != nullptr ? 1 : 0;
    const TDirNode* d = Folder(parent);
    if (d == nullptr)
        return 0;
    const auto it = FLoaded.find(d);
    return it == FLoaded.end() ? 0 : static_cast<int>(d->Children().size() + it->second.size());
}

bool TFilesTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return FRoot != nullptr;
    const TDirNode* d = Folder(parent);
    return d != nullptr && (!d->Children().empty() || !d->Leaves().empty());
}

bool TFilesTreeModel::canFetchMore(const QModelIndex& parent) const
{
    const TDirNode* d = Folder(parent);
    return d != nullptr && hasChildren(parent) && !IsLoaded(d);
}

void TFilesTreeModel::fetchMore(const QModelIndex& parent)
{
    const TDirNode* d = Folder(parent);
    if (d == nullptr || IsLoaded(d))
        return;
    // Subfolders are already in size order; the files are sorted here, once.
    std::vector<const TFileLeaf*> files;
    files.reserve(d->Leaves().size());
    for (const TFileLeaf& f : d->Leaves())
        files.push_back(&f);
    OrderFiles(files);
    const int count = static_cast<int>(d->Children().size() + files.size());
    if (count == 0) {
        FLoaded.emplace(d, std::move(files));
        return;
    }
    beginInsertRows(parent, 0, count - 1);
    FLoaded.emplace(d, std::move(files));
    endInsertRows();
}

void TFilesTreeModel::OrderFiles(std::vector<const TFileLeaf*>& files) const
{
    // By size first in any case: equal keys of a sort stand in that order.
    std::stable_sort(files.begin(), files.end(),
                     [](const TFileLeaf* a, const TFileLeaf* b) { return a->Size() > b->Size(); });
    FOrder.SortFiles(files);
}

void TFilesTreeModel::Reordered()
{
    for (auto& [folder, files] : FLoaded)
        OrderFiles(files);
}

QModelIndex TFilesTreeModel::IndexAfterReorder(quintptr id, int column) const
{
    if ((id & kFileTag) == 0)
        return createIndex(RowOfFolder(reinterpret_cast<const TDirNode*>(id)), column, id);
    const auto* file = reinterpret_cast<const TFileLeaf*>(id & ~kFileTag);
    const TDirNode* holder = file->Parent();
    const std::vector<const TFileLeaf*>& files = FLoaded.at(holder);
    const auto at = std::find(files.begin(), files.end(), file);
    return createIndex(static_cast<int>(holder->Children().size()) +
                           static_cast<int>(at - files.begin()),
                       column, id);
}

QModelIndex TFilesTreeModel::IndexOfFolder(const TDirNode* folder)
{
    if (folder == nullptr || FRoot == nullptr)
        return {};
    if (folder == FRoot)
        return index(0, 0);
    const QModelIndex parentIndex = IndexOfFolder(folder->Parent());
    if (!parentIndex.isValid())
        return {};
    fetchMore(parentIndex);
    return index(RowOfFolder(folder), 0, parentIndex);
}

QModelIndex TFilesTreeModel::IndexOfFile(const TFileLeaf* file)
{
    if (file == nullptr)
        return {};
    const TDirNode* holder = file->Parent();
    const QModelIndex parentIndex = IndexOfFolder(holder);
    if (!parentIndex.isValid())
        return {};
    fetchMore(parentIndex);
    const std::vector<const TFileLeaf*>& files = FLoaded[holder];
    const auto it = std::find(files.begin(), files.end(), file);
    if (it == files.end())
        return {};
    return index(
        static_cast<int>(holder->Children().size() + static_cast<std::size_t>(it - files.begin())),
        0, parentIndex);
}

QVariant TFilesTreeModel::data(const QModelIndex& index, int role) const
{
    if (index.column() != Name) {
        if (const TFileLeaf* f = File(index))
            return FileCell(f, index.column(), role);
        const TDirNode* d = Folder(index);
        return d == nullptr ? QVariant() : FolderCell(d, index.column(), role);
    }
    if (const TFileLeaf* f = File(index)) {
        switch (role) {
        case Qt::DisplayRole:
            return NodeText(f->Name(), FileSizeText(*f));
        case Qt::DecorationRole:
            return FileIcons().ForFileName(f->Name());
        case kObjectRole:
            return ObjectVariant(f);
        default:
            return {};
        }
    }
    const TDirNode* d = Folder(index);
    return d == nullptr ? QVariant() : FolderNodeData(d, role);
}

// ---------------------------------------------------------------- duplicate files

// Internal ids: 0 for a group node; group index + 1 for the nodes below that group.

void TDupTreeModel::SetGroups(const std::vector<std::unique_ptr<TDupGroup>>* groups)
{
    beginResetModel();
    FGroups = groups;
    FMoreTemplate = QString::fromStdString(Translate("... %d more files not shown"));
    endResetModel();
}

const TDupGroup* TDupTreeModel::Group(const QModelIndex& index) const
{
    if (!index.isValid() || FGroups == nullptr)
        return nullptr;
    const std::size_t g = index.internalId() == 0
                              ? static_cast<std::size_t>(index.row())
                              : static_cast<std::size_t>(index.internalId() - 1);
    return g < FGroups->size() ? (*FGroups)[g].get() : nullptr;
}

bool TDupTreeModel::IsGroupNode(const QModelIndex& index) const
{
    return index.isValid() && index.internalId() == 0;
}

bool TDupTreeModel::IsMoreNode(const QModelIndex& index) const
{
    return index.isValid() && index.internalId() != 0 &&
           static_cast<std::size_t>(index.row()) == kMaxDupFilesPerGroupNode;
}

const TFileLeaf* TDupTreeModel::File(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() == 0 || IsMoreNode(index))
        return nullptr;
    const TDupGroup* g = Group(index);
    return g != nullptr ? g->Files[static_cast<std::size_t>(index.row())] : nullptr;
}

QModelIndex TDupTreeModel::IndexOfGroup(int group) const
{
    return index(group, 0);
}

QModelIndex TDupTreeModel::IndexOfFile(const TFileLeaf* file, const TDupGroup* group) const
{
    if (FGroups == nullptr || group == nullptr)
        return {};
    for (std::size_t g = 0; g < FGroups->size(); ++g) {
        if ((*FGroups)[g].get() != group)
            continue;
        const auto& files = group->Files;
        const std::size_t shown = std::min(files.size(), kMaxDupFilesPerGroupNode);
        for (std::size_t k = 0; k < shown; ++k)
            if (files[k] == file)
                return createIndex(static_cast<int>(k), 0, static_cast<quintptr>(g + 1));
    }
    return {};
}

QModelIndex TDupTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (FGroups == nullptr || column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < static_cast<int>(FGroups->size()) ? createIndex(row, 0, quintptr{0})
                                                       : QModelIndex();
    if (parent.internalId() != 0 || row >= rowCount(parent))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex TDupTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr{0});
}

int TDupTreeModel::rowCount(const QModelIndex& parent) const
{
    if (FGroups == nullptr)
        return 0;
    if (!parent.isValid())
        return static_cast<int>(FGroups->size());
    if (parent.internalId() != 0)
        return 0;
    const TDupGroup* g = Group(parent);
    if (g == nullptr)
        return 0;
    const std::size_t n = g->Files.size();
    return static_cast<int>(std::min(n, kMaxDupFilesPerGroupNode) +
                            (n > kMaxDupFilesPerGroupNode ? 1 : 0));
}

int TDupTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TDupTreeModel::data(const QModelIndex& index, int role) const
{
    const TDupGroup* g = Group(index);
    if (g == nullptr)
        return {};
    if (IsGroupNode(index)) {
        switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(DupGroupName(*g)) +
                   QStringLiteral("  (%1)").arg(g->Files.size());
        case Qt::DecorationRole:
            return FileIcons().ForFileName(g->FileName);
        case kObjectRole:
            return ObjectVariant(g);
        default:
            return {};
        }
    }
    if (IsMoreNode(index)) {
        if (role != Qt::DisplayRole)
            return {};
        return QString::fromStdString(
            Format(FMoreTemplate.toStdString(),
                   static_cast<std::int64_t>(g->Files.size() - kMaxDupFilesPerGroupNode)));
    }
    const TFileLeaf* f = File(index);
    switch (role) {
    case Qt::DisplayRole: {
        // Removing a copy with other links frees nothing: the mark says so.
        const std::string mark = HardLinkText(*f);
        return mark.empty() ? DisplayText(f->FullPath())
                            : DisplayText(f->FullPath()) + QStringLiteral("  [") +
                                  QString::fromStdString(mark) + QLatin1Char(']');
    }
    case Qt::DecorationRole:
        return FileIcons().ForFileName(f->Name());
    case kObjectRole:
        return ObjectVariant(f);
    default:
        return {};
    }
}

} // namespace harrowdale::ui
