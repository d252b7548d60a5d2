#include "platform/Clock.h"

#include <windows.h>

namespace harrowdale::platform {

std::uint32_t TickCount()
{
    // The 32-bit tick count wraps after 49.7 days; callers subtract as unsigned 32-bit.
    return static_cast<std::uint32_t>(GetTickCount64());
}

bool TicksToLocalTime(std::int64_t ticks, LocalTime& out)
{
    if (ticks < 0)
        return false;
    FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
        return false;
    out.Year = st.wYear;
    out.Month = st.wMonth;
    out.Day = st.wDay;
    out.Hour = st.wHour;
    out.Minute = st.wMinute;
    out.Second = st.wSecond;
    out.Millisecond = st.wMilliseconds;
    return true;
}

} // namespace harrowdale::platform
