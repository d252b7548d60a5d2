#pragma once

// The window's commands as actions. Each command is one QAction with its text, toolbar
// hint, icon and accessible name; the menus, the drawn toolbar and any context menu use the
// same action, so enabling it once enables it everywhere. Texts are English keys, set again
// in the current language by ApplyTranslation.
//
// Thread: UI thread only. Owned by the window (Qt parent); the actions live as long.

#include <QList>
#include <QObject>
#include <array>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QHBoxLayout;
class QToolButton;
class QWidget;

namespace harrowdale::ui {

enum class TCommand
{
    Open,
    CopyPaths,
    Reveal,
    Properties,
    MoveToTrash,
    DeletePermanently,
    SelectAllButOne,
    OpenScanFile,
    ScanRemoteFolder,
    SaveScanFile,
    CompareWith,
    LeaveComparison,
    ShowGone,
    KeepHistory,
    ClearHistory,
    Exit,
    Scan,
    Stop,
    RescanFolder,
    ZoomIn,
    ZoomOut,
    Back,
    Forward,
    Find,
    ShowFilesInFolders,
    ShowOnlyFiles,
    ShowOnlyFolders,
    ShowDuplicates,
    ShowToolbar,
    ShowNamesOnMap,
    ShowCushions,
    CountEveryHardLink,
    SizeOnDisk,
    DuplicatesByName,
    DuplicatesByContent,
    ColourByChange,
    Tutorial,
    ContactUs,
    VisitWebsite,
    CheckForUpdates,
    About,
};
constexpr std::size_t kCommandCount = static_cast<std::size_t>(TCommand::About) + 1;

class TWindowActions : public QObject
{
    Q_OBJECT
public:
    explicit TWindowActions(QWidget* window);

    QAction* Action(TCommand command) const { return FActions[static_cast<std::size_t>(command)]; }
    /// The six commands on the selection, in menu order: also for context menus.
    QList<QAction*> FileCommandActions() const;
    /// The page actions in tab order; exactly one is checked.
    QList<QAction*> PageActions() const;
    QMenu* LanguageMenu() const { return FLanguageMenu; }
    /// The drawn toolbar's buttons, left to right.
    const std::vector<QToolButton*>& ToolbarButtons() const { return FButtons; }

    /// Fills the menu bar: File, Edit, Run, View (with Mode and Language), Help.
    void BuildMenus(QMenuBar* bar);
    /// The drawn toolbar: one button per action, the scan and file commands on the left,
    /// the website and About on the right.
    void BuildToolbar(QHBoxLayout* row, QWidget* parent);
    /// One item per language column of the translation table, the current one checked.
    /// Picking one switches the language, saves it and emits LanguageChanged.
    void BuildLanguageMenu();
    void ApplyTranslation();

Q_SIGNALS:
    void LanguageChanged();

private:
    std::array<QAction*, kCommandCount> FActions{};
    std::vector<QToolButton*> FButtons;
    std::vector<std::pair<QMenu*, const char*>> FMenus; ///< each menu with its title key
    QMenu* FLanguageMenu = nullptr;
};

} // namespace harrowdale::ui
