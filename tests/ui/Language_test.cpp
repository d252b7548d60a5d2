// The language at start-up (saved choice, else the system's) and the Language menu of the
// running window, with the settings store in a scratch folder.

#include "i18n/Translation.h"
#include "support/TempDir.h"
#include "support/TranslatedTexts.h"
#include "ui/FakeServices.h"
#include "ui/FilesInFoldersPage.h"
#include "ui/LanguageSettings.h"
#include "ui/ListModels.h"
#include "ui/MainWindow.h"
#include "ui/QtLanguage.h"
#include "ui/ScanOptionsPanel.h"
#include "ui/TreemapCanvas.h"
#include "ui/WindowDriver.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

namespace harrowdale {
namespace {

class Language : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(FDir.Path()));
        FOldLanguage = qgetenv("LANGUAGE");
    }
    void TearDown() override
    {
        if (FOldLanguage.isNull())
            qunsetenv("LANGUAGE");
        else
            qputenv("LANGUAGE", FOldLanguage);
        LoadTranslation(std::nullopt, std::vector<std::string>{}); // English for the rest
    }

    std::vector<std::string> WriteTable(const std::string& contents)
    {
        const std::string path = FDir / "transl.dt";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
        return {path};
    }
    static QSettings Store()
    {
        return QSettings(QStringLiteral("Harrowdale"), QStringLiteral("Harrowdale"));
    }

    test::TempDir FDir;

private:
    QByteArray FOldLanguage;
};

TEST_F(Language, StartUpTakesTheSavedCodeElseTheSystemLanguage)
{
    const std::string threeColumns = "3\nEnglish\nDeutsch\nFrancais\nen\nde\nfr\n"
                                     "Scan\nScannen\nAnalyser\n";
    const std::string japanese = "3\nEnglish\nJA\nJP\nen\nja\njp\nScan\nSCAN-JA\nSCAN-JP\n";
    struct Case
    {
        const char* What;
        QVariant Saved; // invalid: nothing saved
        const char* System;
        const std::string& Table;
        int Column;
        const char* Scan;
    };
    const Case cases[] = {
        {"saved FR", QStringLiteral("FR"), "de_DE.UTF-8", threeColumns, 2, "Analyser"},
        {"German system", {}, "de_DE.UTF-8", threeColumns, 1, "Scannen"},
        {"Japanese system", {}, "ja_JP.UTF-8", japanese, 2, "SCAN-JP"},
        {"saved code without a column", QStringLiteral("xx"), "de_DE.UTF-8", threeColumns, 0,
         "Scan"},
        {"saved value that is not text", QStringList{"de", "fr"}, "fr_FR.UTF-8", threeColumns, 2,
         "Analyser"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Store().remove(QStringLiteral("CurrentLanguage"));
        if (c.Saved.isValid())
            Store().setValue(QStringLiteral("CurrentLanguage"), c.Saved);
        qputenv("LANGUAGE", c.System);
        ASSERT_TRUE(LoadTranslation(ui::SavedLanguage(), WriteTable(c.Table)));
        EXPECT_EQ(Translation().LangIndex(), c.Column);
        EXPECT_EQ(Translate("Scan"), c.Scan);
    }
}

// Every text the window shows that the language menu switches, in a fixed order: menus
// (without the language items, whose names are never translated), toolbar hints, button
// texts, pages, groups, check boxes, size units and list column titles.
QStringList WindowTexts(ui::TMainWindow& w)
{
    QStringList texts;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        texts << menu->title();
        if (menu == w.Actions().LanguageMenu())
            return;
        for (QAction* a : menu->actions()) {
            if (a->menu())
                walk(a->menu());
            else if (!a->isSeparator())
                texts << a->text();
        }
    };
    for (QAction* a : w.menuBar()->actions())
        walk(a->menu());
    for (QToolButton* b : w.findChildren<QToolButton*>()) {
        const QString text = b->toolTip().isEmpty() ? b->text() : b->toolTip();
        if (!text.isEmpty())
            texts << text;
    }
    for (int i = 0; i < w.PageTabs()->count(); ++i)
        texts << w.PageTabs()->tabText(i);
    for (QGroupBox* g : w.findChildren<QGroupBox*>())
        texts << g->title();
    for (QAbstractButton* b : w.findChildren<QRadioButton*>())
        texts << b->text();
    for (QAbstractButton* b : w.findChildren<QCheckBox*>())
        texts << b->text();
    for (int i = 0; i < w.Options()->SizeUnitBox()->count(); ++i)
        texts << w.Options()->SizeUnitBox()->itemText(i);
    for (QTreeView* v : w.findChildren<QTreeView*>()) {
        if (v->isHeaderHidden())
            continue;
        for (int col = 0; col < v->model()->columnCount(); ++col)
            texts << v->model()->headerData(col, Qt::Horizontal).toString();
    }
    return texts;
}

TEST_F(Language, MenuSwitchesEveryTextAtOnceAndSavesTheCode)
{
    // A test language: every text marked, except "Stop", whose cell is empty.
    std::string table = "2\nEnglish\nDeutsch & Test\nen\nde\n";
    for (const std::string_view key : test::kTranslatedTexts)
        table += std::string(key) + "\n" + (key == "Stop" ? "" : "DE:" + std::string(key)) + "\n";
    qputenv("LANGUAGE", "en_GB");
    ASSERT_TRUE(LoadTranslation(std::nullopt, WriteTable(table)));

    test::ServiceLog log;
    ui::TMainWindow w(test::FakeServices(log));
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();

    const QList<QAction*> items = w.Actions().LanguageMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1]->iconText(), "Deutsch & Test"); // the '&' is no mnemonic
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());

    const QStringList english = WindowTexts(w);
    for (const QString& text : english) {
        const std::string key = text.toStdString();
        EXPECT_TRUE(key == "%" ||
                    std::find(std::begin(test::kTranslatedTexts), std::end(test::kTranslatedTexts),
                              key) != std::end(test::kTranslatedTexts))
            << key << " does not pass through the translation";
    }
    w.Options()->SizeUnitBox()->setCurrentIndex(3);
    const QString status = w.StatusText();
    w.FilesInFoldersPage()->Canvas()->grab();
    const QImage placeholderBefore = w.FilesInFoldersPage()->Canvas()->Buffer().copy();

    items[1]->trigger();

    const QStringList german = WindowTexts(w);
    ASSERT_EQ(german.size(), english.size());
    for (qsizetype i = 0; i < english.size(); ++i) {
        const bool untranslated = english[i] == "Stop" || english[i] == "%";
        EXPECT_EQ(german[i], untranslated ? english[i] : "DE:" + english[i]);
    }
    EXPECT_EQ(w.Options()->SizeUnitBox()->currentIndex(), 3);
    EXPECT_EQ(w.Options()->SizeUnitBox()->currentText(), "DE:GB");
    EXPECT_EQ(w.StatusText(), "DE:" + status); // "Ready", in the new language at once
    EXPECT_TRUE(w.FilesInFoldersPage()->Canvas()->IsDirty());
    w.FilesInFoldersPage()->Canvas()->grab();
    EXPECT_NE(w.FilesInFoldersPage()->Canvas()->Buffer(), placeholderBefore)
        << "the placeholder was not redrawn";
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isChecked());
    EXPECT_EQ(Store().value(QStringLiteral("CurrentLanguage")).toString(), "de");

    // English again: the built-in texts, whatever the file holds.
    items[0]->trigger();
    EXPECT_EQ(WindowTexts(w), english);
    EXPECT_EQ(w.StatusText(), status);
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_FALSE(items[1]->isChecked());
    EXPECT_EQ(Store().value(QStringLiteral("CurrentLanguage")).toString(), "en");
    w.FilesInFoldersPage()->Canvas()->grab();
    EXPECT_EQ(w.FilesInFoldersPage()->Canvas()->Buffer(), placeholderBefore);
}

TEST_F(Language, ExtensionListsAndTheStatusLineFollowTheLanguageShown)
{
    std::string table = "2\nEnglish\nDeutsch\nen\nde\n";
    for (const std::string_view key : test::kTranslatedTexts)
        table += std::string(key) + "\nDE:" + std::string(key) + "\n";
    qputenv("LANGUAGE", "en_GB");
    ASSERT_TRUE(LoadTranslation(std::nullopt, WriteTable(table)));
    test::TempDir t;
    t.MakeFile("README", 900);
    t.MakeFile("a.txt", 500);
    test::WindowDriver w;
    ASSERT_TRUE(w.Scan(t.Path()));
    const std::vector<ui::TExtListModel*> lists = {w.FilesInFolders().ExtensionsModel(),
                                                   w.OnlyFiles().ExtensionsModel()};
    auto names = [&] {
        QStringList out;
        for (ui::TExtListModel* m : lists)
            for (int r = 0; r < m->rowCount(); ++r)
                out << m->index(r, 0).data().toString() + " " + m->index(r, 2).data().toString();
        return out;
    };
    EXPECT_EQ(names(), (QStringList{"(none) 900 B", ".txt 500 B", "(none) 900 B", ".txt 500 B"}));
    w.ShowPage(ui::TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0, 1});
    const QString readme = QString::fromStdString(t / "README");
    ASSERT_EQ(w.Status(), readme + "  900 B  (2 selected)");
    QSignalSpy shown(lists[0], &QAbstractItemModel::dataChanged);
    w.Win.Actions().LanguageMenu()->actions()[1]->trigger();
    EXPECT_EQ(w.Status(), "DE:" + readme + "  DE:900 B  (2 selected)");
    EXPECT_EQ(shown.count(), 1); // the views draw the rows again
    EXPECT_EQ(names(), (QStringList{"DE:(none) DE:900 B", ".txt DE:500 B", "DE:(none) DE:900 B",
                                    ".txt DE:500 B"}));
}

TEST_F(Language, MenuListsTheColumnsOfTheFile)
{
    struct Case
    {
        const char* What;
        std::optional<std::string> Table;
        QStringList Items;
    };
    const Case cases[] = {
        {"one column", "1\nEnglish only\nen\nScan\n", {"English only"}},
        {"no file", std::nullopt, {}},
        {"no columns", "0\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        LoadTranslation(std::nullopt, c.Table ? WriteTable(*c.Table) : std::vector<std::string>{});
        test::ServiceLog log;
        ui::TMainWindow w(test::FakeServices(log));
        QStringList captions;
        for (QAction* a : w.Actions().LanguageMenu()->actions()) {
            captions << a->iconText();
            EXPECT_TRUE(a->isChecked());
        }
        EXPECT_EQ(captions, c.Items);
        EXPECT_EQ(w.Action(ui::TCommand::Scan)->toolTip(), "Scan");
    }
}

TEST_F(Language, QtsOwnTextsAndTheCalendarFollowTheMenu)
{
    const QString qtTexts = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(qtTexts + "/qtbase_de.qm") || !QFile::exists(qtTexts + "/qtbase_fr.qm"))
        GTEST_SKIP() << "Qt's translations (qt6-translations-l10n) are not installed";
    qputenv("LANGUAGE", "en_GB");
    ASSERT_TRUE(
        LoadTranslation(std::nullopt, WriteTable("3\nEnglish\nDeutsch\nFrancais\nen\nde\nfr\n")));
    test::ServiceLog log;
    ui::TMainWindow w(test::FakeServices(log));
    const auto yesNo = [] {
        QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
        return box.button(QMessageBox::Yes)->text() + "/" + box.button(QMessageBox::No)->text();
    };
    const auto month = [&w] {
        return w.Options()->DateEdit()->calendarWidget()->locale().monthName(3);
    };
    EXPECT_EQ(yesNo(), "&Yes/&No");
    EXPECT_EQ(month(), "March");

    const QList<QAction*> items = w.Actions().LanguageMenu()->actions();
    ASSERT_EQ(items.size(), 3);
    items[1]->trigger();
    EXPECT_EQ(yesNo(), "&Ja/&Nein");
    EXPECT_EQ(month(), "März");
    items[2]->trigger();
    EXPECT_EQ(yesNo(), "&Oui/&Non");
    EXPECT_EQ(month(), "mars");
    items[0]->trigger();
    EXPECT_EQ(yesNo(), "&Yes/&No");
    EXPECT_EQ(month(), "March");

    // A language Qt has no file for: its texts stay English, quietly.
    EXPECT_FALSE(ui::ApplyQtLanguage("xx"));
    EXPECT_EQ(yesNo(), "&Yes/&No");
}

} // namespace
} // namespace harrowdale
