// The places a zoomed map has shown: Back and Forward walk them as a browser walks its
// pages, and the history outlives a rebuild of the tree, folders that went merging into
// what is left of their path.

#include "scan/TreeLookup.h"
#include "support/NativePath.h"
#include "support/TreeFixture.h"
#include "treemap/ZoomHistory.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

class ZoomHistoryTree : public ::testing::Test
{
protected:
    ZoomHistoryTree()
    {
        a = fx.Folder(fx.Root(), "a");
        b = fx.Folder(a, "b");
        d = fx.Folder(b, "d");
        c = fx.Folder(fx.Root(), "c");
        for (TDirNode* folder : {d, c})
            fx.File(folder, "f", 10);
        fx.Finish();
    }
    /// Where the history is: the places before, the current one, the places after.
    struct TPlaces
    {
        std::vector<const TDirNode*> Back;
        const TDirNode* Current;
        std::vector<const TDirNode*> Forward;
        friend bool operator==(const TPlaces&, const TPlaces&) = default;
    };
    static TPlaces Places(TZoomHistory h)
    {
        // Walked on a copy: back to the start, then forward to the end.
        TPlaces p{{}, h.Current(), {}};
        TZoomHistory ahead = h;
        while (h.GoBack())
            p.Back.insert(p.Back.begin(), h.Current());
        while (ahead.GoForward())
            p.Forward.push_back(ahead.Current());
        return p;
    }

    test::TreeFixture fx{"/r"};
    TDirNode* a = nullptr;
    TDirNode* b = nullptr;
    TDirNode* d = nullptr;
    TDirNode* c = nullptr;
};

TEST_F(ZoomHistoryTree, BackAndForwardWalkThePlacesSeenAndANewPlaceDropsTheWayForward)
{
    TZoomHistory h;
    EXPECT_FALSE(h.CanGoBack());
    EXPECT_FALSE(h.GoForward());
    h.GoTo(a);
    h.GoTo(b);
    h.GoTo(b); // already there: no second place
    EXPECT_EQ(Places(h), (TPlaces{{nullptr, a}, b, {}}));
    EXPECT_TRUE(h.GoBack());
    EXPECT_TRUE(h.GoBack());
    EXPECT_FALSE(h.GoBack());
    EXPECT_EQ(Places(h), (TPlaces{{}, nullptr, {a, b}}));
    EXPECT_TRUE(h.GoForward());
    EXPECT_EQ(Places(h), (TPlaces{{nullptr}, a, {b}}));
    h.GoTo(c);
    EXPECT_EQ(Places(h), (TPlaces{{nullptr, a}, c, {}}));
    EXPECT_FALSE(h.CanGoForward());
    h.Clear();
    EXPECT_EQ(Places(h), (TPlaces{{}, nullptr, {}}));
}

TEST_F(ZoomHistoryTree, ARestoredHistoryFindsItsFoldersAgainAndMergesPlacesThatBecameOne)
{
    TZoomHistory h;
    for (const TDirNode* place : {a, b, d, c})
        h.GoTo(place);
    h.GoBack(); // at d, with c ahead
    const TZoomHistory::TSaved saved = h.Save();
    EXPECT_EQ(saved.Current, test::NativePath("/r/a/b/d"));
    EXPECT_EQ(saved.Back,
              (std::vector<std::string>{"", test::NativePath("/r/a"), test::NativePath("/r/a/b")}));
    EXPECT_EQ(saved.Forward, (std::vector<std::string>{test::NativePath("/r/c")}));

    // Nothing changed: the same places.
    const TPlaces before = Places(h);
    auto find = [this](const std::string& path) -> const TDirNode* {
        const TDirNode* folder = FindNearestFolder(fx.Root(), path);
        return folder == fx.Root() ? nullptr : folder;
    };
    h.Clear();
    h.Restore(saved, find);
    EXPECT_EQ(Places(h), before);

    // b is gone: b and d are a now, one place with a, and the current one.
    h.Restore(saved, [&](const std::string& path) -> const TDirNode* {
        return path.rfind(test::NativePath("/r/a/b"), 0) == 0 ? a : find(path);
    });
    EXPECT_EQ(Places(h), (TPlaces{{nullptr}, a, {c}}));
    // Everything gone: one place, the whole result.
    h.Restore(saved, [](const std::string&) -> const TDirNode* { return nullptr; });
    EXPECT_EQ(Places(h), (TPlaces{{}, nullptr, {}}));
}

} // namespace
} // namespace harrowdale
