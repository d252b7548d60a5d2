#pragma once

// A treemap canvas: paints from an off-screen 32-bit image that is redrawn only when it is
// marked dirty or the widget's size changed; otherwise a paint is one image copy. The image
// has the screen's device pixels; everything else (layouts, hit tests, mouse positions)
// is in logical pixels.

#include "treemap/Canvas.h"
#include "treemap/CellNeighbour.h"

#include <QImage>
#include <QString>
#include <QWidget>

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
    void DrawPixels(const TRect& r, std::span<const TColor> pixels) override;
    int TextLineHeight() const override;
    int TextWidth(std::string_view text) const override;
    void DrawText(const TRect& box, std::string_view text, TColor color, TColor halo) override;

private:
    QPainter& FPainter;
    TRect FClip;
};

/// What a canvas shows: its page's layout.
class ICanvasContent
{
public:
    /// Called before a paint: a layout that no longer fits the canvas is built now (and
    /// marks the canvas dirty).
    virtual void PrepareLayout() = 0;
    /// Whether there is a treemap to draw; without one the placeholder is shown.
    virtual bool HasLayout() const = 0;
    /// Paints the layout onto the buffer.
    virtual void PaintLayout(ITreemapCanvas& canvas) const = 0;
    /// The cell the keys act on, framed while the canvas has the focus; empty for none.
    virtual TRect FocusRect() const = 0;

protected:
    ~ICanvasContent() = default;
};

class TTreemapCanvas : public QWidget
{
    Q_OBJECT
public:
    TTreemapCanvas(ICanvasContent& content, QWidget* parent);

    /// Marks the buffer dirty and schedules a repaint.
    void Invalidate();
    /// Marks the buffer dirty; the next paint redraws it.
    void MarkDirty() { FDirty = true; }
    bool IsDirty() const { return FDirty; }
    void SetPlaceholderText(const QString& text);
    /// What the canvas says while it has no map to draw.
    const QString& PlaceholderText() const { return FPlaceholder; }
    /// The buffer as last drawn, in device pixels (for tests and screenshots).
    const QImage& Buffer() const { return FBuffer; }
    /// Shows `text` as a hint at the cursor at once; empty hides it.
    void ShowHintNow(const QString& text);

Q_SIGNALS:
    void MouseMoved(QPoint pos);
    void MousePressed(QPoint pos, bool ctrl);
    void DoubleClicked();
    /// The mouse's back (or forward) button was pressed: it selects nothing.
    void HistoryButton(bool forward);
    /// An arrow key was pressed.
    void ArrowKey(TMapDirection direction);
    void Resized();
    void Shown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    /// The focused cell is where a context menu opened from the keyboard appears.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    void Redraw();

    ICanvasContent& FContent;
    QImage FBuffer;
    bool FDirty = true;
    QString FPlaceholder;
};

} // namespace harrowdale::ui
