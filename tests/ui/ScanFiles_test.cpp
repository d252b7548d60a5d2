// Scan files in the window: File > "Open Scan..." shows a file the command line exported,
// or one the window saved, exactly as the scan showed it; a bad file is answered and the
// current result stays, also when Stop comes while a pipe keeps the reading waiting; the
// commands on a scan made elsewhere touch nothing.

#include "support/TempDir.h"
#include "support/posix/FifoWriter.h"
#include "ui/ListModels.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <tuple>

namespace harrowdale {
namespace {

using test::WindowDriver;
using ui::TCommand;
using ui::TPageIndex;

void MakeTree(const test::TempDir& t)
{
    t.MakeDir("data/photos/2024");
    t.MakeDir("data/docs");
    t.MakeDir("data/empty");
    t.MakeFile("data/photos/2024/a.jpg", 300000, 1700000000);
    t.MakeFile("data/photos/b.JPG", 200000, 1600000000);
    t.MakeFile("data/docs/c.txt", 100000, 0);
    t.MakeFile("data/docs/odd\xff\nname", 7000);
    t.MakeFile("data/photos/copy.dat", 4000);
    t.MakeFile("data/docs/copy.dat", 4000);
    t.MakeFile("data/README", 10);
}

/// What the four pages show, in an order that does not depend on ties between sizes.
struct Shown
{
    QString Status;
    std::string RootPath;
    std::int64_t Bytes = 0, Files = 0, Dirs = 0;
    std::vector<std::pair<std::string, std::int64_t>> Largest;
    std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> Extensions;
    std::vector<std::pair<std::string, std::int64_t>> TopFolders;
    std::vector<std::string> Duplicates;
    std::size_t MapItems = 0;

    bool operator==(const Shown&) const = default;
};

Shown Read(WindowDriver& w)
{
    Shown s;
    s.Status = w.Status();
    if (const TDirNode* root = w.Root()) {
        s.RootPath = root->FullPath();
        s.Bytes = root->TotalSize();
        s.Files = root->TotalFiles();
        s.Dirs = root->TotalDirs();
    }
    ui::TLargestFilesModel* files = w.OnlyFiles().FilesModel();
    for (int r = 0; r < files->rowCount(); ++r)
        s.Largest.emplace_back(files->File(r)->FullPath(), files->File(r)->Size());
    ui::TExtListModel* exts = w.FilesInFolders().ExtensionsModel();
    for (int r = 0; r < exts->rowCount(); ++r)
        s.Extensions.emplace_back(exts->Row(r).Ext, exts->Row(r).Bytes, exts->Row(r).Files);
    ui::TTopFoldersModel* top = w.OnlyFolders().TopFoldersModel();
    for (int r = 0; r < top->rowCount(); ++r)
        s.TopFolders.emplace_back(top->Folder(r)->FullPath(), top->Folder(r)->TotalSize());
    for (const auto& g : w.Win.Results().Duplicates.Groups)
        for (const TFileLeaf* f : g->Files)
            s.Duplicates.push_back(f->FullPath());
    w.ShowPage(TPageIndex::OnlyFiles);
    s.MapItems = w.OnlyFiles().Map().Items().size();
    std::ranges::sort(s.Largest);
    std::ranges::sort(s.Extensions);
    std::ranges::sort(s.TopFolders);
    std::ranges::sort(s.Duplicates);
    return s;
}

TEST(ScanFiles, ExportedAndSavedScansShowWhatTheScanShowed)
{
    test::TempDir t;
    MakeTree(t);
    Shown scanned;
    {
        WindowDriver w({1000, 700});
        ASSERT_TRUE(w.Scan(t / "data"));
        scanned = Read(w);
        // A place that cannot take the file: one line saying so, nothing written.
        w.Log.PickedSaveFile = t / "no/such/folder/scan.json";
        w.Trigger(TCommand::SaveScanFile);
        ASSERT_EQ(w.Log.Errors.size(), 1);
        EXPECT_TRUE(w.Log.Errors[0].startsWith(
            "Cannot save the scan file " + QString::fromStdString(t / "no/such/folder/scan.json") +
            ": "))
            << w.Log.Errors[0].toStdString();
        EXPECT_FALSE(w.Log.Errors[0].contains('\n'));
        w.Log.Errors.clear();
        // File > "Save Scan...": the result shown, under the name chosen.
        w.Log.PickedSaveFile = t / "saved.json";
        w.Trigger(TCommand::SaveScanFile);
        EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    }
    ASSERT_EQ(scanned.Files, 7);
    ASSERT_EQ(scanned.Duplicates.size(), 2u);

    QProcess cli;
    cli.start(QStringLiteral(HARROWDALE_SCAN_BIN),
              {QStringLiteral("--export"), QString::fromStdString(t / "exported.json"),
               QString::fromStdString(t / "data")});
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

    for (const char* file : {"exported.json", "saved.json"}) {
        SCOPED_TRACE(file);
        WindowDriver w({1000, 700});
        ASSERT_TRUE(w.OpenScan(t / file));
        EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
        EXPECT_EQ(Read(w), scanned);
    }
}

TEST(ScanFiles, ABadFileOrStopKeepsTheCurrentResult)
{
    test::TempDir t;
    MakeTree(t);
    const std::string root = t / "data";
    struct Case
    {
        const char* Name;
        std::string Content; ///< none: the file does not exist
    };
    const Case cases[] = {
        {"missing", {}},
        {"truncated", "[1,2,{},[{\"name\":\"" + root + "\"},{\"name\":\"a\",\"asize\":1}"},
        {"not a scan file", "hello"},
        {"another major version", "[2,0,{},[{\"name\":\"" + root + "\"}]]"},
        {"a name with a slash", "[1,2,{},[{\"name\":\"" + root + "\"},{\"name\":\"../x\"}]]"},
        {"a size out of range",
         "[1,2,{},[{\"name\":\"" + root + "\"},{\"name\":\"a\",\"asize\":99999999999999999999}]]"},
    };
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(root));
    const Shown before = Read(w);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = t / (std::string(c.Name) + ".json");
        if (!c.Content.empty())
            test::WriteFileBytes(file, c.Content);
        w.Log.Errors.clear();
        const QString status = w.Status();
        ASSERT_TRUE(w.OpenScan(file));
        ASSERT_EQ(w.Log.Errors.size(), 1);
        const QString prefix = "Cannot open the scan file " + QString::fromStdString(file) + ": ";
        EXPECT_TRUE(w.Log.Errors[0].startsWith(prefix)) << w.Log.Errors[0].toStdString();
        EXPECT_GT(w.Log.Errors[0].size(), prefix.size());
        EXPECT_FALSE(w.Log.Errors[0].contains('\n'));
        EXPECT_EQ(w.Status(), status);
        Shown after = Read(w);
        after.Status = before.Status;
        EXPECT_EQ(after, before);
    }

    // Stop while a good file is read: no box, and the result shown stays.
    w.Log.Errors.clear();
    w.Log.PickedSaveFile = t / "good.json";
    w.Trigger(TCommand::SaveScanFile);
    w.Log.PickedOpenFile = t / "good.json";
    w.Trigger(TCommand::OpenScanFile);
    ASSERT_TRUE(w.Busy());
    w.Trigger(TCommand::Stop);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    EXPECT_EQ(w.Status(), "Cancelled");
    Shown after = Read(w);
    after.Status = before.Status;
    EXPECT_EQ(after, before);
}

TEST(ScanFiles, StopWhileAPipeKeepsTheReadingWaitingEndsItAtOnce)
{
    test::TempDir t;
    MakeTree(t);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t / "data"));
    const Shown before = Read(w);
    for (const bool writerComes : {false, true}) {
        SCOPED_TRACE(writerComes ? "the writer stops half-way" : "no writer");
        const std::string file = t / (writerComes ? "silent.json" : "alone.json");
        test::FifoWriter writer(file);
        ASSERT_TRUE(writer.Made());
        w.Log.Errors.clear();
        w.Log.PickedOpenFile = file;
        w.Trigger(TCommand::OpenScanFile);
        EXPECT_TRUE(w.Busy());
        if (writerComes) {
            EXPECT_TRUE(writer.Connect());
            EXPECT_TRUE(writer.Send("[1,2,{},[{\"name\":\"" + t / "data" + "\"},"));
        }
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 100)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        w.Trigger(TCommand::Stop);
        const bool idle = w.WaitIdle(2000);
        EXPECT_TRUE(idle) << "still busy 2 s after Stop";
        if (!idle) { // a writer coming and going lets the reading end
            writer.Release();
            w.WaitIdle();
        }
        EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
        EXPECT_EQ(w.Status(), "Cancelled");
        Shown after = Read(w);
        after.Status = before.Status;
        EXPECT_EQ(after, before);
    }
}

TEST(ScanFiles, CommandsOnAScanMadeElsewhereSayWhereAndTouchNothing)
{
    test::TempDir t;
    const std::string root = t / "gone";
    test::WriteFileBytes(t / "elsewhere.json",
                         "[1,2,{\"progname\":\"ncdu\"},[{\"name\":\"" + root +
                             "\"},{\"name\":\"a.txt\",\"asize\":100},"
                             "[{\"name\":\"sub\"},{\"name\":\"b.txt\",\"asize\":50}]]]");
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.OpenScan(t / "elsewhere.json"));
    EXPECT_EQ(w.Status(), "Done. Total files: 2   Total size: 150 B");
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0});
    ASSERT_EQ(w.SelectedPaths(), std::vector<std::string>{root + "/a.txt"});

    const TCommand touching[] = {TCommand::Open, TCommand::Reveal, TCommand::Properties,
                                 TCommand::MoveToTrash, TCommand::DeletePermanently};
    for (const TCommand c : touching)
        w.Trigger(c);
    ASSERT_EQ(w.Log.Errors.size(), 5);
    for (const QString& e : w.Log.Errors)
        EXPECT_EQ(e, "This scan was made elsewhere: " + QString::fromStdString(root) +
                         " is not a folder on this machine.");
    EXPECT_TRUE(w.Log.Questions.isEmpty());
    EXPECT_TRUE(w.Log.Opened.empty());
    EXPECT_TRUE(w.Log.Revealed.empty());
    EXPECT_TRUE(w.Log.Properties.empty());
    // Copying touches nothing: the paths are there to paste.
    w.Trigger(TCommand::CopyPaths);
    ASSERT_NE(QGuiApplication::clipboard()->mimeData(), nullptr);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->text(),
              QString::fromStdString(root + "/a.txt"));

    // Checked at each command: once the folder is here, the commands act on it.
    t.MakeDir("gone");
    t.MakeFile("gone/a.txt", 100);
    w.Log.Errors.clear();
    w.Trigger(TCommand::Reveal);
    EXPECT_TRUE(w.Log.Errors.isEmpty());
    EXPECT_EQ(w.Log.Revealed, std::vector<std::string>{root + "/a.txt"});
}

TEST(ScanFiles, SeveralFilesOpenAsOneResult)
{
    test::TempDir t;
    // Two machines' scans (their folders are not here), one file on both.
    auto write = [&](const std::string& name, const std::string& root, const std::string& more) {
        test::WriteFileBytes(t / name, "[1,2,{\"progname\":\"ncdu\",\"timestamp\":1700000000},[{"
                                       "\"name\":\"" +
                                           root + "\"},{\"name\":\"disk.iso\",\"asize\":5000}," +
                                           more + "]]");
    };
    write("one.json", t / "one", R"({"name":"a.txt","asize":100})");
    write("two.json", t / "two", R"([{"name":"sub"},{"name":"b.TXT","asize":40}])");
    WindowDriver w({1000, 700});
    w.Log.PickedOpenFiles = {t / "one.json", t / "two.json"};
    w.Trigger(TCommand::OpenScanFile);
    ASSERT_TRUE(w.WaitIdle());
    ASSERT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
    const Shown shown = Read(w);
    EXPECT_EQ(shown.Status, "Done. Total files: 4   Total size: 9.9 KB");
    EXPECT_EQ(shown.Bytes, 10140);
    EXPECT_EQ(shown.Extensions, (std::vector<std::tuple<std::string, std::int64_t, std::int64_t>>{
                                    {".iso", 10000, 2}, {".txt", 140, 2}}));
    ASSERT_TRUE(w.Root()->IsSyntheticRoot());
    std::vector<std::string> tops;
    for (const TDirNode* d : w.Root()->Children())
        tops.emplace_back(d->Name());
    std::ranges::sort(tops);
    EXPECT_EQ(tops, (std::vector<std::string>{t / "one", t / "two"}));
    EXPECT_TRUE(w.Win.windowTitle().startsWith("one.json, two.json (scan file of 2023-11-1"))
        << w.Win.windowTitle().toStdString();

    // The copy on both machines is marked as such where its group is named.
    w.ShowPage(TPageIndex::Duplicates);
    QTreeView* tree = w.Duplicates().DuplicatesTree();
    EXPECT_EQ(tree->model()->index(0, 0).data().toString(), "disk.iso, across 2 scans  (2)");

    // The commands touch nothing: neither folder is on this machine.
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0});
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_TRUE(w.Log.Errors[0].startsWith("This scan was made elsewhere: "))
        << w.Log.Errors[0].toStdString();
    EXPECT_TRUE(w.Log.Questions.isEmpty());

    // Measured differently, they are refused with one line, and the result shown stays.
    test::WriteFileBytes(t / "lengths.json",
                         "[1,2,{\"dsize_known\":false},[{\"name\":\"" + t / "three" + "\"}]]");
    w.Log.Answer = false; // the result shown is not read again
    w.Trigger(TCommand::SizeOnDisk);
    ASSERT_TRUE(w.WaitIdle());
    w.Log.Errors.clear();
    w.Log.PickedOpenFiles = {t / "one.json", t / "lengths.json"};
    w.Trigger(TCommand::OpenScanFile);
    ASSERT_TRUE(w.WaitIdle());
    ASSERT_EQ(w.Log.Errors.size(), 1);
    EXPECT_TRUE(w.Log.Errors[0].contains("were not measured alike"))
        << w.Log.Errors[0].toStdString();
    EXPECT_FALSE(w.Log.Errors[0].contains('\n'));
    EXPECT_EQ(w.Root()->Children().size(), 2u);
}

TEST(ScanFiles, AScanOfTheOtherSystemShowsItsOwnPathsAndIsNeverActedOn)
{
    // A Windows scan read on Linux: "Z:\w\x" would be a relative path here, and a folder of
    // that very name in the current folder must not make the commands act on it.
    test::TempDir t;
    t.MakeDir("Z:\\w\\x");
    t.MakeFile("Z:\\w\\x/a.txt", 100);
    test::WriteFileBytes(t / "windows.json", "[1,2,{\"progname\":\"harrowdale\"},"
                                             "[{\"name\":\"Z:\\\\w\\\\x\"},"
                                             "{\"name\":\"a.txt\",\"asize\":100}]]");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(t.Path());
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.OpenScan(t / "windows.json"));
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {0});
    EXPECT_EQ(w.SelectedPaths(), std::vector<std::string>{"Z:\\w\\x\\a.txt"});
    for (const TCommand c :
         {TCommand::Open, TCommand::Reveal, TCommand::MoveToTrash, TCommand::DeletePermanently})
        w.Trigger(c);
    std::filesystem::current_path(before);
    ASSERT_EQ(w.Log.Errors.size(), 4);
    for (const QString& e : w.Log.Errors)
        EXPECT_EQ(e, "This scan was made elsewhere: Z:\\w\\x is not a folder on this machine.");
    EXPECT_TRUE(w.Log.Questions.isEmpty());
    EXPECT_TRUE(w.Log.Opened.empty());
    EXPECT_TRUE(w.Log.Revealed.empty());
    EXPECT_EQ(test::ReadFileBytes(t / "Z:\\w\\x/a.txt").size(), 100u);
}

TEST(ScanFiles, AScanFileIsReadWithTheViewMenusMeasureAndReadAgainWhenItChanges)
{
    test::TempDir t, settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settings.Path()));
    t.MakeDir("data");
    test::WriteFileBytes(t / "data/a.dat", std::string(5000, 'x'));
    struct stat st
    {
    };
    ASSERT_EQ(::stat((t / "data/a.dat").c_str(), &st), 0);
    WindowDriver w({1000, 700});
    ASSERT_TRUE(w.Scan(t / "data"));
    w.Log.PickedSaveFile = t / "scan.json";
    w.Trigger(TCommand::SaveScanFile);

    ASSERT_TRUE(w.OpenScan(t / "scan.json"));
    EXPECT_EQ(w.Root()->TotalSize(), 5000);
    EXPECT_EQ(w.Win.MeasureText(),
              "Sizes: length of each file   Hard links: each file counted once");
    // Yes reads the file again, now measured by the space allocated.
    w.Log.Answer = true;
    w.Trigger(TCommand::SizeOnDisk);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_EQ(w.Log.Questions.size(), 1);
    EXPECT_EQ(w.Root()->TotalSize(), static_cast<std::int64_t>(st.st_blocks) * 512);
    EXPECT_EQ(w.Win.MeasureText(),
              "Sizes: space used on disk   Hard links: each file counted once");
    EXPECT_TRUE(w.Log.Errors.isEmpty()) << w.Log.Errors.join("|").toStdString();
}

} // namespace
} // namespace harrowdale
