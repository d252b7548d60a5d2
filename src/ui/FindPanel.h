#pragma once

// Find: one panel of the window that searches the result shown by name (a piece of text
// or masks), size and age, lists the matches with their folder, size and date and their
// count and bytes, and selects the matches picked in the list on the page shown, where
// the file commands act on them as on any selection there.
//
// One panel for all pages, not one per page: the result is the same on every page, and a
// search typed once should follow the user from page to page. What it lists follows the
// page: files and folders on "Files in Folders", files on "Only Files", folders (one at a
// time) on "Only Folders"; on "Duplicates" it says that it does not act there.
//
// Thread: UI thread; the search itself runs on a thread of its own (TFindRunner). As a
// view of the result pipeline the panel stops its search and empties its list before the
// tree is edited or freed, and searches again once the result is whole.

#include "ui/ResultPage.h"
#include "views/FindQuery.h"
#include "views/ResultPipeline.h"

#include <QDockWidget>
#include <QList>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableView;

namespace harrowdale::ui {

class TFindModel;
class TFindRunner;

class TFindPanel : public QDockWidget, public IResultView
{
    Q_OBJECT
public:
    /// How the age of the matches is chosen.
    enum TAge
    {
        AnyAge,
        ChangedAfter,  ///< on or after the date
        ChangedBefore, ///< before the date
        OlderThan,     ///< last changed more than so many days ago
    };

    TFindPanel(const TScanResults& results, QWidget* parent);
    ~TFindPanel() override;

    /// The page the matches are selected on; what is listed follows it.
    void SetPage(TResultPage* page);
    /// Shows the panel with the name box focused and its text selected.
    void Open();
    /// Offers the commands on the selection in the list's context menu, with their keys.
    void AddCommandActions(const QList<QAction*>& actions);
    void ApplyTranslation();

    void Fill(TResultStage stage, TStageRun& run) override;
    void Clear() override;

    QLineEdit* NameBox() const { return FName; }
    QComboBox* NameKindBox() const { return FNameKind; }
    QLineEdit* MinSizeBox() const { return FMinSize; }
    QLineEdit* MaxSizeBox() const { return FMaxSize; }
    QComboBox* AgeBox() const { return FAge; }
    QDateEdit* DateBox() const { return FDate; }
    QSpinBox* DaysBox() const { return FDays; }
    QTableView* MatchesList() const { return FList; }
    TFindModel* Matches() const { return FModel; }
    /// What the line above the list says: the count and bytes, or why nothing is searched.
    QString Summary() const;
    bool Searching() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildCriteria(QWidget* parent);
    /// The name box says what it takes: a piece of a name, or masks.
    void ShowNamePlaceholder();
    /// Stops the search under way and starts one from what the boxes say, or says why not.
    void Search();
    /// The criteria of the boxes; nullopt (and the summary says why) when one is not valid.
    std::optional<TFindCriteria> Criteria();
    void ShowCount();
    void ListSelectionChanged();
    /// The page's selection changed by other means: the list's no longer stands for it.
    void PageSelectionMoved();

    const TScanResults& FResults;
    TResultPage* FPage = nullptr;
    bool FReady = false;   ///< the result is whole: the tree may be searched
    bool FPushing = false; ///< the list's selection is being put on the page
    std::int64_t FCount = 0;
    std::int64_t FBytes = 0;
    QString FProblem; ///< why nothing is searched; empty when searching or searched
    std::unique_ptr<TFindRunner> FRunner;

    QComboBox* FNameKind = nullptr;
    QLineEdit* FName = nullptr;
    QLineEdit* FMinSize = nullptr;
    QLineEdit* FMaxSize = nullptr;
    QComboBox* FAge = nullptr;
    QDateEdit* FDate = nullptr;
    QSpinBox* FDays = nullptr;
    QLabel* FSizeLabel = nullptr;
    QLabel* FSummary = nullptr;
    QTableView* FList = nullptr;
    TFindModel* FModel = nullptr;
    QList<QMetaObject::Connection> FPageLinks;
};

} // namespace harrowdale::ui
