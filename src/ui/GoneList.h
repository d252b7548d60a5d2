#pragma once

// "Gone Since...": what the older scan of a comparison holds and the result shown does not,
// with its old size, largest first (a gone folder stands for all it held). Gone entries
// take no space now, so the maps never draw them; this list is where they are seen. The
// list copies its texts: it refers into neither scan and may outlive the comparison.
//
// Thread: UI thread only.

#include "views/ScanComparison.h"

#include <QDialog>

class QTreeWidget;

namespace harrowdale::ui {

class TGoneList : public QDialog
{
    Q_OBJECT
public:
    TGoneList(const TScanComparison& comparison, const QString& olderDate, QWidget* parent);
    QTreeWidget* List() const { return FList; }

private:
    QTreeWidget* FList = nullptr;
};

} // namespace harrowdale::ui
