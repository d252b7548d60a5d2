#include "ui/ShareBarDelegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace harrowdale::ui {

void TShareBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const QVariant share = index.data(kShareRole);
    if (!share.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The row's background (and selection) first, then the bar, then the text over it.
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    const QRect frame = opt.rect.adjusted(2, 3, -2, -3);
    if (frame.width() <= 0 || frame.height() <= 0)
        return;
    const double part = std::clamp(share.toDouble(), 0.0, 1.0);
    const bool selected = (opt.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group =
        (opt.state & QStyle::State_Enabled) != 0 ? QPalette::Normal : QPalette::Disabled;
    QColor bar =
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Highlight);
    bar.setAlpha(110);
    painter->save();
    painter->fillRect(
        QRect(frame.topLeft(),
              QSize(static_cast<int>(std::lround(part * frame.width())), frame.height())),
        bar);
    painter->setPen(
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(frame.adjusted(2, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, text);
    painter->restore();
}

} // namespace harrowdale::ui
