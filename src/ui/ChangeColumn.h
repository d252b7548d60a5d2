#pragma once

// The Change column of the folder trees and file lists while two scans are compared: the
// change in bytes and its share (ChangeCellText), right-aligned, and coloured by kind
// (grown, shrunk, new) so a long list reads at a glance. Hidden while nothing is compared.
//
// Thread: UI thread only.

#include "treemap/Colors.h"
#include "views/ScanComparison.h"

#include <QColor>
#include <QVariant>
#include <cstdint>

class QTreeView;

namespace harrowdale::ui {

/// The cell's data for `role`.
QVariant ChangeCell(TChangeState state, std::int64_t oldSize, std::int64_t newSize, int role);
/// The colour a change of `state` is drawn in: in the Change column and on the maps.
QColor ChangeColor(TChangeState state);
/// The same as a map colour (red-low).
TColor ChangeMapColor(TChangeState state);
/// Shows the column `column` of `view` while comparing, hides it otherwise.
void ShowChangeColumn(QTreeView* view, int column, bool comparing);

} // namespace harrowdale::ui
