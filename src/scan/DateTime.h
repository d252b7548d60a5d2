#pragma once

// Local date-times as days since 1899-12-30 with the time of day as the fraction, the
// form the views format and the modified-before filter compares.

#include <cstdint>
#include <optional>

namespace harrowdale {

using TDateTime = double;

struct TDateParts
{
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

/// Encodes calendar fields; nullopt when a field is out of range (years 1..9999).
/// Days before 1899-12-30 are negative and their time of day is subtracted.
std::optional<TDateTime> EncodeDateTime(const TDateParts& parts);

/// Splits a date-time into calendar fields (inverse of EncodeDateTime, to the
/// millisecond).
TDateParts DecodeDateTime(TDateTime value);

/// 100-ns ticks since 1601-01-01 UTC to local time; 0 when the ticks are 0 or cannot be
/// converted.
TDateTime FileTimeToLocalDateTime(std::int64_t ticks);

} // namespace harrowdale
