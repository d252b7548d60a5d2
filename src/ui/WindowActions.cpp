#include "ui/WindowActions.h"

#include "i18n/Translation.h"
#include "ui/LanguageSettings.h"
#include "ui/ResultPage.h"
#include "ui/ToolbarIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <optional>

namespace harrowdale::ui {

namespace {

struct TCommandSpec
{
    TCommand Command;
    const char* Text;        ///< menu caption, an English key
    const char* ToolTip;     ///< toolbar hint and accessible name; null: no toolbar button
    const char* Description; ///< the toolbar button's accessible description
    const char* Icon;        ///< toolbar picture; null: none
    bool Checkable;
};

constexpr TCommandSpec kCommands[] = {
    {TCommand::Open, "Open / View", "Open / View", "Opens the selected files and folders.",
     "open-file", false},
    {TCommand::CopyPaths, "Copy Path", "Copy the paths to the clipboard",
     "Copies the full paths of the selection.", "clipboard", false},
    {TCommand::Reveal, "Show in File Manager", "Open containing folder",
     "Shows the selected item in the file manager.", "open-folder", false},
    {TCommand::Properties, "Show Properties...", "Show Properties...",
     "Shows the properties of the selected item.", "file-properties", false},
    {TCommand::MoveToTrash, "Move to Trash", "Move to Trash",
     "Moves the selection to the trash, after a question.", "recycle", false},
    {TCommand::DeletePermanently, "Delete Permanently", "Delete Permanently",
     "Deletes the selection for good, after a question.", "delete-file", false},
    {TCommand::SelectAllButOne, "Select All But One", nullptr, nullptr, nullptr, false},
    {TCommand::OpenScanFile, "Open Scan...", nullptr, nullptr, nullptr, false},
    {TCommand::ScanRemoteFolder, "Scan Remote Folder...", nullptr, nullptr, nullptr, false},
    {TCommand::SaveScanFile, "Save Scan...", nullptr, nullptr, nullptr, false},
    {TCommand::CompareWith, "Compare With...", nullptr, nullptr, nullptr, false},
    {TCommand::LeaveComparison, "Leave Comparison", nullptr, nullptr, nullptr, false},
    {TCommand::ShowGone, "Gone Since the Older Scan...", nullptr, nullptr, nullptr, false},
    {TCommand::KeepHistory, "Keep Scan History", nullptr, nullptr, nullptr, true},
    {TCommand::ClearHistory, "Clear Scan History...", nullptr, nullptr, nullptr, false},
    {TCommand::Exit, "Exit", nullptr, nullptr, nullptr, false},
    {TCommand::Scan, "Scan", "Scan", "Scans the chosen drives or folder.", "scan", false},
    {TCommand::Stop, "Stop", "Stop", "Stops the scan.", "stop", false},
    {TCommand::RescanFolder, "Rescan This Folder", nullptr, nullptr, nullptr, false},
    {TCommand::ZoomIn, "Zoom Into Folder", nullptr, nullptr, nullptr, false},
    {TCommand::ZoomOut, "Zoom Out", nullptr, nullptr, nullptr, false},
    {TCommand::Back, "Back", nullptr, nullptr, nullptr, false},
    {TCommand::Forward, "Forward", nullptr, nullptr, nullptr, false},
    {TCommand::Find, "Find...", nullptr, nullptr, nullptr, false},
    {TCommand::ShowFilesInFolders, "Files in Folders", nullptr, nullptr, nullptr, true},
    {TCommand::ShowOnlyFiles, "Only Files", nullptr, nullptr, nullptr, true},
    {TCommand::ShowOnlyFolders, "Only Folders", nullptr, nullptr, nullptr, true},
    {TCommand::ShowDuplicates, "Duplicates", nullptr, nullptr, nullptr, true},
    {TCommand::ShowToolbar, "Show Toolbar", nullptr, nullptr, nullptr, true},
    {TCommand::ShowNamesOnMap, "Names on the Map", nullptr, nullptr, nullptr, true},
    {TCommand::ShowCushions, "Cushion Shading", nullptr, nullptr, nullptr, true},
    {TCommand::CountEveryHardLink, "Count Every Hard Link", nullptr, nullptr, nullptr, true},
    {TCommand::SizeOnDisk, "Size on Disk", nullptr, nullptr, nullptr, true},
    {TCommand::DuplicatesByName, "Duplicates: Same Name and Size", nullptr, nullptr, nullptr, true},
    {TCommand::DuplicatesByContent, "Duplicates: Same Content", nullptr, nullptr, nullptr, true},
    {TCommand::ColourByChange, "Colour by Change", nullptr, nullptr, nullptr, true},
    {TCommand::Tutorial, "Tutorial", nullptr, nullptr, nullptr, false},
    {TCommand::ContactUs, "Contact Us", nullptr, nullptr, nullptr, false},
    {TCommand::VisitWebsite, "Visit Website", "Visit Website", "Opens the website in the browser.",
     "domain", false},
    {TCommand::CheckForUpdates, "Check for updates at start-up", nullptr, nullptr, nullptr, true},
    {TCommand::About, "About...", "About...", "Shows the version and the licence.", "info (2)",
     false},
};
static_assert(std::size(kCommands) == kCommandCount);

// The keys of the commands that have any.
struct TCommandKeys
{
    TCommand Command;
    QKeyCombination Key;
    QKeyCombination OtherKey = {}; ///< Key_unknown: none
};

constexpr TCommandKeys kKeys[] = {
    {TCommand::Open, Qt::Key_Return, Qt::Key_Enter},
    {TCommand::CopyPaths, Qt::CTRL | Qt::Key_C},
    {TCommand::MoveToTrash, Qt::Key_Delete},
    {TCommand::DeletePermanently, Qt::SHIFT | Qt::Key_Delete},
    {TCommand::OpenScanFile, Qt::CTRL | Qt::Key_O},
    {TCommand::SaveScanFile, Qt::CTRL | Qt::Key_S},
    {TCommand::Exit, Qt::CTRL | Qt::Key_Q},
    {TCommand::Scan, Qt::Key_F5},
    {TCommand::ZoomIn, Qt::CTRL | Qt::Key_Down, Qt::Key_Plus},
    {TCommand::ZoomOut, Qt::CTRL | Qt::Key_Up, Qt::Key_Minus},
    {TCommand::Back, Qt::ALT | Qt::Key_Left, Qt::Key_Back},
    {TCommand::Forward, Qt::ALT | Qt::Key_Right, Qt::Key_Forward},
    {TCommand::Stop, Qt::Key_Escape},
    {TCommand::Find, Qt::CTRL | Qt::Key_F},
    {TCommand::ShowFilesInFolders, Qt::CTRL | Qt::Key_1},
    {TCommand::ShowOnlyFiles, Qt::CTRL | Qt::Key_2},
    {TCommand::ShowOnlyFolders, Qt::CTRL | Qt::Key_3},
    {TCommand::ShowDuplicates, Qt::CTRL | Qt::Key_4},
};

// A menu's items; nullopt is a separator.
using TMenuItems = std::initializer_list<std::optional<TCommand>>;

} // namespace

TWindowActions::TWindowActions(QWidget* window) : QObject(window)
{
    auto* pages = new QActionGroup(this);
    for (const TCommandSpec& spec : kCommands) {
        auto* a = new QAction(window);
        a->setCheckable(spec.Checkable);
        if (spec.Icon != nullptr)
            a->setIcon(ToolbarIcon(spec.Icon));
        FActions[static_cast<std::size_t>(spec.Command)] = a;
    }
    for (const TCommandKeys& keys : kKeys) {
        QList<QKeySequence> sequences{QKeySequence(keys.Key)};
        if (keys.OtherKey != QKeyCombination())
            sequences << QKeySequence(keys.OtherKey);
        Action(keys.Command)->setShortcuts(sequences);
    }
    for (QAction* a : PageActions())
        pages->addAction(a);
    auto* grouping = new QActionGroup(this);
    grouping->addAction(Action(TCommand::DuplicatesByName));
    grouping->addAction(Action(TCommand::DuplicatesByContent));
    Action(TCommand::DuplicatesByName)->setChecked(true);
    // The keys of the commands on the selection (Enter, Ctrl+C, Del) belong to the lists,
    // trees and maps that show it: a line edit or the date box keeps them for itself.
    for (QAction* a : FileCommandActions())
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    Action(TCommand::ShowFilesInFolders)->setChecked(true);
    Action(TCommand::ShowToolbar)->setChecked(true);
    Action(TCommand::Stop)->setEnabled(false);
    Action(TCommand::RescanFolder)->setEnabled(false);
    Action(TCommand::RescanFolder)->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    Action(TCommand::SelectAllButOne)->setEnabled(false);
    // The zoom commands act on the map (Back and Forward on its page): the lists and trees
    // keep their own keys for + and -, Ctrl+Up and Ctrl+Down.
    for (TCommand c : {TCommand::ZoomIn, TCommand::ZoomOut, TCommand::Back, TCommand::Forward}) {
        Action(c)->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        Action(c)->setEnabled(false);
    }
}

QList<QAction*> TWindowActions::FileCommandActions() const
{
    return {Action(TCommand::Open),        Action(TCommand::CopyPaths),
            Action(TCommand::Reveal),      Action(TCommand::Properties),
            Action(TCommand::MoveToTrash), Action(TCommand::DeletePermanently)};
}

QList<QAction*> TWindowActions::PageActions() const
{
    return {Action(TCommand::ShowFilesInFolders), Action(TCommand::ShowOnlyFiles),
            Action(TCommand::ShowOnlyFolders), Action(TCommand::ShowDuplicates)};
}

void TWindowActions::BuildMenus(QMenuBar* bar)
{
    auto add = [this](QMenu* menu, TMenuItems items) {
        for (const std::optional<TCommand>& item : items) {
            if (item)
                menu->addAction(Action(*item));
            else
                menu->addSeparator();
        }
    };
    auto menu = [this](QMenu* m, const char* title) {
        FMenus.emplace_back(m, title);
        return m;
    };
    QMenu* file = menu(bar->addMenu(QString()), "File");
    add(file, {TCommand::Open,
               TCommand::CopyPaths,
               TCommand::Reveal,
               TCommand::Properties,
               std::nullopt,
               TCommand::SelectAllButOne,
               TCommand::MoveToTrash,
               TCommand::DeletePermanently,
               std::nullopt,
               TCommand::OpenScanFile,
               TCommand::ScanRemoteFolder,
               TCommand::SaveScanFile,
               std::nullopt,
               TCommand::CompareWith,
               TCommand::ShowGone,
               TCommand::LeaveComparison,
               std::nullopt,
               TCommand::KeepHistory,
               TCommand::ClearHistory,
               std::nullopt,
               TCommand::Exit});
    add(menu(bar->addMenu(QString()), "Edit"), {TCommand::Find});
    add(menu(bar->addMenu(QString()), "Run"),
        {TCommand::Scan, TCommand::Stop, std::nullopt, TCommand::RescanFolder});
    QMenu* view = menu(bar->addMenu(QString()), "View");
    menu(view->addMenu(QString()), "Mode")->addActions(PageActions());
    add(view,
        {std::nullopt, TCommand::ZoomIn, TCommand::ZoomOut, TCommand::Back, TCommand::Forward,
         std::nullopt, TCommand::ShowToolbar, TCommand::ShowNamesOnMap, TCommand::ShowCushions,
         std::nullopt, TCommand::CountEveryHardLink, TCommand::SizeOnDisk, std::nullopt,
         TCommand::DuplicatesByName, TCommand::DuplicatesByContent, std::nullopt,
         TCommand::ColourByChange, std::nullopt});
    FLanguageMenu = menu(view->addMenu(QString()), "Language");
    add(menu(bar->addMenu(QString()), "Help"),
        {TCommand::Tutorial, std::nullopt, TCommand::ContactUs, TCommand::VisitWebsite,
         std::nullopt, TCommand::CheckForUpdates, std::nullopt, TCommand::About});
}

void TWindowActions::BuildToolbar(QHBoxLayout* row, QWidget* parent)
{
    auto add = [&](TCommand command) {
        auto* b = new QToolButton(parent);
        b->setDefaultAction(Action(command));
        b->setAutoRaise(true);
        b->setFixedSize(60, 41);
        b->setIconSize(QSize(35, 35));
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        row->addWidget(b);
        FButtons.push_back(b);
    };
    row->setSpacing(0);
    for (TCommand c :
         {TCommand::Scan, TCommand::Stop, TCommand::Open, TCommand::CopyPaths, TCommand::Reveal,
          TCommand::Properties, TCommand::MoveToTrash, TCommand::DeletePermanently})
        add(c);
    row->addStretch(1);
    add(TCommand::VisitWebsite);
    add(TCommand::About);
}

void TWindowActions::BuildLanguageMenu()
{
    // One pass over the columns. Qt's addAction searches the menu's action list on every
    // insert, so a menu of n items costs n^2/2 comparisons; the translation file is capped
    // at 1,000 columns, which keeps that near a millisecond.
    FLanguageMenu->clear();
    const TLangTable& table = Translation().LangTable();
    const int current = Translation().LangIndex();
    for (std::size_t i = 0; i < table.size(); ++i) {
        // The display name is shown as written: an '&' in it is not a mnemonic.
        QString caption = QString::fromStdString(table[i][0]);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = FLanguageMenu->addAction(caption);
        item->setCheckable(true);
        item->setChecked(static_cast<int>(i) == current);
        connect(item, &QAction::triggered, this, [this, item, column = static_cast<int>(i)] {
            for (QAction* other : FLanguageMenu->actions())
                other->setChecked(other == item);
            Translation().SetLanguage(column);
            SaveLanguage();
            Q_EMIT LanguageChanged();
        });
    }
}

void TWindowActions::ApplyTranslation()
{
    for (const auto& [menu, title] : FMenus)
        menu->setTitle(Tr(title));
    for (const TCommandSpec& spec : kCommands) {
        QAction* a = Action(spec.Command);
        a->setText(Tr(spec.Text));
        if (spec.ToolTip != nullptr)
            a->setToolTip(Tr(spec.ToolTip));
    }
    // A drawn button shows no text: a screen reader reads its hint and what it does.
    for (QToolButton* b : FButtons) {
        b->setAccessibleName(b->defaultAction()->toolTip());
        for (const TCommandSpec& spec : kCommands)
            if (Action(spec.Command) == b->defaultAction() && spec.Description != nullptr)
                b->setAccessibleDescription(Tr(spec.Description));
    }
}

} // namespace harrowdale::ui
