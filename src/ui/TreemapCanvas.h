#pragma once

// A treemap canvas: paints from an off-screen 32-bit image that is redrawn only when it is
// marked dirty or the widget's size changed; otherwise a paint is one image copy.

#include "treemap/Canvas.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

class QPainter;

namespace harrowdale::ui {

/// ITreemapCanvas over a QPainter on the canvas's image. Colours are stored red-low.
class TQtTreemapCanvas final : public ITreemapCanvas
{
public:
    TQtTreemapCanvas(QPainter& painter, const TRect& clip) : FPainter(painter), FClip(clip) {}
    void FillRect(const TRect& r, TColor color) override;
    void FrameRect(const TRect& r, TColor color, int penWidth) override;
    TRect ClipRect() const override { return FClip; }

private:
    QPainter& FPainter;
    TRect FClip;
};

class TTreemapCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit TTreemapCanvas(QWidget* parent = nullptr);

    /// Whether there is a treemap to draw; without one the placeholder is shown.
    std::function<bool()> HasData;
    /// Paints the layout onto the buffer.
    std::function<void(ITreemapCanvas&)> PaintLayout;
    /// Gives true while the window closes: nothing is painted then.
    std::function<bool()> Closing;

    /// Marks the buffer dirty and schedules a repaint.
    void Invalidate();
    bool IsDirty() const { return FDirty; }
    void SetPlaceholderText(const QString& text);
    /// The buffer as last drawn (for tests and screenshots).
    const QImage& Buffer() const { return FBuffer; }
    /// A rebuild was skipped while the canvas was hidden: rebuild when it is shown.
    void MarkStale() { FStale = true; }
    /// Shows `text` as a hint at the cursor at once; empty hides it.
    void ShowHintNow(const QString& text);

Q_SIGNALS:
    void MouseMoved(QPoint pos);
    void MousePressed(QPoint pos, bool ctrl);
    void DoubleClicked();
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Redraw();

    QImage FBuffer;
    bool FDirty = true;
    bool FStale = false;
    QString FPlaceholder;
};

} // namespace harrowdale::ui
