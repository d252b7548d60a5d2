#include "support/TreeFixture.h"
#include "views/EntryOrder.h"
#include "views/NewestChange.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

int Sign(int v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

TEST(EntryOrder, NamesFoldAsciiCaseButNeverCompareDifferentNamesEqual)
{
    struct Case
    {
        std::string_view A, B;
        int Expected;
    };
    const Case cases[] = {
        {"apple", "Banana", -1},        // case folded: a < b although 'B' < 'a' in bytes
        {"Banana", "apple", 1},         //
        {"b", "B", 1},                  // same folded: bytes decide, and never 0
        {"B", "b", -1},                 //
        {"same", "same", 0},            //
        {"ab", "abc", -1},              // a prefix first
        {"", "a", -1},                  //
        {"z", "\xc3\xa9t\xc3\xa9", -1}, // UTF-8 after ASCII, as its code points
        {"\xff", "\xfe", 1},            // not UTF-8: bytes, unsigned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.A) + " vs " + std::string(c.B));
        EXPECT_EQ(Sign(CompareNames(c.A, c.B)), c.Expected);
        EXPECT_EQ(Sign(CompareNames(c.B, c.A)), -c.Expected);
    }
}

TEST(EntryOrder, FolderPathsGoFolderByFolderFromTheTop)
{
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* aDash = fx.Folder(fx.Root(), "a-c"); // '-' is below '/' in bytes
    TDirNode* ab = fx.Folder(a, "b");
    TDirNode* abz = fx.Folder(ab, "z");
    TDirNode* B = fx.Folder(fx.Root(), "B");
    TDirNode* Bx = fx.Folder(B, "x");
    fx.File(abz, "f", 1);
    fx.File(Bx, "g", 1);
    fx.File(aDash, "h", 1);
    fx.Finish();
    struct Case
    {
        const char* What;
        const TDirNode* A;
        const TDirNode* B;
        int Expected;
    };
    const Case cases[] = {
        {"same folder", ab, ab, 0},
        {"ancestor first", a, abz, -1},
        {"root first", fx.Root(), Bx, -1},
        {"below a before a-c", abz, aDash, -1},
        {"names at the first difference", abz, Bx, -1},
        {"siblings", aDash, B, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(Sign(CompareFolderPaths(c.A, c.B)), c.Expected);
        EXPECT_EQ(Sign(CompareFolderPaths(c.B, c.A)), -c.Expected);
    }
    const TFileLeaf* f = &abz->Leaves()[0];
    const TFileLeaf* g = &Bx->Leaves()[0];
    const TFileLeaf* h = &aDash->Leaves()[0];
    EXPECT_LT(CompareFilePaths(f, g), 0);
    EXPECT_LT(CompareFilePaths(f, h), 0);
    EXPECT_GT(CompareFilePaths(g, h), 0);
    EXPECT_EQ(CompareFilePaths(g, g), 0);
}

TEST(EntryOrder, NewestChangeIsTheNewestFileOfTheSubtree)
{
    test::TreeFixture fx;
    TDirNode* a = fx.Folder(fx.Root(), "a");
    TDirNode* ab = fx.Folder(a, "b");
    TDirNode* c = fx.Folder(fx.Root(), "c");
    TDirNode* empty = fx.Folder(fx.Root(), "empty");
    TDirNode* undated = fx.Folder(fx.Root(), "undated");
    fx.File(a, "old", 1, 100);
    fx.File(ab, "new", 1, 900);
    fx.File(c, "mid", 1, 500);
    fx.File(fx.Root(), "top", 1, 300);
    fx.File(undated, "x", 1, 0);
    fx.Finish();
    TNewestChange newest;
    // Asked bottom-up and top-down: what is kept of one folder never spoils another.
    EXPECT_EQ(newest.Of(ab), 900);
    EXPECT_EQ(newest.Of(fx.Root()), 900);
    EXPECT_EQ(newest.Of(a), 900);
    EXPECT_EQ(newest.Of(c), 500);
    EXPECT_EQ(newest.Of(empty), 0);
    EXPECT_EQ(newest.Of(undated), 0);
    EXPECT_EQ(newest.Of(nullptr), 0);
    newest.Clear();
    EXPECT_EQ(newest.Of(c), 500);
}

} // namespace
} // namespace harrowdale
