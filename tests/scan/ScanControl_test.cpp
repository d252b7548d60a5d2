// The "Less than" size limit as the scan reads it.

#include "scan/ScanControl.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace harrowdale {
namespace {

TEST(ScanControl, SizeLimitIsRoundedAndCapped)
{
    constexpr std::int64_t kCap = std::numeric_limits<std::int64_t>::max();
    struct Case
    {
        const char* Text;
        int Unit; // 0 B .. 4 TB
        const char* Separator;
        std::optional<std::int64_t> Bytes; // nullopt: not a valid limit
    };
    const Case cases[] = {
        {"1.5", 1, ".", 1536},
        {"1,5", 1, ",", 1536},
        {"1.5", 1, ",", 1536}, // a full stop is always understood
        {" 0.5 ", 0, ".", 0},  // halves to even
        {"1.5", 0, ".", 2},
        {"2.5", 0, ".", 2},
        {"9223372036854775807", 0, ".", kCap}, // 2^63 - 1 is 2^63 as a double
        {"8388608", 4, ".", kCap},             // exactly 2^63 bytes
        {"8388607", 4, ".", 8388607LL * 1099511627776LL},
        {"9999999999", 4, ".", kCap},
        {"-1", 0, ".", std::nullopt},
        {"abc", 0, ".", std::nullopt},
        {"", 0, ".", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Text) + " unit " + std::to_string(c.Unit));
        std::int64_t bytes = -7;
        const bool ok = TryGetLessThanBytes(c.Text, c.Unit, bytes, c.Separator);
        EXPECT_EQ(ok, c.Bytes.has_value());
        if (c.Bytes) {
            EXPECT_EQ(bytes, *c.Bytes);
        }
    }
}

} // namespace
} // namespace harrowdale
