#include "platform/FileSystem.h"

namespace harrowdale::platform {

namespace {

constexpr std::int64_t kEpochDeltaSeconds = 11644473600LL; // 1601-01-01 .. 1970-01-01

} // namespace

std::int64_t UnixTimeToTicks(std::int64_t seconds, std::int64_t nanoseconds)
{
    if (seconds == 0 && nanoseconds == 0)
        return 0;
    return (seconds + kEpochDeltaSeconds) * 10000000LL + nanoseconds / 100;
}

} // namespace harrowdale::platform
