#pragma once

#include <cstdint>

namespace harrowdale::platform {

/// Milliseconds of a monotonic clock, as unsigned 32 bits: differences taken with
/// unsigned subtraction stay right across the wrap-around.
std::uint32_t TickCount();

/// Local calendar time of one instant.
struct LocalTime
{
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

/// Converts 100-ns ticks since 1601-01-01 UTC to local time in the process's time zone.
/// False when the instant cannot be converted (negative ticks, out of range).
bool TicksToLocalTime(std::int64_t ticks, LocalTime& out);

} // namespace harrowdale::platform
