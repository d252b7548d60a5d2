// Room for the map: the source and filter groups fold to one line (kept between runs), the
// maps invite a first scan, and a list that shows only the largest files says so.

#include "i18n/Translation.h"
#include "support/TempDir.h"
#include "ui/FoldableBox.h"
#include "ui/ScanInvite.h"
#include "ui/ScratchSettings.h"
#include "ui/Settings.h"
#include "ui/WindowDriver.h"
#include "views/Duplicates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TPageIndex;

using FoldedGroups = test::ScratchSettings;

TEST_F(FoldedGroups, OneLineEachSayingWhatIsChosenAndKeptAcrossARestart)
{
    {
        test::WindowDriver first({1000, 700});
        first.Win.RestoreSettings();
        ui::TScanOptionsPanel& o = first.Options();
        ui::TFoldableBox& sources = *o.SourcesFold();
        ui::TFoldableBox& filters = *o.FiltersFold();
        EXPECT_FALSE(sources.IsFolded());
        const int unfolded = o.height();
        // The button folds and unfolds; folded, the controls are hidden, not changed.
        QTest::mouseClick(sources.Button(), Qt::LeftButton);
        QTest::mouseClick(filters.Button(), Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_TRUE(sources.IsFolded());
        EXPECT_FALSE(o.AllDrivesButton()->isVisible());
        EXPECT_FALSE(o.PatternEdit()->isVisible());
        EXPECT_TRUE(sources.Line()->isVisible());
        EXPECT_LT(o.height(), unfolded);
        EXPECT_EQ(sources.Button()->toolTip(), "Unfold");
        // The lines follow the choices made while folded.
        struct Case
        {
            std::function<void()> Choose;
            QString Sources, Filters;
        };
        const Case cases[] = {
            {[] {}, "Sources: All Drives", "Exclude Files: (none)"},
            {[&] { o.ChoosePath("/srv/data"); }, "Sources: /srv/data", "Exclude Files: (none)"},
            {[&] {
                 o.LessThanCheck()->setChecked(true);
                 o.LessThanEdit()->setText("12");
                 o.SizeUnitBox()->setCurrentIndex(1);
                 o.PatternCheck()->setChecked(true);
                 o.PatternEdit()->setText("*.iso");
             },
             "Sources: /srv/data", "Exclude Files: Less than 12 KB; Pattern *.iso"},
        };
        for (const Case& c : cases) {
            c.Choose();
            EXPECT_EQ(sources.Line()->text(), c.Sources);
            EXPECT_EQ(filters.Line()->text(), c.Filters);
        }
        // Unfolded again: the controls and the title are back as they were.
        filters.SetFolded(false);
        EXPECT_TRUE(o.PatternEdit()->isVisible());
        EXPECT_EQ(o.PatternEdit()->text(), "*.iso");
        EXPECT_EQ(o.FiltersGroup()->title(), "Exclude Files");
        first.Win.close();
    }
    test::WindowDriver second({1000, 700});
    second.Win.RestoreSettings();
    QApplication::processEvents();
    EXPECT_TRUE(second.Options().SourcesFold()->IsFolded());
    EXPECT_FALSE(second.Options().FiltersFold()->IsFolded());
    EXPECT_EQ(second.Options().SourcesFold()->Line()->text(), "Sources: /srv/data");
    EXPECT_FALSE(second.Options().FolderBox()->isVisible());
}

TEST(ScanInvite, MapsInviteAFirstScanUntilOneStarts)
{
    test::TempDir t;
    t.MakeDir("empty");
    test::WindowDriver w;
    ui::TScanInvite* invite = w.Win.Invite();
    ASSERT_TRUE(invite->IsShown());
    for (const TPageIndex page : {TPageIndex::FilesInFolders, TPageIndex::OnlyFiles,
                                  TPageIndex::OnlyFolders, TPageIndex::Duplicates}) {
        w.ShowPage(page);
        ui::TTreemapCanvas* canvas = w.Win.Page(page)->Canvas();
        EXPECT_TRUE(canvas->PlaceholderText().startsWith("No scan yet."));
        QPushButton* button = invite->ButtonOf(canvas);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->text(), "Scan");
        EXPECT_TRUE(canvas->rect().contains(button->geometry()));
    }
    // Its button runs the Scan command.
    QPushButton* button = invite->ButtonOf(w.Win.Page(TPageIndex::Duplicates)->Canvas());
    w.ChoosePath(t / "empty");
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_TRUE(w.Status().startsWith("Done."));
    EXPECT_FALSE(invite->IsShown());
    // A result without a map says so, as before.
    EXPECT_EQ(w.Win.Page(TPageIndex::Duplicates)->Canvas()->PlaceholderText(),
              "Visualization not available");
}

// A scan of 5,001 files, made once: the largest-files list shows 5,000 of them.
const test::TempDir& ManyFiles()
{
    static const test::TempDir t;
    static const bool made = [] {
        for (int i = 0; i < 5001; ++i)
            t.MakeFile("f" + std::to_string(i), i);
        return true;
    }();
    (void)made;
    return t;
}

class CapText : public ::testing::TestWithParam<std::pair<const char*, const char*>>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadTranslation(std::string(GetParam().first),
                                    std::vector<std::string>{HARROWDALE_SHIPPED_TRANSLATION}));
    }
    void TearDown() override { LoadTranslation(std::nullopt, std::vector<std::string>{}); }
};

TEST_P(CapText, SaysHowManyOfHowManyFilesInTheLanguageShown)
{
    test::WindowDriver w;
    QLabel* cap = w.OnlyFiles().MainCaption();
    ASSERT_TRUE(w.Scan(ManyFiles().Path()));
    w.ShowPage(TPageIndex::OnlyFiles);
    EXPECT_TRUE(cap->isVisible());
    // Digits grouped as the language writes them (French with a narrow no-break space).
    QString text = cap->text();
    text.replace(QChar(0x202F), QLatin1Char(' ')).replace(QChar(0xA0), QLatin1Char(' '));
    EXPECT_EQ(text, QString::fromUtf8(GetParam().second));
    // A result whose files all fit says nothing.
    test::TempDir few;
    few.MakeFile("one", 1);
    ASSERT_TRUE(w.Scan(few.Path()));
    EXPECT_FALSE(cap->isVisible());
}

TEST(DuplicatesCap, SaysHowManyGroupsWereFound)
{
    // One more group than the page keeps: pairs of equal name and size in two folders.
    test::TempDir t;
    const std::size_t groups = kMaxDupGroups + 1;
    t.MakeDir("a");
    t.MakeDir("b");
    for (std::size_t i = 0; i < groups; ++i)
        for (const char* folder : {"a/", "b/"})
            t.MakeFile(folder + std::to_string(i), static_cast<std::int64_t>(i) + 1);
    test::WindowDriver w;
    QLabel* cap = w.Duplicates().MainCaption();
    ASSERT_TRUE(w.Scan(t.Path()));
    w.ShowPage(TPageIndex::Duplicates);
    EXPECT_TRUE(cap->isVisible());
    EXPECT_EQ(cap->text(), QStringLiteral("Largest 2,000 of 2,001 groups"));
    test::TempDir few;
    few.MakeDir("a");
    few.MakeDir("b");
    few.MakeFile("a/x", 1);
    few.MakeFile("b/x", 1);
    ASSERT_TRUE(w.Scan(few.Path()));
    EXPECT_FALSE(cap->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Languages, CapText,
                         ::testing::Values(std::pair{"en", "Largest 5,000 of 5,001 files"},
                                           std::pair{"de", "Die größten 5.000 von 5.001 Dateien"},
                                           std::pair{"fr",
                                                     "Les 5 000 plus grands sur 5 001 fichiers"}));

} // namespace
} // namespace harrowdale
