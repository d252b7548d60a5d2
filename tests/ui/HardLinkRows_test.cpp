// Files with several hard links, counted once: every link is a row of the lists and trees,
// marked, and removing links keeps the space counted until the last one goes.

#include "platform/FileSystem.h"
#include "support/TempDir.h"
#include "ui/ListModels.h"
#include "ui/TreeModels.h"
#include "ui/WindowDriver.h"
#include "ui/text/DisplayFormat.h"

#include <QTreeView>
#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using ui::TCommand;
using ui::TLargestFilesModel;
using ui::TPageIndex;

class LinkedWindow : public test::WindowDriver
{
public:
    // one.dat has three links: in the scanned folder (which carries the bytes: a folder's
    // own files come first) and twice in a/.
    LinkedWindow()
    {
        test::WriteFileBytes(T / "one.dat", std::string(100000, 'x'));
        T.MakeFile("plain.txt", 300);
        T.MakeDir("a");
        T.MakeHardLink("one.dat", "a/two.dat");
        T.MakeHardLink("one.dat", "a/three.dat");
        Scan(T.Path());
    }
    int FileRow(const std::string& name) const
    {
        for (int r = 0; r < OnlyFiles().FilesModel()->rowCount(); ++r)
            if (OnlyFiles().FilesModel()->File(r)->Name() == name)
                return r;
        return -1;
    }
    QString SizeText(const std::string& name) const
    {
        const TLargestFilesModel* m = OnlyFiles().FilesModel();
        return m->data(m->index(FileRow(name), TLargestFilesModel::Size), Qt::DisplayRole)
            .toString();
    }
    QString TreeText(const std::string& folder, const std::string& name) const
    {
        ui::TFilesTreeModel* m = FilesInFolders().FoldersAndFilesModel();
        for (const TFileLeaf& f : Folder(folder)->Leaves())
            if (f.Name() == name)
                return m->data(m->IndexOfFile(&f), Qt::DisplayRole).toString();
        return {};
    }
    test::TempDir T;
};

QString Sized(std::int64_t bytes, const char* mark = "")
{
    return QString::fromStdString(FormatSize(bytes)) + QString::fromUtf8(mark);
}

TEST(HardLinkRows, EveryLinkListedAndMarkedBytesCountedOnce)
{
    LinkedWindow w;
    EXPECT_EQ(w.Root()->TotalSize(), 100300);
    EXPECT_EQ(w.Root()->TotalFiles(), 2);
    EXPECT_EQ(w.OnlyFiles().FilesModel()->rowCount(), 4);
    EXPECT_EQ(w.SizeText("one.dat"), Sized(100000, ", hard link, 3 links"));
    EXPECT_EQ(w.SizeText("two.dat"), Sized(0, ", hard link, 3 links"));
    EXPECT_EQ(w.SizeText("three.dat"), Sized(0, ", hard link, 3 links"));
    EXPECT_EQ(w.SizeText("plain.txt"), Sized(300));
    EXPECT_EQ(w.TreeText(w.T / "a", "two.dat"),
              "two.dat  [" + Sized(0, ", hard link, 3 links") + "]");
    EXPECT_EQ(w.TreeText(w.T.Path(), "one.dat"),
              "one.dat  [" + Sized(100000, ", hard link, 3 links") + "]");

    // The question on links says when the space comes back.
    w.Log.Answer = false;
    w.ShowPage(TPageIndex::OnlyFiles);
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("two.dat"), w.FileRow("three.dat")});
    w.Trigger(TCommand::MoveToTrash);
    ASSERT_FALSE(w.Log.Questions.empty());
    EXPECT_TRUE(w.Log.Questions.back().endsWith(
        "\n\nAmong them are 2 files with other hard links: their space comes back only when "
        "their last link is removed."))
        << w.Log.Questions.back().toStdString();
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("plain.txt")});
    w.Trigger(TCommand::MoveToTrash);
    EXPECT_FALSE(w.Log.Questions.back().contains("hard links"));
}

TEST(HardLinkRows, RemovingLinksKeepsTheSpaceCountedUntilTheLastOne)
{
    LinkedWindow w;
    w.Log.Answer = true;
    w.ShowPage(TPageIndex::OnlyFiles);

    // A link that counts nothing goes: exactly that path; the others have one link less.
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("two.dat")});
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_FALSE(platform::PathExists(w.T / "a/two.dat"));
    EXPECT_TRUE(platform::PathExists(w.T / "a/three.dat"));
    EXPECT_TRUE(platform::PathExists(w.T / "one.dat"));
    EXPECT_EQ(w.FileRow("two.dat"), -1);
    EXPECT_EQ(w.Root()->TotalSize(), 100300);
    EXPECT_EQ(w.SizeText("one.dat"), Sized(100000, ", hard link, 2 links"));
    EXPECT_EQ(w.SizeText("three.dat"), Sized(0, ", hard link, 2 links"));

    // The link that carried the bytes goes: the last link carries them, a plain file now.
    w.SelectRows(w.OnlyFiles().FilesList(), {w.FileRow("one.dat")});
    w.Trigger(TCommand::DeletePermanently);
    ASSERT_TRUE(w.WaitIdle());
    EXPECT_FALSE(platform::PathExists(w.T / "one.dat"));
    EXPECT_EQ(w.Root()->TotalSize(), 100300);
    EXPECT_EQ(w.Root()->TotalFiles(), 2);
    EXPECT_EQ(w.Folder(w.T / "a")->TotalSize(), 100000);
    EXPECT_EQ(w.SizeText("three.dat"), Sized(100000));
    EXPECT_EQ(w.OnlyFiles().FilesModel()->rowCount(), 2);
}

} // namespace
} // namespace harrowdale
