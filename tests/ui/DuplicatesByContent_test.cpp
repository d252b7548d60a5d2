// Grouping duplicates by content in the window: the View menu's choice, kept between runs,
// the result grouped again when it is switched, group names that read well when the names
// differ, and a removal question that says the contents were compared.

#include "support/TempDir.h"
#include "ui/DuplicatesPage.h"
#include "ui/Settings.h"
#include "ui/WindowDriver.h"
#include "ui/text/DupGroupText.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

class DuplicatesByContent : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(FDir.Path()));
    }
    test::TempDir FDir;
};

std::set<std::string> Names(const TDupGroup& g)
{
    std::set<std::string> names;
    for (const TFileLeaf* f : g.Files)
        names.insert(f->FullPath());
    return names;
}

TEST_F(DuplicatesByContent, ChosenInTheViewMenuKeptAndSaidInTheQuestion)
{
    // Two files named photo.jpg of one length with other bytes; one has a copy, copy.jpg.
    test::TempDir t;
    t.MakeDir("a");
    t.MakeDir("b");
    test::WriteFileBytes(t / "a/photo.jpg", "twenty bytes, one...");
    test::WriteFileBytes(t / "b/copy.jpg", "twenty bytes, one...");
    test::WriteFileBytes(t / "b/photo.jpg", "twenty bytes, two...");
    {
        test::WindowDriver w({1000, 700});
        EXPECT_TRUE(w.Action(TCommand::DuplicatesByName)->isChecked());
        ASSERT_TRUE(w.Scan(t.Path()));
        const TDuplicates& dups = w.Win.Results().Duplicates;
        ASSERT_EQ(dups.Groups.size(), 1u);
        EXPECT_EQ(Names(*dups.Groups[0]), (std::set{t / "a/photo.jpg", t / "b/photo.jpg"}));

        // Switched: the result shown is grouped again, by what the files hold.
        w.Trigger(TCommand::DuplicatesByContent);
        ASSERT_TRUE(w.WaitIdle());
        EXPECT_EQ(w.Win.Results().DuplicatesBy, TDupGrouping::Content);
        EXPECT_EQ(ui::SavedDuplicateGrouping(), TDupGrouping::Content);
        ASSERT_EQ(dups.Groups.size(), 1u);
        const TDupGroup& g = *dups.Groups[0];
        EXPECT_EQ(Names(g), (std::set{t / "a/photo.jpg", t / "b/copy.jpg"}));
        EXPECT_EQ(DupGroupName(g), g.FileName + " and 1 other name");

        w.ShowPage(TPageIndex::Duplicates);
        QTreeView* tree = w.Duplicates().DuplicatesTree();
        EXPECT_EQ(tree->model()->index(0, 0).data().toString(),
                  QString::fromStdString(DupGroupName(g)) + QStringLiteral("  (2)"));
        w.SelectRows(tree, {0});
        w.Log.Answer = false;
        w.Trigger(TCommand::MoveToTrash);
        ASSERT_EQ(w.Log.Questions.size(), 1);
        EXPECT_TRUE(w.Log.Questions[0].endsWith("These duplicates were found by content; their contents were compared byte for byte."))
            << w.Log.Questions[0].toStdString();
    }
    // The choice is kept: the next scan groups by content from the start.
    test::WindowDriver again({1000, 700});
    EXPECT_TRUE(again.Action(TCommand::DuplicatesByContent)->isChecked());
    ASSERT_TRUE(again.Scan(t.Path()));
    EXPECT_EQ(again.Win.Results().DuplicatesBy, TDupGrouping::Content);
    ASSERT_EQ(again.Win.Results().Duplicates.Groups.size(), 1u);
    EXPECT_EQ(again.Win.Results().Duplicates.Groups[0]->OtherNames, 1u);
}

} // namespace
} // namespace harrowdale
