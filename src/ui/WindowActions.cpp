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
    const char* Text;    ///< menu caption, an English key
    const char* ToolTip; ///< toolbar hint and accessible name; null: no toolbar button
    const char* Icon;    ///< toolbar picture; null: none
    bool Checkable;
    QKeySequence::StandardKey Shortcut; ///< none yet: the menus have no shortcuts
};

constexpr auto kNoKey = QKeySequence::UnknownKey;

constexpr TCommandSpec kCommands[] = {
    {TCommand::Open, "Open / View", "Open / View", "open-file", false, kNoKey},
    {TCommand::CopyPaths, "Copy Path", "Copy path(s) to clipboard", "clipboard", false, kNoKey},
    {TCommand::Reveal, "Show in File Manager", "Open containing folder", "open-folder", false, kNoKey},
    {TCommand::Properties, "Show Properties...", "Show Properties...", "file-properties", false,
     kNoKey},
    {TCommand::MoveToTrash, "Move to Trash", "Move to Trash", "recycle", false, kNoKey},
    {TCommand::DeletePermanently, "Remove Completely", "Delete permanently", "delete-file", false,
     kNoKey},
    {TCommand::OpenScanFile, "Open Scan...", nullptr, nullptr, false, kNoKey},
    {TCommand::SaveScanFile, "Save Scan...", nullptr, nullptr, false, kNoKey},
    {TCommand::Exit, "Exit", nullptr, nullptr, false, kNoKey},
    {TCommand::Scan, "Scan", "Scan", "scan", false, kNoKey},
    {TCommand::Stop, "Stop", "Stop", "stop", false, kNoKey},
    {TCommand::ShowFilesInFolders, "Files in Folders", nullptr, nullptr, true, kNoKey},
    {TCommand::ShowOnlyFiles, "Only Files", nullptr, nullptr, true, kNoKey},
    {TCommand::ShowOnlyFolders, "Only Folders", nullptr, nullptr, true, kNoKey},
    {TCommand::ShowDuplicates, "Duplicates", nullptr, nullptr, true, kNoKey},
    {TCommand::ShowToolbar, "Show Toolbar", nullptr, nullptr, true, kNoKey},
    {TCommand::Tutorial, "Tutorial", nullptr, nullptr, false, kNoKey},
    {TCommand::ContactUs, "Contact Us", nullptr, nullptr, false, kNoKey},
    {TCommand::VisitWebsite, "Visit Website", "Visit Website", "domain", false, kNoKey},
    {TCommand::About, "About...", "About...", "info (2)", false, kNoKey},
};
static_assert(std::size(kCommands) == kCommandCount);

// A menu's items; nullopt is a separator.
using TMenuItems = std::initializer_list<std::optional<TCommand>>;

} // namespace

TWindowActions::TWindowActions(QWidget* window) : QObject(window)
{
    auto* pages = new QActionGroup(this);
    for (const TCommandSpec& spec : kCommands) {
        auto* a = new QAction(window);
        a->setCheckable(spec.Checkable);
        a->setShortcuts(spec.Shortcut);
        if (spec.Icon != nullptr)
            a->setIcon(ToolbarIcon(spec.Icon));
        FActions[static_cast<std::size_t>(spec.Command)] = a;
    }
    for (QAction* a : PageActions())
        pages->addAction(a);
    Action(TCommand::ShowFilesInFolders)->setChecked(true);
    Action(TCommand::ShowToolbar)->setChecked(true);
    Action(TCommand::Stop)->setEnabled(false);
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
    add(file, {TCommand::Open, TCommand::CopyPaths, TCommand::Reveal, TCommand::Properties,
               std::nullopt, TCommand::MoveToTrash, TCommand::DeletePermanently, std::nullopt,
               TCommand::OpenScanFile, TCommand::SaveScanFile, std::nullopt, TCommand::Exit});
    add(menu(bar->addMenu(QString()), "Run"), {TCommand::Scan, TCommand::Stop});
    QMenu* view = menu(bar->addMenu(QString()), "View");
    menu(view->addMenu(QString()), "Mode")->addActions(PageActions());
    add(view, {std::nullopt, TCommand::ShowToolbar, std::nullopt});
    FLanguageMenu = menu(view->addMenu(QString()), "Language");
    add(menu(bar->addMenu(QString()), "Help"),
        {TCommand::Tutorial, std::nullopt, TCommand::ContactUs, TCommand::VisitWebsite,
         std::nullopt, TCommand::About});
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
    // One pass over the columns, no per-item search: linear in the number of languages.
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
    // A drawn button shows no text: a screen reader reads its hint.
    for (QToolButton* b : FButtons)
        b->setAccessibleName(b->defaultAction()->toolTip());
}

} // namespace harrowdale::ui
