// What the window remembers between runs, in a settings store in a scratch folder.

#include "support/TempDir.h"
#include "ui/Settings.h"
#include "ui/WindowDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TPageIndex;

class WindowSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(FDir.Path()));
    }
    test::TempDir FDir;
};

TEST_F(WindowSettings, KeptAcrossARestart)
{
    const std::string folder = FDir.MakeDir("caf\xe9 data");
    {
        test::WindowDriver first({1000, 700});
        EXPECT_FALSE(first.Win.RestoreSettings()); // nothing saved yet: defaults stay
        EXPECT_TRUE(first.Options().AllDrivesButton()->isChecked());
        first.Win.resize(910, 640);
        first.Options().ChoosePathBytes(folder);
        ui::TScanOptionsPanel& o = first.Options();
        o.ModifiedBeforeCheck()->setChecked(true);
        o.DateEdit()->setDate(QDate(2025, 3, 4));
        o.LessThanCheck()->setChecked(true);
        o.LessThanEdit()->setText("12.5");
        o.SizeUnitBox()->setCurrentIndex(2);
        o.PatternCheck()->setChecked(true);
        o.PatternEdit()->setText("*.iso;*.tmp");
        first.ShowPage(TPageIndex::OnlyFiles);
        first.OnlyFiles().FilesList()->header()->resizeSection(0, 333);
        first.ShowPage(TPageIndex::Duplicates);
        first.Trigger(TCommand::ShowToolbar);
        first.Win.close();
    }
    test::WindowDriver second({1000, 700});
    EXPECT_TRUE(second.Win.RestoreSettings());
    QApplication::processEvents();
    EXPECT_EQ(second.Win.size(), QSize(910, 640));
    ui::TScanOptionsPanel& o = second.Options();
    EXPECT_TRUE(o.FolderButton()->isChecked());
    EXPECT_TRUE(o.ModifiedBeforeCheck()->isChecked());
    EXPECT_EQ(o.DateEdit()->date(), QDate(2025, 3, 4));
    EXPECT_TRUE(o.LessThanCheck()->isChecked());
    EXPECT_EQ(o.LessThanEdit()->text(), "12.5");
    EXPECT_EQ(o.SizeUnitBox()->currentIndex(), 2);
    EXPECT_TRUE(o.PatternCheck()->isChecked());
    EXPECT_EQ(o.PatternEdit()->text(), "*.iso;*.tmp");
    EXPECT_TRUE(o.PatternEdit()->isEnabled());
    EXPECT_EQ(second.Win.CurrentPage(), TPageIndex::Duplicates);
    EXPECT_TRUE(second.Action(TCommand::ShowDuplicates)->isChecked());
    EXPECT_FALSE(second.Action(TCommand::ShowToolbar)->isChecked());
    EXPECT_FALSE(second.Win.TopPanel()->isVisible());
    EXPECT_EQ(second.OnlyFiles().FilesList()->header()->sectionSize(0), 333);
    // The folder comes back as its bytes (not UTF-8 here), and Scan scans it.
    EXPECT_TRUE(second.ScanAndWait());
    ASSERT_NE(second.Root(), nullptr) << second.Log.Errors.join('|').toStdString() << " "
                                      << o.FolderBox()->currentText().toStdString();
    EXPECT_EQ(second.Root()->FullPath(), folder);
}

TEST_F(WindowSettings, ValuesEditedByHandAreIgnored)
{
    {
        QSettings store = ui::SettingsStore();
        store.setValue("Window/Geometry", QByteArray("garbage"));
        store.setValue("Window/Page", "seven");
        store.setValue("Scan/SizeUnit", 99);
        store.setValue("Scan/Date", "not a date");
        store.setValue("Scan/LessThanValue", QVariantList{1, 2});
        store.setValue("Columns/OnlyFiles/MainColumns", QByteArray("\x01\x02"));
    }
    test::WindowDriver w({1000, 700});
    EXPECT_FALSE(w.Win.RestoreSettings());
    EXPECT_EQ(w.Win.CurrentPage(), TPageIndex::FilesInFolders);
    EXPECT_EQ(w.Options().SizeUnitBox()->currentIndex(), 0);
    EXPECT_EQ(w.Options().DateEdit()->date(), QDate(2026, 1, 14));
    EXPECT_EQ(w.Options().LessThanEdit()->text(), "1");
    EXPECT_GT(w.OnlyFiles().FilesList()->header()->sectionSize(0), 0);
}

TEST_F(WindowSettings, UpdateCheckAtStartUpIsAMenuSettingOnByDefault)
{
    EXPECT_TRUE(ui::UpdateCheckAtStartUp());
    {
        test::WindowDriver first({1000, 700});
        QAction* item = first.Action(TCommand::CheckForUpdates);
        EXPECT_EQ(item->isVisible(), HARROWDALE_UPDATE_CHECK != 0);
        EXPECT_TRUE(item->isChecked());
        item->trigger(); // off, saved at once
        EXPECT_FALSE(ui::UpdateCheckAtStartUp());
    }
    test::WindowDriver second({1000, 700});
    EXPECT_FALSE(second.Action(TCommand::CheckForUpdates)->isChecked());
    second.Trigger(TCommand::CheckForUpdates);
    EXPECT_TRUE(ui::UpdateCheckAtStartUp());
}

TEST_F(WindowSettings, MeasureOptionsAreSavedAndSwitchingAsksBeforeScanningAgain)
{
    // One file of 5000 bytes with a second hard link.
    test::TempDir t;
    test::WriteFileBytes(t / "a.dat", std::string(5000, 'x'));
    std::filesystem::create_hard_link(t / "a.dat", t / "b.dat");
    struct stat st
    {
    };
    ASSERT_EQ(::stat((t / "a.dat").c_str(), &st), 0);
    const std::int64_t allocated = static_cast<std::int64_t>(st.st_blocks) * 512;

    {
        test::WindowDriver w({1000, 700});
        QAction* everyLink = w.Action(TCommand::CountEveryHardLink);
        QAction* onDisk = w.Action(TCommand::SizeOnDisk);
        EXPECT_FALSE(everyLink->isChecked());
        EXPECT_FALSE(onDisk->isChecked());
        EXPECT_EQ(w.Win.MeasureText(), "");

        // Without a result there is nothing to ask.
        onDisk->trigger();
        onDisk->trigger();
        EXPECT_TRUE(w.Log.Questions.isEmpty());

        ASSERT_TRUE(w.Scan(t.Path()));
        EXPECT_EQ(w.Root()->TotalSize(), 5000);
        EXPECT_EQ(w.Root()->TotalFiles(), 1);
        const QString once = "Sizes: length of each file   Hard links: each file counted once";
        EXPECT_EQ(w.Win.MeasureText(), once);

        // No: the result and its label stay; the setting is kept for the next scan.
        w.Log.Answer = false;
        everyLink->trigger();
        ASSERT_EQ(w.Log.Questions.size(), 1);
        EXPECT_FALSE(w.Busy());
        EXPECT_EQ(w.Root()->TotalSize(), 5000);
        EXPECT_EQ(w.Win.MeasureText(), once);
        EXPECT_TRUE(ui::SavedScanMeasure().CountEveryHardLink);

        // Yes: scanned again with both settings.
        w.Log.Answer = true;
        onDisk->trigger();
        ASSERT_EQ(w.Log.Questions.size(), 2);
        ASSERT_TRUE(w.WaitIdle());
        EXPECT_EQ(w.Root()->TotalFiles(), 2);
        EXPECT_EQ(w.Root()->TotalSize(), 2 * allocated);
        EXPECT_EQ(w.Win.MeasureText(),
                  "Sizes: space used on disk   Hard links: every link counted");
    }
    test::WindowDriver again({1000, 700});
    EXPECT_TRUE(again.Action(TCommand::CountEveryHardLink)->isChecked());
    EXPECT_TRUE(again.Action(TCommand::SizeOnDisk)->isChecked());
}

} // namespace
} // namespace harrowdale
