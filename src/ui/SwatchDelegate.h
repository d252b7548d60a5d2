#pragma once

#include <QStyledItemDelegate>

namespace harrowdale::ui {

/// Draws a row's colour (kColorRole) as a framed swatch in its "Color" column, inset 8
/// pixels left and right and 4 pixels top and bottom; other columns draw as usual.
class TSwatchDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    TSwatchDelegate(int colorColumn, QObject* parent)
        : QStyledItemDelegate(parent), FColumn(colorColumn)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int FColumn;
};

} // namespace harrowdale::ui
