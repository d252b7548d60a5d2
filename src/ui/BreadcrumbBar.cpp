#include "ui/BreadcrumbBar.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace harrowdale::ui {

namespace {

constexpr int kPadding = 4; ///< on each side of a place's name
const QString kSeparator = QStringLiteral("\u203A");
const QString kEllipsis = QStringLiteral("\u2026");

QFont BoldOf(QFont f)
{
    f.setBold(true);
    return f;
}

} // namespace

TBreadcrumbBar::TBreadcrumbBar(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    // Never wider than the window lets it be: a long path folds instead.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void TBreadcrumbBar::SetPlaces(const QStringList& names)
{
    FNames = names;
    LayOut();
    update();
}

QRect TBreadcrumbBar::LinkRect(int index) const
{
    for (const TPiece& p : FPieces)
        if (p.Place == index && p.Text != kEllipsis)
            return p.Rect;
    return {};
}

QSize TBreadcrumbBar::sizeHint() const
{
    return {200, minimumSizeHint().height()};
}

QSize TBreadcrumbBar::minimumSizeHint() const
{
    return {0, QFontMetrics(BoldOf(font())).height() + 2 * kPadding};
}

void TBreadcrumbBar::LayOut()
{
    FPieces.clear();
    FHover = -1;
    const int n = static_cast<int>(FNames.size());
    if (n == 0)
        return;
    const QFontMetrics normal(font());
    const QFontMetrics bold(BoldOf(font()));
    std::vector<int> widths;
    int total = 0;
    const int separator = normal.horizontalAdvance(kSeparator) + 2 * kPadding;
    const int ellipsis = normal.horizontalAdvance(kEllipsis) + 2 * kPadding;
    for (int i = 0; i < n; ++i) {
        widths.push_back((i == n - 1 ? bold : normal).horizontalAdvance(FNames[i]) + 2 * kPadding);
        total += widths.back() + (i > 0 ? separator : 0);
    }
    int x = 0;
    auto add = [&](const QString& text, int w, int place, bool current) {
        FPieces.push_back({QRect(x, 0, w, height()), text, place, current});
        x += w;
    };
    auto addPlace = [&](int i) {
        if (i == n - 1) // the place shown takes what is left; its text is elided to fit
            add(FNames[i], std::min(widths[i], std::max(width() - x, 0)), -1, true);
        else
            add(FNames[i], widths[i], i, false);
    };
    auto addSeparator = [&] { add(kSeparator, separator, -1, false); };
    if (total <= width()) {
        for (int i = 0; i < n; ++i) {
            if (i > 0)
                addSeparator();
            addPlace(i);
        }
        return;
    }
    // The first place and the ellipsis, then as many of the last places as fit.
    const int prefix = widths[0] + ellipsis + 2 * separator;
    int tail = n - 1;
    int used = widths[n - 1];
    while (tail > 2 && prefix + used + separator + widths[tail - 1] <= width()) {
        --tail;
        used += separator + widths[tail];
    }
    if (n >= 3 && prefix + used <= width()) {
        addPlace(0);
        addSeparator();
    } else {
        tail = n - 1; // only the ellipsis before the place shown
    }
    if (tail > 0) {
        add(kEllipsis, ellipsis, tail - 1, false);
        addSeparator();
    }
    for (int i = tail; i < n; ++i) {
        if (i > tail)
            addSeparator();
        addPlace(i);
    }
}

void TBreadcrumbBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFont normalFont = font();
    for (int i = 0; i < static_cast<int>(FPieces.size()); ++i) {
        const TPiece& piece = FPieces[static_cast<std::size_t>(i)];
        QFont f = piece.Current ? BoldOf(normalFont) : normalFont;
        f.setUnderline(i == FHover && piece.Place >= 0);
        p.setFont(f);
        p.setPen(palette().color(piece.Place < 0 && !piece.Current ? QPalette::PlaceholderText
                                                                   : QPalette::WindowText));
        const QRect text = piece.Rect.adjusted(kPadding, 0, -kPadding, 0);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetrics(f).elidedText(piece.Text, Qt::ElideMiddle, text.width()));
    }
}

int TBreadcrumbBar::PieceAt(QPoint p) const
{
    for (int i = 0; i < static_cast<int>(FPieces.size()); ++i)
        if (FPieces[static_cast<std::size_t>(i)].Place >= 0 &&
            FPieces[static_cast<std::size_t>(i)].Rect.contains(p))
            return i;
    return -1;
}

void TBreadcrumbBar::mouseMoveEvent(QMouseEvent* event)
{
    const int hover = PieceAt(event->position().toPoint());
    if (hover == FHover)
        return;
    FHover = hover;
    setCursor(hover >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void TBreadcrumbBar::mousePressEvent(QMouseEvent* event)
{
    const int piece = PieceAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && piece >= 0)
        Q_EMIT Picked(FPieces[static_cast<std::size_t>(piece)].Place);
}

void TBreadcrumbBar::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    FHover = -1;
    update();
}

void TBreadcrumbBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

void TBreadcrumbBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        LayOut();
        update();
    }
}

} // namespace harrowdale::ui
