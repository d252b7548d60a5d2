#include "ui/ChangeColumn.h"

#include "ui/text/ChangeText.h"

#include <QTreeView>

namespace harrowdale::ui {

QVariant ChangeCell(TChangeState state, std::int64_t oldSize, std::int64_t newSize, int role)
{
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(ChangeCellText(state, oldSize, newSize));
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return state == TChangeState::Same ? QVariant() : QVariant(ChangeColor(state).darker(150));
    default:
        return {};
    }
}

QColor ChangeColor(TChangeState state)
{
    switch (state) {
    case TChangeState::Grown:
        return {224, 96, 64};
    case TChangeState::Shrunk:
        return {64, 176, 96};
    case TChangeState::New:
        return {80, 128, 232};
    case TChangeState::Gone:
        return {150, 150, 150};
    case TChangeState::Same:
        break;
    }
    return {200, 200, 200};
}

TColor ChangeMapColor(TChangeState state)
{
    const QColor c = ChangeColor(state);
    return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 |
           static_cast<TColor>(c.blue()) << 16;
}

void ShowChangeColumn(QTreeView* view, int column, bool comparing)
{
    view->setColumnHidden(column, !comparing);
    if (comparing && view->columnWidth(column) < 40)
        view->setColumnWidth(column, 150);
}

} // namespace harrowdale::ui
