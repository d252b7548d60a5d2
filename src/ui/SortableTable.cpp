#include "ui/SortableTable.h"

#include <algorithm>
#include <numeric>

namespace harrowdale::ui {

void TSortableTableModel::SetHeaders(const QStringList& headers)
{
    FHeaders = headers;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, std::max(columnCount() - 1, 0));
}

QVariant SortableTitleData(const QStringList& titles, int section, Qt::Orientation o, int role,
                           bool largestFirst)
{
    if (o != Qt::Horizontal || section < 0 || section >= titles.size())
        return {};
    if (role == Qt::DisplayRole)
        return titles[section];
    if (role == Qt::InitialSortOrderRole)
        return QVariant::fromValue(largestFirst ? Qt::DescendingOrder : Qt::AscendingOrder);
    return {};
}

QVariant TSortableTableModel::headerData(int section, Qt::Orientation o, int role) const
{
    return SortableTitleData(FHeaders, section, o, role, LargestFirst(section));
}

void TSortableTableModel::sort(int column, Qt::SortOrder order)
{
    if (column >= columnCount())
        column = -1;
    if (column == FColumn && order == FOrder)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The views' selections and current rows are persistent indexes: each follows its row.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> places;
    places.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before)
        places.push_back(Source(i.row()));
    Reorder(column, order);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k)
        after.push_back(
            index(RowOfSource(places[static_cast<std::size_t>(k)]), before[k].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TSortableTableModel::ForgetOrder()
{
    FSource.clear();
    FRowOf.clear();
}

void TSortableTableModel::NoteAppended(std::size_t count)
{
    if (FSource.empty())
        return;
    for (std::size_t k = 0; k < count; ++k) {
        const auto place = static_cast<std::uint32_t>(FSource.size());
        FSource.push_back(place);
        FRowOf.push_back(place);
    }
}

void TSortableTableModel::Resort()
{
    if (FColumn < 0 || rowCount() == 0)
        return;
    const int column = FColumn;
    FColumn = -1;
    sort(column, FOrder);
}

void TSortableTableModel::Reorder(int column, Qt::SortOrder order)
{
    FColumn = column;
    FOrder = order;
    const auto n = static_cast<std::size_t>(rowCount());
    if (column < 0 || n == 0) {
        ForgetOrder();
        return;
    }
    FSource.resize(n);
    std::iota(FSource.begin(), FSource.end(), 0u);
    // Stable both ways: equal rows keep the filled-in order also when descending.
    if (order == Qt::AscendingOrder)
        std::stable_sort(FSource.begin(), FSource.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return Less(column, a, b); });
    else
        std::stable_sort(FSource.begin(), FSource.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return Less(column, b, a); });
    FRowOf.resize(n);
    for (std::size_t row = 0; row < n; ++row)
        FRowOf[FSource[row]] = static_cast<std::uint32_t>(row);
}

} // namespace harrowdale::ui
