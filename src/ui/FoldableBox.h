#pragma once

// A group box that folds to one line: a button that unfolds it again and, beside it, the
// box's title with a summary of what is chosen in it. Folded, the box's controls are
// hidden (they keep their values) and the box loses its frame, so a small window gives
// the room to the map.
//
// Thread: UI thread only.

#include <QObject>
#include <QString>

class QBoxLayout;
class QGroupBox;
class QLabel;
class QToolButton;

namespace harrowdale::ui {

class TFoldableBox : public QObject
{
    Q_OBJECT
public:
    /// Adds the button in front of the controls of `row`, the layout of `box`.
    TFoldableBox(QGroupBox* box, QBoxLayout* row);

    void SetTitle(const QString& title);
    /// What the folded line says after the title.
    void SetSummary(const QString& summary);
    void SetFolded(bool folded);
    bool IsFolded() const { return FFolded; }
    QToolButton* Button() const { return FButton; }
    /// The folded line's text.
    QLabel* Line() const { return FLine; }
    /// The button's hint in the current language.
    void ApplyTranslation();

Q_SIGNALS:
    void FoldedChanged(bool folded);

private:
    void ShowLine();

    QGroupBox* FBox;
    QBoxLayout* FRow;
    QToolButton* FButton;
    QLabel* FLine;
    QString FTitle;
    QString FSummary;
    bool FFolded = false;
    int FMargins[4] = {};
};

} // namespace harrowdale::ui
