#include "ui/text/DupGroupText.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

TEST(DupGroupText, NamesTheOtherNamesOfAGroup)
{
    struct Case
    {
        const char* FileName;
        std::uint32_t OtherNames;
        const char* Shown;
    };
    const Case cases[] = {
        {"photo.jpg", 0, "photo.jpg"},
        {"photo.jpg", 1, "photo.jpg and 1 other name"},
        {"photo.jpg", 3, "photo.jpg and 3 other names"},
        // The name is made visible as every name is: it cannot pass for two lines.
        {"a\nb", 2, "a\\nb and 2 other names"},
    };
    for (const Case& c : cases) {
        TDupGroup g;
        g.FileName = c.FileName;
        g.OtherNames = c.OtherNames;
        EXPECT_EQ(DupGroupName(g), c.Shown);
    }
}

} // namespace
} // namespace harrowdale
