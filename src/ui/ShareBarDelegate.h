#pragma once

#include <QStyledItemDelegate>

namespace harrowdale::ui {

/// Item-data role carrying a row's share of its parent, 0 to 1, for the bar.
constexpr int kShareRole = Qt::UserRole + 3;

/// Draws a row's share of its parent (kShareRole) as a bar behind the percentage text;
/// rows without a share draw as usual.
class TShareBarDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace harrowdale::ui
