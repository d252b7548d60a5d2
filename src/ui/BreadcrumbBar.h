#pragma once

// The path above a zoomed map: the folders from the result's root down to the one that
// fills the map, each a link that makes it fill the map. A path too long for the bar
// keeps its first and last places and folds the middle into "…", which links to the
// place just before those shown after it.

#include <QRect>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace harrowdale::ui {

class TBreadcrumbBar : public QWidget
{
    Q_OBJECT
public:
    explicit TBreadcrumbBar(QWidget* parent);

    /// The places, outermost first; the last is the one shown, not a link.
    void SetPlaces(const QStringList& names);
    const QStringList& Places() const { return FNames; }
    /// Where the link of place `index` is drawn, in the bar's pixels; empty when the place
    /// is folded away or is the last.
    QRect LinkRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    /// Place `index` was clicked.
    void Picked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct TPiece
    {
        QRect Rect;
        QString Text;
        int Place; ///< the place a click picks; -1 for a separator and for the last place
        bool Current = false;
    };
    void LayOut();
    int PieceAt(QPoint p) const;

    QStringList FNames;
    std::vector<TPiece> FPieces;
    int FHover = -1; ///< the piece under the mouse
};

} // namespace harrowdale::ui
