#include "scan/DateTime.h"

#include "platform/Clock.h"

#include <cmath>

namespace harrowdale {

namespace {

constexpr std::int64_t kDateDelta = 693594; // days from 0001-01-01 to 1899-12-30
constexpr double kMsPerDay = 86400000.0;

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

} // namespace

std::optional<TDateTime> EncodeDateTime(const TDateParts& p)
{
    if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12 || p.Day < 1 ||
        p.Day > DaysInMonth(p.Year, p.Month) || p.Hour < 0 || p.Hour > 23 || p.Minute < 0 ||
        p.Minute > 59 || p.Second < 0 || p.Second > 59 || p.Millisecond < 0 || p.Millisecond > 999)
        return std::nullopt;
    std::int64_t days = p.Day;
    for (int m = 1; m < p.Month; ++m)
        days += DaysInMonth(p.Year, m);
    const std::int64_t y = p.Year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400 - kDateDelta;
    const double time =
        (p.Hour * 3600000.0 + p.Minute * 60000.0 + p.Second * 1000.0 + p.Millisecond) / kMsPerDay;
    const double date = static_cast<double>(days);
    return date >= 0 ? date + time : date - time;
}

TDateParts DecodeDateTime(TDateTime value)
{
    double whole = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * kMsPerDay));
    if (ms >= 86400000) { // rounding reached midnight of the next day
        ms -= 86400000;
        whole += value >= 0 ? 1 : -1;
    }
    // Day number since 0001-01-01 (day 1), then the civil date.
    std::int64_t n = static_cast<std::int64_t>(whole) + kDateDelta - 1;
    TDateParts p;
    std::int64_t y400 = n / 146097;
    n %= 146097;
    std::int64_t y100 = n / 36524;
    if (y100 == 4)
        y100 = 3;
    n -= y100 * 36524;
    const std::int64_t y4 = n / 1461;
    n %= 1461;
    std::int64_t y1 = n / 365;
    if (y1 == 4)
        y1 = 3;
    n -= y1 * 365;
    p.Year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
    int month = 1;
    while (n >= DaysInMonth(p.Year, month)) {
        n -= DaysInMonth(p.Year, month);
        ++month;
    }
    p.Month = month;
    p.Day = static_cast<int>(n) + 1;
    p.Hour = static_cast<int>(ms / 3600000);
    p.Minute = static_cast<int>(ms / 60000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.Millisecond = static_cast<int>(ms % 1000);
    return p;
}

TDateTime FileTimeToLocalDateTime(std::int64_t ticks)
{
    if (ticks == 0)
        return 0;
    platform::LocalTime lt;
    if (!platform::TicksToLocalTime(ticks, lt))
        return 0;
    const auto v =
        EncodeDateTime({lt.Year, lt.Month, lt.Day, lt.Hour, lt.Minute, lt.Second, lt.Millisecond});
    return v ? *v : 0;
}

} // namespace harrowdale
