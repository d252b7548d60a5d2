#pragma once

// File > "Compare With...": the kept scans of the folder shown, newest first, with their
// date, total size, files and the change since each to the result shown; one is chosen,
// or a scan file picked instead.
//
// Thread: UI thread only.

#include "exchange/ScanHistory.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace harrowdale::ui {

class TCompareDialog : public QDialog
{
    Q_OBJECT
public:
    /// What was chosen: a scan file, and when it was made (0 when the file says).
    struct TChoice
    {
        std::string Path;
        std::int64_t Time = 0;
    };
    using TPickFile = std::function<std::optional<std::string>()>;

    /// `entries`: the kept scans, oldest first (TScanHistory::List); `note` says why there
    /// are none when the history could not be read. `currentBytes` is the total of the
    /// result shown; `pickFile` asks for a scan file.
    TCompareDialog(const std::vector<THistoryEntry>& entries, const QString& note,
                   std::int64_t currentBytes, TPickFile pickFile, QWidget* parent);

    const std::optional<TChoice>& Chosen() const { return FChosen; }
    QTreeWidget* List() const { return FList; }
    QPushButton* CompareButton() const { return FCompare; }
    QPushButton* PickButton() const { return FPick; }

private:
    void ChooseCurrent();
    void PickFile();

    std::vector<THistoryEntry> FEntries; ///< newest first, as listed
    TPickFile FPickFile;
    std::optional<TChoice> FChosen;
    QTreeWidget* FList = nullptr;
    QPushButton* FCompare = nullptr;
    QPushButton* FPick = nullptr;
};

} // namespace harrowdale::ui
