#pragma once

// The scan source ("All Drives" or one folder) and the filters that leave files out, with
// their enabling rules; reads them into a scan request, checking what the user typed.
//
// Thread: UI thread only.

#include "scan/ScanControl.h"

#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QAction;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSettings;
class QToolButton;

namespace harrowdale::ui {

class IFolderPicker;
class TFoldableBox;

/// What pressing Scan asks for, once checked.
struct TScanChoice
{
    enum class TKind
    {
        Nothing, ///< an empty folder box: nothing happens
        Invalid, ///< `Error` says why
        Ready,
    };
    TKind Kind = TKind::Nothing;
    QString Error;
    TScanRequest Request;
    TScanFilterInput Filters;
    std::vector<std::string> Drives; ///< the drives of an all-drives scan
};

class TScanOptionsPanel : public QWidget
{
    Q_OBJECT
public:
    TScanOptionsPanel(IFolderPicker& folders, QWidget* parent);

    /// Reads and checks the source and the size limit.
    TScanChoice ReadChoice() const;
    /// While busy the folder, the browse button and the filters cannot be changed; the
    /// source buttons stay enabled.
    void SetBusy(bool busy);
    void ApplyTranslation();
    /// Chooses "Path:" with `path` typed into the folder box.
    void ChoosePath(const QString& path);
    /// Chooses "Path:" with the folder `path` (bytes); it is scanned as these bytes as
    /// long as the box shows it unchanged, also when its name is not UTF-8.
    void ChoosePathBytes(const std::string& path);

    QRadioButton* AllDrivesButton() const { return FAllDrives; }
    QRadioButton* FolderButton() const { return FFolder; }
    QComboBox* FolderBox() const { return FFolderBox; }
    QToolButton* BrowseButton() const { return FBrowse; }
    QGroupBox* FiltersGroup() const { return FFilters; }
    QCheckBox* ModifiedBeforeCheck() const { return FModifiedBefore; }
    QDateTimeEdit* DateEdit() const { return FDate; }
    QCheckBox* LessThanCheck() const { return FLessThan; }
    QLineEdit* LessThanEdit() const { return FLessThanText; }
    QComboBox* SizeUnitBox() const { return FSizeUnits; }
    QCheckBox* PatternCheck() const { return FPattern; }
    QLineEdit* PatternEdit() const { return FPatternText; }
    /// The warning signs of the size and pattern boxes: shown, with the reason as their
    /// text, while the box holds what Scan would refuse.
    QAction* LessThanWarning() const { return FLessThanWarning; }
    QAction* PatternWarning() const { return FPatternWarning; }
    /// The source and the filter groups, each of which folds to one line.
    TFoldableBox* SourcesFold() const { return FSourcesFold; }
    TFoldableBox* FiltersFold() const { return FFiltersFold; }
    /// The source, the folder, the filters and which groups are folded, kept between runs
    /// in `store`'s current group.
    /// A value that is missing or unusable leaves its control as it is.
    void SaveState(QSettings& store) const;
    void RestoreState(QSettings& store);
    /// The controls in reading order: sources, then filters.
    QList<QWidget*> TabOrder() const;

    QSize minimumSizeHint() const override;
    /// Whether the filters stand below the sources (the window is too narrow for both in
    /// one row).
    bool IsStacked() const;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ArrangeGroups();
    void UpdateSourceControls();
    void UpdateFilterControls();
    void CheckTypedFilters();
    /// The folded lines: what the source and the filters are.
    void UpdateSummaries();
    void Browse();

    IFolderPicker& FFolders;
    QBoxLayout* FRow = nullptr;
    bool FBusy = false;
    std::string FExactPath; ///< the bytes of a folder chosen by ChoosePathBytes
    QString FExactPathText; ///< how the box shows them
    QGroupBox* FSource = nullptr;
    QRadioButton* FAllDrives = nullptr;
    QRadioButton* FFolder = nullptr;
    QComboBox* FFolderBox = nullptr;
    QToolButton* FBrowse = nullptr;
    QGroupBox* FFilters = nullptr;
    QCheckBox* FModifiedBefore = nullptr;
    QDateTimeEdit* FDate = nullptr;
    QCheckBox* FLessThan = nullptr;
    QLineEdit* FLessThanText = nullptr;
    QComboBox* FSizeUnits = nullptr;
    QCheckBox* FPattern = nullptr;
    QLineEdit* FPatternText = nullptr;
    QAction* FLessThanWarning = nullptr;
    QAction* FPatternWarning = nullptr;
    TFoldableBox* FSourcesFold = nullptr;
    TFoldableBox* FFiltersFold = nullptr;
};

} // namespace harrowdale::ui
