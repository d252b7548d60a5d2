#include "ui/TreemapCanvas.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStaticText>
#include <QToolTip>
#include <algorithm>

namespace harrowdale::ui {

namespace {

QColor ToQColor(TColor c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QRect ToQRect(const TRect& r)
{
    return {r.Left, r.Top, r.Width(), r.Height()};
}

/// A dashed black-on-white line just inside the cell, within the selection frame: it shows
/// on every fill colour and on that frame.
void DrawFocusFrame(QPainter& p, const QRect& cell)
{
    const int inset = std::min({2, (cell.width() - 1) / 2, (cell.height() - 1) / 2});
    const QRect r = cell.adjusted(inset, inset, -inset - 1, -inset - 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(r);
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawRect(r);
}

} // namespace

void TQtTreemapCanvas::FillRect(const TRect& r, TColor color)
{
    if (r.IsEmpty())
        return;
    FPainter.fillRect(ToQRect(r), ToQColor(color));
}

void TQtTreemapCanvas::FrameRect(const TRect& r, TColor color, int penWidth)
{
    if (r.IsEmpty())
        return;
    // Drawn as filled bands so the pixels are exactly those of the pixel-buffer canvas:
    // a 1-pixel pen covers the border pixels, wider pens a band centred on them.
    const int half = penWidth / 2;
    const QColor q = ToQColor(color);
    const int l = r.Left - half, t = r.Top - half, rr = r.Right - 1 + half, b = r.Bottom - 1 + half;
    const int w = rr - l + 1, h = b - t + 1;
    if (w <= 2 * penWidth || h <= 2 * penWidth) {
        FPainter.fillRect(QRect(l, t, w, h), q);
        return;
    }
    FPainter.fillRect(QRect(l, t, w, penWidth), q);
    FPainter.fillRect(QRect(l, b - penWidth + 1, w, penWidth), q);
    FPainter.fillRect(QRect(l, t + penWidth, penWidth, h - 2 * penWidth), q);
    FPainter.fillRect(QRect(rr - penWidth + 1, t + penWidth, penWidth, h - 2 * penWidth), q);
}

void TQtTreemapCanvas::DrawPixels(const TRect& r, std::span<const TColor> pixels)
{
    if (r.IsEmpty() || pixels.size() < static_cast<std::size_t>(r.Width()) * r.Height())
        return;
    // TColor keeps red in the low byte: in memory that is R, G, B, then an unused byte.
    const QImage block(reinterpret_cast<const uchar*>(pixels.data()), r.Width(), r.Height(),
                       r.Width() * static_cast<qsizetype>(sizeof(TColor)), QImage::Format_RGBX8888);
    FPainter.drawImage(ToQRect(r), block);
}

int TQtTreemapCanvas::TextLineHeight() const
{
    // The ring around the glyphs takes a pixel above and below.
    return FPainter.fontMetrics().height() + 2;
}

int TQtTreemapCanvas::TextWidth(std::string_view text) const
{
    return FPainter.fontMetrics().horizontalAdvance(
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) +
           2;
}

void TQtTreemapCanvas::DrawText(const TRect& box, std::string_view text, TColor color, TColor halo)
{
    if (box.Width() <= 2 || box.Height() <= 2)
        return;
    const QFontMetrics metrics = FPainter.fontMetrics();
    const QString shown =
        metrics.elidedText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                           Qt::ElideRight, box.Width() - 2);
    if (shown.isEmpty())
        return;
    // One pixel in from the box's corner leaves room for the ring on every side. The text
    // is laid out once for its five copies.
    QStaticText laidOut(shown);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.prepare(QTransform(), FPainter.font());
    const QPoint base(box.Left + 1, box.Top + 1);
    FPainter.save();
    FPainter.setClipRect(ToQRect(box).intersected(ToQRect(FClip)));
    FPainter.setPen(ToQColor(halo));
    // Four copies a pixel off each way: the corners a ring of eight would add do not
    // change how the text reads.
    for (const QPoint d : {QPoint(0, -1), QPoint(-1, 0), QPoint(1, 0), QPoint(0, 1)})
        FPainter.drawStaticText(base + d, laidOut);
    FPainter.setPen(ToQColor(color));
    FPainter.drawStaticText(base, laidOut);
    FPainter.restore();
}

TTreemapCanvas::TTreemapCanvas(ICanvasContent& content, QWidget* parent)
    : QWidget(parent), FContent(content)
{
    // The paint handler always covers the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(0, 0);
    // Reached by Tab and by a click, so the keys of the commands on the selection work
    // here as in the lists.
    setFocusPolicy(Qt::StrongFocus);
}

void TTreemapCanvas::Invalidate()
{
    FDirty = true;
    update();
}

void TTreemapCanvas::SetPlaceholderText(const QString& text)
{
    FPlaceholder = text;
}

void TTreemapCanvas::Redraw()
{
    // The painter works in logical pixels, the image holds device pixels: a cell edge on a
    // whole logical pixel covers whole device pixels, so cells and frames stay sharp.
    QPainter p(&FBuffer);
    const QRect logical(QPoint(0, 0), FBuffer.deviceIndependentSize().toSize());
    if (FContent.HasLayout()) {
        TQtTreemapCanvas canvas(p, {0, 0, logical.width(), logical.height()});
        FContent.PaintLayout(canvas);
    } else {
        p.fillRect(logical, palette().color(QPalette::Button));
        QFont f = font();
        f.setPointSize(20);
        p.setFont(f);
        p.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        p.drawText(logical, Qt::AlignCenter | Qt::TextSingleLine, FPlaceholder);
    }
    FDirty = false;
}

void TTreemapCanvas::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0)
        return;
    FContent.PrepareLayout();
    // The buffer has the screen's pixels (twice the widget's size at a 2x scale); layouts
    // and hit tests stay in logical pixels.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (FBuffer.size() != pixels || FBuffer.devicePixelRatio() != ratio) {
        FBuffer = QImage(pixels, QImage::Format_RGB32);
        FBuffer.setDevicePixelRatio(ratio);
        FDirty = true;
    }
    if (FDirty)
        Redraw();
    QPainter p(this);
    p.drawImage(0, 0, FBuffer);
    // Over the picture, not in it: the picture stays as it is without the focus.
    if (hasFocus() && FContent.HasLayout())
        if (const TRect cell = FContent.FocusRect(); !cell.IsEmpty())
            DrawFocusFrame(p, ToQRect(cell));
}

void TTreemapCanvas::ShowHintNow(const QString& text)
{
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(QCursor::pos(), text, this);
    setToolTip(text);
}

void TTreemapCanvas::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT MouseMoved(event->position().toPoint());
}

void TTreemapCanvas::mousePressEvent(QMouseEvent* event)
{
    // The mouse's back and forward buttons move through the places the map has shown.
    if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
        Q_EMIT HistoryButton(event->button() == Qt::ForwardButton);
        return;
    }
    // Every other button selects; Ctrl is the only modifier that counts.
    Q_EMIT MousePressed(event->position().toPoint(),
                        event->modifiers().testFlag(Qt::ControlModifier));
}

void TTreemapCanvas::mouseDoubleClickEvent(QMouseEvent*)
{
    Q_EMIT DoubleClicked();
}

void TTreemapCanvas::keyPressEvent(QKeyEvent* event)
{
    constexpr std::pair<int, TMapDirection> kArrows[] = {
        {Qt::Key_Left, TMapDirection::Left},
        {Qt::Key_Right, TMapDirection::Right},
        {Qt::Key_Up, TMapDirection::Up},
        {Qt::Key_Down, TMapDirection::Down},
    };
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        for (const auto& [key, direction] : kArrows)
            if (event->key() == key) {
                Q_EMIT ArrowKey(direction);
                return;
            }
    QWidget::keyPressEvent(event);
}

void TTreemapCanvas::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void TTreemapCanvas::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

QVariant TTreemapCanvas::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImCursorRectangle && FContent.HasLayout())
        if (const TRect cell = FContent.FocusRect(); !cell.IsEmpty())
            return ToQRect(cell);
    return QWidget::inputMethodQuery(query);
}

void TTreemapCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Q_EMIT Resized();
}

void TTreemapCanvas::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The placeholder is drawn in the palette's colours: a desktop switching between light
    // and dark redraws it.
    if (event->type() == QEvent::PaletteChange)
        Invalidate();
}

void TTreemapCanvas::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Q_EMIT Shown();
}

} // namespace harrowdale::ui
