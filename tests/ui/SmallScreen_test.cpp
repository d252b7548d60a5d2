// The window on small screens and in long languages: it can be made 800 pixels wide, and
// at 800, 1024 and 1333 pixels every control of the source and filter groups shows its
// caption whole, in English, German and French (the shipped translations).

#include "i18n/Translation.h"
#include "support/TempDir.h"
#include "ui/FoldableBox.h"
#include "ui/WindowDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TPageIndex;

class SmallScreen : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadTranslation(std::string(GetParam()),
                                    std::vector<std::string>{HARROWDALE_SHIPPED_TRANSLATION}));
    }
    void TearDown() override { LoadTranslation(std::nullopt, std::vector<std::string>{}); }
};

TEST_P(SmallScreen, EveryCaptionWholeFrom800PixelsUp)
{
    test::WindowDriver w({1024, 768});
    EXPECT_LE(w.Win.minimumSizeHint().width(), 800);
    ui::TScanOptionsPanel& o = w.Options();
    o.FolderButton()->setChecked(true); // every control enabled, as when they are used
    for (QCheckBox* c : {o.ModifiedBeforeCheck(), o.LessThanCheck(), o.PatternCheck()})
        c->setChecked(true);
    for (const QSize size : {QSize(800, 600), QSize(1024, 768), QSize(1333, 720)}) {
        w.Win.resize(size);
        QApplication::processEvents();
        ASSERT_EQ(w.Win.width(), size.width());
        if (size.width() == 800) {
            EXPECT_TRUE(o.IsStacked()); // the filters below the sources
        }
        // Captions, buttons, the unit list and the date: their whole preferred width.
        const QList<QWidget*> whole{o.AllDrivesButton(),     o.FolderButton(), o.BrowseButton(),
                                    o.ModifiedBeforeCheck(), o.DateEdit(),     o.LessThanCheck(),
                                    o.SizeUnitBox(),         o.PatternCheck()};
        for (QWidget* c : whole) {
            SCOPED_TRACE(std::to_string(size.width()) + " " + c->metaObject()->className());
            EXPECT_GE(c->width(), c->sizeHint().width());
        }
        // The boxes one types into: at least their minimum, and room for a few words.
        for (QWidget* c :
             std::initializer_list<QWidget*>{o.FolderBox(), o.LessThanEdit(), o.PatternEdit()})
            EXPECT_GE(c->width(), c->minimumSizeHint().width());
        EXPECT_GE(o.FolderBox()->width(), 160);
        EXPECT_GE(o.PatternEdit()->width(), 120);
        // And all of them inside the window.
        for (QWidget* c : o.TabOrder()) {
            const QRect r(c->mapTo(&w.Win, QPoint(0, 0)), c->size());
            EXPECT_TRUE(w.Win.rect().contains(r)) << c->metaObject()->className();
        }
        for (QGroupBox* g : o.findChildren<QGroupBox*>())
            EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()));
    }
}

TEST_P(SmallScreen, MapKeepsHalfTheHeightAt800x600)
{
    test::TempDir t;
    t.MakeDir("a/b");
    t.MakeFile("a/b/f.bin", 5000);
    t.MakeFile("g.bin", 3000);
    test::WindowDriver w({800, 600});
    ASSERT_TRUE(w.Scan(t.Path()));
    ui::TScanOptionsPanel& o = w.Options();
    // Folded, each group is one line: the map has half of the window on every page, and
    // the lists below it show a few rows more.
    o.SourcesFold()->SetFolded(true);
    o.FiltersFold()->SetFolded(true);
    const std::initializer_list<QGroupBox*> groups{
        static_cast<QGroupBox*>(o.AllDrivesButton()->parentWidget()), o.FiltersGroup()};
    w.WaitFor([&] {
        return std::all_of(groups.begin(), groups.end(), [](QGroupBox* g) {
            return g->height() <= g->fontMetrics().height() * 2 + 8;
        });
    });
    for (QGroupBox* g : groups) {
        EXPECT_LE(g->height(), g->fontMetrics().height() * 2 + 8);
        EXPECT_TRUE(g->title().isEmpty());
    }
    for (const TPageIndex page : {TPageIndex::FilesInFolders, TPageIndex::OnlyFiles,
                                  TPageIndex::OnlyFolders, TPageIndex::Duplicates}) {
        SCOPED_TRACE(static_cast<int>(page));
        w.ShowPage(page);
        ui::TResultPage* p = w.Win.Page(page);
        EXPECT_GE(p->Canvas()->height(), 300);
        EXPECT_GE(p->MainView()->height(), p->MainView()->minimumSizeHint().height());
        // Laid out once for the height it has, not once per step of the way.
        EXPECT_FALSE(p->LayoutPending());
    }
    // Unfolded too: the lists give way first, down to a few rows.
    o.SourcesFold()->SetFolded(false);
    o.FiltersFold()->SetFolded(false);
    ui::TResultPage* p = w.Win.Page(TPageIndex::Duplicates);
    w.WaitFor([&] { return !groups.begin()[0]->title().isEmpty() && !p->LayoutPending(); });
    EXPECT_GE(p->Canvas()->height(), 300);
    QWidget* lists = p->SideList()->parentWidget();
    EXPECT_GE(lists->height(), lists->minimumSizeHint().height());
    EXPECT_LT(lists->height(), 200);
    // At the window's design height the lists have their design heights again.
    w.Win.resize(1333, ui::kWindowDesignHeight);
    w.WaitFor([&] { return p->SideList()->height() >= 280; });
    EXPECT_GE(p->SideList()->height(), 280);
}

INSTANTIATE_TEST_SUITE_P(Languages, SmallScreen, ::testing::Values("en", "de", "fr"));

} // namespace
} // namespace harrowdale
