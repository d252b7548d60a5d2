// Find: the search box filters the result by name, size and age, and the matches picked
// in its list are what the page selects and the file commands act on.

#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "ui/FindModel.h"
#include "ui/FindPanel.h"
#include "ui/WindowDriver.h"
#include "ui/text/DisplayFormat.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <algorithm>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TFindPanel;
using ui::TPageIndex;

constexpr std::int64_t k2019 = 1559347200; // 2019-06-01, Unix seconds
constexpr std::int64_t k2020 = 1579046400; // 2020-01-15

// docs/report.txt 1000 (2020), docs/Report-2024.PDF 50000, docs/old/notes.txt 10 (2019),
// photos/a.jpg 300000, photos/b.JPG 200000, and "caf\xe9 notes.txt" 20, a Latin-1 name.
void MakeFindTree(const test::TempDir& t)
{
    t.MakeDir("docs/old");
    t.MakeDir("photos");
    t.MakeFile("docs/report.txt", 1000, k2020);
    t.MakeFile("docs/Report-2024.PDF", 50000);
    t.MakeFile("docs/old/notes.txt", 10, k2019);
    t.MakeFile("photos/a.jpg", 300000);
    t.MakeFile("photos/b.JPG", 200000);
    t.MakeFile("caf\xe9 notes.txt", 20);
}

class FindWindow : public test::WindowDriver
{
public:
    explicit FindWindow(const std::string& path)
    {
        Win.activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&Win);
        Scan(path);
    }
    TFindPanel& Panel() const { return *Win.FindPanel(); }

    struct TAsk
    {
        std::string Name = {};
        bool Mask = false;
        QString Min = {}, Max = {};
        TFindPanel::TAge Age = TFindPanel::AnyAge;
        QDate Date = {};
        int Days = 0;
    };
    /// Opens Find (Ctrl+F), fills its boxes and waits for the search to end.
    bool Find(const TAsk& ask)
    {
        QTest::keyClick(Win.Page(Win.CurrentPage())->Canvas(), Qt::Key_F, Qt::ControlModifier);
        Panel().NameKindBox()->setCurrentIndex(ask.Mask ? 1 : 0);
        Panel().MinSizeBox()->setText(ask.Min);
        Panel().MaxSizeBox()->setText(ask.Max);
        Panel().AgeBox()->setCurrentIndex(ask.Age);
        if (ask.Date.isValid())
            Panel().DateBox()->setDate(ask.Date);
        if (ask.Days > 0)
            Panel().DaysBox()->setValue(ask.Days);
        Panel().NameBox()->setText(QString::fromStdString(ask.Name));
        return WaitFor([&] { return !Panel().Searching(); });
    }
    /// The names the list shows, in byte order.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        const ui::TFindModel& m = *Panel().Matches();
        for (int r = 0; r < m.rowCount(); ++r) {
            const TEntryRef e = m.Entry(r);
            names.emplace_back(e.IsFile() ? e.File()->Name() : e.Dir()->Name());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    void SelectAllMatches()
    {
        Panel().MatchesList()->selectAll();
        QApplication::processEvents();
    }
};

TEST(Find, ByTextMaskSizeAndAge)
{
    test::TempDir t;
    MakeFindTree(t);
    FindWindow w(t.Path());
    using A = TFindPanel;
    struct Case
    {
        const char* What;
        FindWindow::TAsk Ask;
        std::vector<std::string> Names;
        QString Summary;
    };
    const Case cases[] = {
        {"a piece of the name, case folded",
         {.Name = "REPORT"},
         {"Report-2024.PDF", "report.txt"},
         "2 matches, " + QString::fromStdString(FormatSize(51000))},
        {"a folder's name", {.Name = "phot"}, {"photos"}, "1 match, 488.3 KB"},
        {"a name that is not UTF-8, by its valid parts",
         {.Name = "notes"},
         {"caf\xe9 notes.txt", "notes.txt"},
         "2 matches, 30 B"},
        {"masks over the whole name",
         {.Name = "*.jpg;*.pdf", .Mask = true},
         {"Report-2024.PDF", "a.jpg", "b.JPG"},
         {}},
        {"at most, folders by what they hold",
         {.Max = "1 KB"},
         {"caf\xe9 notes.txt", "notes.txt", "old", "report.txt"},
         {}},
        {"between two sizes", {.Min = "100k", .Max = "250 KB"}, {"b.JPG"}, "1 match, 195.3 KB"},
        {"changed before a day",
         {.Age = A::ChangedBefore, .Date = {2021, 1, 1}},
         {"notes.txt", "report.txt"},
         {}},
        {"changed on or after a day",
         {.Name = "o", .Age = A::ChangedAfter, .Date = {2021, 1, 1}},
         {"Report-2024.PDF", "caf\xe9 notes.txt"},
         {}},
        {"not changed for so many days",
         {.Name = "t", .Age = A::OlderThan, .Days = 1000},
         {"notes.txt", "report.txt"},
         {}},
        {"nothing", {.Name = "zzz"}, {}, "Nothing matches."},
        {"a malformed mask",
         {.Name = "[abc", .Mask = true},
         {},
         "The mask \"[abc\" is not valid: the \"[\" at character 1 is never closed."},
        {"a size that is none",
         {.Name = "report", .Min = "ten"},
         {},
         "Not a size: ten (sizes are written as 200, 10 KB, 1.5 GB)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(w.Find(c.Ask));
        EXPECT_EQ(w.Names(), c.Names);
        if (!c.Summary.isEmpty()) {
            EXPECT_EQ(w.Panel().Summary(), c.Summary);
        }
    }

    // The non-UTF-8 name shows its bad byte as U+FFFD; its folder is the scanned one.
    ASSERT_TRUE(w.Find({.Name = "caf"}));
    ASSERT_EQ(w.Panel().Matches()->rowCount(), 1);
    const QAbstractItemModel& m = *w.Panel().Matches();
    EXPECT_EQ(m.index(0, ui::TFindModel::Name).data().toString(),
              QString::fromUtf8("caf\xef\xbf\xbd notes.txt"));
    EXPECT_EQ(m.index(0, ui::TFindModel::Folder).data().toString(),
              QString::fromStdString(t.Path()));

    // Only Files lists files only; Duplicates is not acted on, and says so.
    w.ShowPage(TPageIndex::OnlyFiles);
    ASSERT_TRUE(w.Find({.Name = "o"}));
    EXPECT_EQ(w.Names(), (std::vector<std::string>{"Report-2024.PDF", "caf\xe9 notes.txt",
                                                   "notes.txt", "report.txt"}));
    w.ShowPage(TPageIndex::Duplicates);
    EXPECT_TRUE(w.Names().empty());
    EXPECT_TRUE(w.Panel().Summary().startsWith("Find does not act on this page"));

    // Ctrl+F opens the panel with the name box ready; Escape there closes it again.
    w.Panel().hide();
    QTest::keyClick(w.Duplicates().Canvas(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.Panel().isVisible());
    EXPECT_TRUE(w.Panel().NameBox()->hasFocus());
    QTest::keyClick(w.Panel().NameBox(), Qt::Key_Escape);
    EXPECT_FALSE(w.Panel().isVisible());
}

TEST(Find, PickedMatchesAreTheSelectionTheCommandsActOn)
{
    test::TempDir t;
    MakeFindTree(t);
    FindWindow w(t.Path());
    w.Log.Answer = true;
    ASSERT_TRUE(w.Find({.Name = "*.txt", .Mask = true}));
    w.SelectAllMatches();
    const std::vector<std::string> txt = {t / "caf\xe9 notes.txt", t / "docs/old/notes.txt",
                                          t / "docs/report.txt"};
    std::vector<std::string> selected = w.SelectedPaths();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, txt);
    // In the map, the matches that have a cell there and nothing else.
    std::vector<std::string> inMap;
    for (const THierItem& it : w.FilesInFolders().Map().Items())
        if (w.FilesInFolders().Map().IsSelected(it))
            inMap.push_back(it.FullPath());
    EXPECT_NE(std::find(inMap.begin(), inMap.end(), t / "docs/report.txt"), inMap.end());
    for (const std::string& p : inMap)
        EXPECT_NE(std::find(txt.begin(), txt.end(), p), txt.end()) << p;

    // Another selection on the page is no longer the list's.
    w.SelectRows(w.FilesInFolders().FoldersAndFilesTree(), {0});
    EXPECT_TRUE(w.Panel().MatchesList()->selectionModel()->selectedRows().isEmpty());

    w.SelectAllMatches();
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_FALSE(w.Log.Questions.isEmpty());
    EXPECT_TRUE(w.Log.Questions.back().startsWith("Permanently delete 3 items?"));
    ASSERT_TRUE(w.WaitIdle());
    for (const std::string& p : txt)
        EXPECT_FALSE(platform::PathExists(p)) << p;
    for (const char* kept : {"docs/Report-2024.PDF", "photos/a.jpg", "photos/b.JPG"})
        EXPECT_TRUE(platform::PathExists(t / kept)) << kept;
    // The result changed: Find searched it again.
    ASSERT_TRUE(w.WaitFor([&] { return !w.Panel().Searching(); }));
    EXPECT_EQ(w.Panel().Summary(), "Nothing matches.");
}

TEST(Find, OnlyFilesActsAlsoOnMatchesBeyondItsList)
{
    // The list shows the 5,000 largest files; a match below them is still acted on.
    test::TempDir t;
    t.MakeDir("many");
    for (int i = 0; i < 5000; ++i)
        t.MakeFile("many/f" + std::to_string(i), 2);
    t.MakeFile("big.log", 100);
    t.MakeFile("many/tiny.log", 0);
    FindWindow w(t.Path());
    w.Log.Answer = true;
    w.ShowPage(TPageIndex::OnlyFiles);
    ASSERT_TRUE(w.Find({.Name = ".log"}));
    w.SelectAllMatches();
    std::vector<std::string> selected = w.SelectedPaths();
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<std::string>{t / "big.log", t / "many/tiny.log"}));
    EXPECT_EQ(w.OnlyFiles().FilesList()->selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(w.Status().endsWith("(2 selected)"));

    w.Trigger(TCommand::MoveToTrash);
    ASSERT_FALSE(w.Log.Questions.isEmpty());
    EXPECT_TRUE(w.Log.Questions.back().startsWith("Move 2 items to the Trash?"));
    EXPECT_TRUE(w.Log.Questions.back().contains(QString::fromStdString(t / "many/tiny.log")));
}

} // namespace
} // namespace harrowdale
