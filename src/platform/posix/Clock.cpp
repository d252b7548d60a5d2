#include "platform/Clock.h"

#include <ctime>

namespace harrowdale::platform {

std::uint32_t TickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

bool TicksToLocalTime(std::int64_t ticks, LocalTime& out)
{
    if (ticks < 0)
        return false;
    constexpr std::int64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kEpochDeltaSeconds = 11644473600LL;
    const std::int64_t secs = ticks / kTicksPerSecond - kEpochDeltaSeconds;
    const std::int64_t rem = ticks % kTicksPerSecond;
    const time_t t = static_cast<time_t>(secs);
    tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return false;
    out.Year = local.tm_year + 1900;
    out.Month = local.tm_mon + 1;
    out.Day = local.tm_mday;
    out.Hour = local.tm_hour;
    out.Minute = local.tm_min;
    out.Second = local.tm_sec > 59 ? 59 : local.tm_sec; // leap second
    out.Millisecond = static_cast<int>(rem / 10000);
    return true;
}

} // namespace harrowdale::platform
