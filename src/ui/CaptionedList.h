#pragma once

// The body of a small list dialog (Compare With, Gone Since): a wrapped line of plain text
// above a flat list with column titles.

#include <QString>
#include <QStringList>

class QTreeWidget;
class QVBoxLayout;

namespace harrowdale::ui {

/// Adds the caption and the list to `layout` (whose widget becomes their parent); the list
/// stretches.
QTreeWidget* AddCaptionedList(QVBoxLayout* layout, const QString& caption,
                              const QStringList& titles);

} // namespace harrowdale::ui
