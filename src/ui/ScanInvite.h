#pragma once

// What the maps show before the first scan: instead of saying that no map can be drawn,
// a short text that says how to start, and a button for the Scan command below it. Gone
// for good once a scan or the reading of a scan file starts; from then on a page without
// a map says so as before.
//
// Thread: UI thread only.

#include <QObject>
#include <vector>

class QAction;
class QPushButton;

namespace harrowdale::ui {

class TTreemapCanvas;

class TScanInvite : public QObject
{
    Q_OBJECT
public:
    /// Invites on each of `canvases`; `scan` is the Scan command. The buttons come after
    /// their canvas when Tab moves through the window.
    TScanInvite(QAction* scan, const std::vector<TTreemapCanvas*>& canvases, QObject* parent);
    /// Ends the invitation on every canvas.
    void Dismiss();
    bool IsShown() const { return !FInvites.empty(); }
    /// The button on a canvas, or null.
    QPushButton* ButtonOf(const TTreemapCanvas* canvas) const;
    /// The texts in the current language (after the pages have set theirs).
    void ApplyTranslation();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TInvite
    {
        TTreemapCanvas* Canvas;
        QPushButton* Button;
    };
    void Place(const TInvite& invite) const;

    QAction* FScan;
    std::vector<TInvite> FInvites;
};

} // namespace harrowdale::ui
