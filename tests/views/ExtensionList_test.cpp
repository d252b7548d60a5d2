#include "scan/ResultArrays.h"
#include "support/TreeFixture.h"
#include "views/ExtensionList.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

const TExtStatPair* Row(const TExtList& list, std::string_view ext)
{
    for (const TExtStatPair& p : list.Rows)
        if (p.Ext == ext)
            return &p;
    return nullptr;
}

TEST(ExtensionList, AggregatesByExtensionKey)
{
    test::TreeFixture fx;
    TDirNode* sub = fx.Folder(fx.Root(), "sub");
    fx.File(fx.Root(), "a.JPG", 300);
    fx.File(sub, "b.jpg", 200);
    fx.File(sub, "README", 50);
    fx.File(sub, "archive.tar.GZ", 1000);
    fx.File(fx.Root(), "empty.log", 0);
    fx.File(sub, "also-empty.log", 0);
    fx.File(sub, "Makefile", 7);
    fx.Finish();
    const TExtList list = BuildExtList(FlattenAllFilesFromRoot(fx.Root()).Files);

    EXPECT_EQ(list.TotalBytes, 1557);
    ASSERT_EQ(list.Rows.size(), 4u);
    EXPECT_EQ(list.Rows[0].Ext, ".gz");
    EXPECT_EQ(list.Rows[0].Bytes, 1000);
    EXPECT_EQ(list.Rows[1].Ext, ".jpg");
    EXPECT_EQ(list.Rows[1].Bytes, 500);
    EXPECT_EQ(list.Rows[1].Files, 2);
    EXPECT_EQ(list.Rows[2].Ext, "(none)");
    EXPECT_EQ(list.Rows[2].Bytes, 57);
    EXPECT_EQ(list.Rows[2].Files, 2);
    // An extension whose files are all empty still has its row, at the end.
    EXPECT_EQ(list.Rows[3].Ext, ".log");
    EXPECT_EQ(list.Rows[3].Bytes, 0);
    EXPECT_EQ(list.Rows[3].Files, 2);
}

TEST(ExtensionList, AgreesWithTheRootsExtensionTable)
{
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* b = fx.Folder(a, "b");
    const char* names[] = {"x.TXT", "y.txt", "z.Png", "w", ".hidden", "q.png", "r.c"};
    for (int i = 0; i < 70; ++i)
        fx.File(i % 3 == 0 ? fx.Root() : i % 3 == 1 ? a : b, names[i % 7], i * 13);
    fx.Finish();
    const TExtList list = BuildExtList(FlattenAllFilesFromRoot(fx.Root()).Files);
    const auto expected = fx.Root()->ExtStats().ToSortedArrayByBytesDesc();
    ASSERT_EQ(list.Rows.size(), expected.size());
    for (const TExtStatPair& e : expected) {
        const TExtStatPair* r = Row(list, e.Ext);
        ASSERT_NE(r, nullptr) << e.Ext;
        EXPECT_EQ(r->Bytes, e.Bytes) << e.Ext;
        EXPECT_EQ(r->Files, e.Files) << e.Ext;
    }
    EXPECT_EQ(list.TotalBytes, fx.Root()->TotalSize());
    for (std::size_t i = 1; i < list.Rows.size(); ++i)
        EXPECT_GE(list.Rows[i - 1].Bytes, list.Rows[i].Bytes);
}

TEST(ExtensionList, EmptyNullAndMixedTrees)
{
    EXPECT_TRUE(BuildExtList({}).Rows.empty());
    EXPECT_EQ(BuildExtList({nullptr}).TotalBytes, 0);

    // Two trees intern their extensions under different ids; keys still merge.
    test::TreeFixture one("/one");
    one.File(one.Root(), "a.zip", 10);
    one.File(one.Root(), "b.txt", 1);
    one.Finish();
    test::TreeFixture two("/two");
    two.File(two.Root(), "c.txt", 5);
    two.Finish();
    const std::vector<const TFileLeaf*> files{&one.Root()->Leaves()[0], nullptr,
                                              &two.Root()->Leaves()[0], &one.Root()->Leaves()[1]};
    const TExtList list = BuildExtList(files);
    EXPECT_EQ(list.TotalBytes, 16);
    ASSERT_EQ(list.Rows.size(), 2u);
    EXPECT_EQ(list.Rows[0].Ext, ".zip");
    EXPECT_EQ(list.Rows[1].Ext, ".txt");
    EXPECT_EQ(list.Rows[1].Files, 2);
    EXPECT_EQ(list.Rows[1].Bytes, 6);
}

} // namespace
} // namespace harrowdale
