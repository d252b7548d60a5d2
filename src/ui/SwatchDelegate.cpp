#include "ui/SwatchDelegate.h"

#include "treemap/Colors.h"
#include "ui/ListModels.h"

#include <QPainter>

namespace harrowdale::ui {

void TSwatchDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    const QVariant color = index.data(kColorRole);
    if (index.column() != FColumn || !color.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Selection background first, so a selected row still shows its swatch.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    QStyledItemDelegate::paint(painter, opt, QModelIndex());
    const TColor c = color.value<TColor>();
    const QRect r = option.rect.adjusted(8, 4, -8, -4);
    if (r.width() <= 0 || r.height() <= 0)
        return;
    painter->save();
    painter->fillRect(r, QColor(RedOf(c), GreenOf(c), BlueOf(c)));
    // The frame in the text colour: dark on a light palette, light on a dark one.
    painter->setPen(option.palette.color(QPalette::Text));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace harrowdale::ui
