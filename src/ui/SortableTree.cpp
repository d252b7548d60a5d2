#include "ui/SortableTree.h"

#include "scan/DateTime.h"
#include "ui/ChangeColumn.h"
#include "ui/ShareBarDelegate.h"
#include "ui/SortableTable.h"
#include "ui/text/DisplayFormat.h"

namespace harrowdale::ui {

namespace {

QVariant ShareCell(std::int64_t size, const TDirNode* parent, int role)
{
    // A root is all of itself.
    const std::int64_t total = parent != nullptr ? parent->TotalSize() : size;
    if (role == kShareRole)
        return total > 0 ? static_cast<double>(size) / static_cast<double>(total) : 0.0;
    if (role == Qt::DisplayRole)
        return QString::fromStdString(FormatPercent(size, total));
    return {};
}

} // namespace

void TSortableTreeModel::SetHeaders(const QStringList& headers)
{
    FHeaders = headers;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

QVariant TSortableTreeModel::headerData(int section, Qt::Orientation o, int role) const
{
    return SortableTitleData(FHeaders, section, o, role, section != Name);
}

int TSortableTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

void TSortableTreeModel::sort(int column, Qt::SortOrder order)
{
    static constexpr TSortKey kKeys[] = {TSortKey::Name, TSortKey::Size, TSortKey::Files,
                                         TSortKey::Modified, TSortKey::Change};
    static_assert(std::size(kKeys) == ColumnCount);
    const std::optional<TSortKey> key =
        column >= 0 && column < ColumnCount ? std::optional(kKeys[column]) : std::nullopt;
    const bool descending = key && order == Qt::DescendingOrder;
    if (key == FOrder.Key() && descending == FOrder.Descending())
        return;
    Reorder([&] { FOrder.Set(key, descending); });
}

void TSortableTreeModel::SetComparison(const TScanComparison* comparison)
{
    if (comparison == FOrder.Comparison())
        return;
    Reorder([&] { FOrder.SetComparison(comparison); });
}

void TSortableTreeModel::Reorder(const std::function<void()>& change)
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Open nodes, selection and current node are persistent indexes: each follows its
    // entry, which the internal id names whatever its row.
    const QModelIndexList before = persistentIndexList();
    change();
    Reordered();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.push_back(IndexAfterReorder(i.internalId(), i.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariant TSortableTreeModel::FolderCell(const TDirNode* d, int column, int role) const
{
    if (column == Change)
        return FOrder.Comparison() == nullptr
                   ? QVariant()
                   : ChangeCell(FOrder.Comparison()->State(d), FOrder.Comparison()->OldSize(d),
                                d->TotalSize(), role);
    switch (column) {
    case Share:
        return ShareCell(d->TotalSize(), d->Parent(), role);
    case Files:
        if (role == Qt::TextAlignmentRole)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return role == Qt::DisplayRole ? QVariant(QString::number(d->TotalFiles())) : QVariant();
    case Modified:
        return role == Qt::DisplayRole ? QVariant(QString::fromStdString(FormatDateText(
                                             FileTimeToLocalDateTime(FOrder.Newest().Of(d)))))
                                       : QVariant();
    default:
        return {};
    }
}

QVariant TSortableTreeModel::FileCell(const TFileLeaf* f, int column, int role) const
{
    if (column == Change)
        return FOrder.Comparison() == nullptr
                   ? QVariant()
                   : ChangeCell(FOrder.Comparison()->State(f), FOrder.Comparison()->OldSize(f),
                                f->Size(), role);
    switch (column) {
    case Share:
        return ShareCell(f->Size(), f->Parent(), role);
    case Modified:
        return role == Qt::DisplayRole ? QVariant(QString::fromStdString(FileDateText(*f)))
                                       : QVariant();
    default:
        return {};
    }
}

} // namespace harrowdale::ui
