#include "scan/ResultArrays.h"
#include "support/TreeFixture.h"
#include "views/ContentDuplicates.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

// Comparing contents is not offered on Windows: it says so and reads nothing.
TEST(ContentDuplicates, SaysItIsUnavailable)
{
    test::TreeFixture fx("C:/r");
    fx.File(fx.Root(), "a", 10);
    fx.File(fx.Root(), "b", 10);
    fx.Finish();
    const TFileArray all = FlattenAllFilesFromRoot(fx.Root());
    TDuplicates dups;
    TScanContext ctx;
    const TContentOutcome r = BuildContentDuplicates(fx.Root(), all.Files, dups, ctx);
    EXPECT_EQ(r.Status, TContentStatus::Unavailable);
    EXPECT_EQ(r.BytesRead, 0);
    EXPECT_TRUE(dups.Groups.empty());
}

} // namespace
} // namespace harrowdale
