#include "i18n/TextFormat.h"

#include "platform/Locale.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace harrowdale {

namespace {

// Room for the longest fixed-point double (309 integer digits) with the largest precision.
constexpr std::size_t kNumberBuffer = 320 + kMaxFieldWidth + 8;

// True when |value| * 10^decimals lies exactly halfway between two integers. value is
// m * 2^e exactly, so value * 10^decimals * 2 = m * 5^decimals * 2^(e + 1 + decimals),
// which is an odd integer exactly when the power of two cancels m's trailing zeros.
bool IsExactTie(double value, int decimals)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    int e = -1074;
    if (biased != 0) {
        m |= std::uint64_t{1} << 52;
        e = biased - 1075;
    }
    if (m == 0)
        return false;
    const int t = e + 1 + decimals;
    return t <= 0 && std::countr_zero(m) == -t;
}

// Adds one unit in the last place to a non-negative decimal text ("9.99" -> "10.00").
void IncrementDecimal(std::string& digits)
{
    for (std::size_t i = digits.size(); i-- > 0;) {
        char& c = digits[i];
        if (c == '.')
            continue;
        if (c != '9') {
            ++c;
            return;
        }
        c = '0';
    }
    digits.insert(digits.begin(), '1');
}

void AppendWithSeparator(std::string& out, std::string_view text, std::string_view separator)
{
    for (const char c : text) {
        if (c == '.')
            out.append(separator);
        else
            out.push_back(c);
    }
}

std::string NonFiniteText(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::size_t CodePointCount(std::string_view s)
{
    std::size_t n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

// The first `count` code points of `s` (byte-exact; an invalid byte counts as one).
std::string_view FirstCodePoints(std::string_view s, std::size_t count)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count)
                return s.substr(0, i);
            ++seen;
        }
    }
    return s;
}

std::string IntegerText(std::int64_t value, int minDigits)
{
    std::array<char, 24> buf{};
    // Digits of the magnitude; the unsigned negation keeps INT64_MIN defined.
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude);
    (void)ec; // cannot fail: 20 digits fit
    const std::string_view digits(buf.data(), static_cast<std::size_t>(end - buf.data()));
    std::string out;
    if (value < 0)
        out.push_back('-');
    if (minDigits > 0 && digits.size() < static_cast<std::size_t>(minDigits))
        out.append(static_cast<std::size_t>(minDigits) - digits.size(), '0');
    out.append(digits);
    return out;
}

std::int64_t RoundToInteger(double value)
{
    // Half away from zero, clamped to the 64-bit range (casting an out-of-range double
    // is undefined).
    const double r = std::round(value);
    if (r >= 9223372036854775807.0)
        return std::numeric_limits<std::int64_t>::max();
    if (r <= -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

std::string ShortestNumberText(double value, std::string_view separator)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    std::array<char, 64> buf{};
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    std::string out;
    if (ec == std::errc())
        AppendWithSeparator(out, std::string_view(buf.data(), end - buf.data()), separator);
    return out;
}

struct TDirective
{
    std::size_t End = 0; ///< one past the type letter
    int Index = -1;      ///< explicit argument index, -1 when none
    bool LeftAlign = false;
    int Width = -1;
    int Precision = -1;
    char Type = 0; ///< 'd', 's' or 'f'; 0 when the directive is not valid
};

// Reads a run of digits at `pos`, saturating at kMaxFieldWidth + 1 (which the caller
// caps or treats as "no such argument").
bool ReadNumber(std::string_view t, std::size_t& pos, int& value)
{
    if (pos >= t.size() || t[pos] < '0' || t[pos] > '9')
        return false;
    value = 0;
    while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9') {
        value = std::min(value * 10 + (t[pos] - '0'), kMaxFieldWidth + 1);
        ++pos;
    }
    return true;
}

// Parses the directive whose '%' is at `start`.
TDirective ParseDirective(std::string_view t, std::size_t start)
{
    TDirective d;
    std::size_t pos = start + 1;
    int number = 0;
    const std::size_t numberStart = pos;
    if (ReadNumber(t, pos, number)) {
        if (pos < t.size() && t[pos] == ':') {
            d.Index = number;
            ++pos;
        } else {
            pos = numberStart; // it was the width
        }
    }
    if (pos < t.size() && t[pos] == '-') {
        d.LeftAlign = true;
        ++pos;
    }
    if (ReadNumber(t, pos, number))
        d.Width = std::min(number, kMaxFieldWidth);
    if (pos < t.size() && t[pos] == '.') {
        ++pos;
        if (!ReadNumber(t, pos, number))
            return d; // "%.f": not a directive
        d.Precision = std::min(number, kMaxFieldWidth);
    }
    if (pos >= t.size())
        return d;
    switch (t[pos]) {
    case 'd':
    case 'D':
        d.Type = 'd';
        break;
    case 's':
    case 'S':
        d.Type = 's';
        break;
    case 'f':
    case 'F':
        d.Type = 'f';
        break;
    default:
        return d;
    }
    d.End = pos + 1;
    return d;
}

std::string FormatArgument(const TDirective& d, const TFormatArg& arg, std::string_view separator)
{
    using K = TFormatArg::TKind;
    switch (d.Type) {
    case 'd':
        if (arg.Kind() == K::Int)
            return IntegerText(arg.Int(), d.Precision);
        if (arg.Kind() == K::Float)
            return std::isfinite(arg.Float())
                       ? IntegerText(RoundToInteger(arg.Float()), d.Precision)
                       : NonFiniteText(arg.Float());
        return std::string(arg.Text());
    case 'f': {
        const int decimals = d.Precision < 0 ? 2 : d.Precision;
        if (arg.Kind() == K::Int)
            return FormatFixed(static_cast<double>(arg.Int()), decimals, separator);
        if (arg.Kind() == K::Float)
            return FormatFixed(arg.Float(), decimals, separator);
        return std::string(arg.Text());
    }
    default: { // 's'
        std::string text;
        if (arg.Kind() == K::Int)
            text = IntegerText(arg.Int(), 0);
        else if (arg.Kind() == K::Float)
            text = ShortestNumberText(arg.Float(), separator);
        else
            text = std::string(arg.Text());
        if (d.Precision >= 0)
            text.resize(FirstCodePoints(text, static_cast<std::size_t>(d.Precision)).size());
        return text;
    }
    }
}

} // namespace

std::string FormatFixed(double value, int decimals, std::string_view decimalSeparator)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    decimals = std::clamp(decimals, 0, kMaxFieldWidth);
    const double magnitude = std::fabs(value);
    std::array<char, kNumberBuffer> buf{};
    std::string digits;
    if (IsExactTie(magnitude, decimals)) {
        // Exactly halfway: the digits up to one more place are exact and end in 5; drop
        // it and round up, away from zero, as Delphi's FloatToText does. (to_chars would
        // round such ties to even.)
        const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                             std::chars_format::fixed, decimals + 1);
        if (ec != std::errc())
            return {};
        digits.assign(buf.data(), end - 1);
        if (!digits.empty() && digits.back() == '.')
            digits.pop_back();
        IncrementDecimal(digits);
    } else {
        const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                             std::chars_format::fixed, decimals);
        if (ec != std::errc())
            return {};
        digits.assign(buf.data(), end);
    }
    std::string out;
    // A value that rounds to zero is written without a sign ("0.00", not "-0.00").
    const bool allZero = digits.find_first_not_of("0.") == std::string::npos;
    if (value < 0 && !allZero)
        out.push_back('-');
    AppendWithSeparator(out, digits, decimalSeparator);
    return out;
}

std::string FormatText(std::string_view templ, std::span<const TFormatArg> args,
                       std::string_view decimalSeparator)
{
    std::string out;
    out.reserve(templ.size() + 16);
    std::size_t nextArg = 0;
    std::size_t pos = 0;
    while (pos < templ.size()) {
        const std::size_t percent = templ.find('%', pos);
        if (percent == std::string_view::npos) {
            out.append(templ.substr(pos));
            break;
        }
        out.append(templ.substr(pos, percent - pos));
        if (percent + 1 < templ.size() && templ[percent + 1] == '%') {
            out.push_back('%');
            pos = percent + 2;
            continue;
        }
        const TDirective d = ParseDirective(templ, percent);
        if (d.Type == 0) {
            // Not a directive: keep the '%' and read on as plain text.
            out.push_back('%');
            pos = percent + 1;
            continue;
        }
        pos = d.End;
        const std::size_t argIndex = d.Index >= 0 ? static_cast<std::size_t>(d.Index) : nextArg;
        nextArg = argIndex + 1;
        if (argIndex >= args.size()) {
            out.append(templ.substr(percent, d.End - percent)); // no argument: as written
            continue;
        }
        const std::string text = FormatArgument(d, args[argIndex], decimalSeparator);
        const std::size_t width = d.Width < 0 ? 0 : static_cast<std::size_t>(d.Width);
        const std::size_t length = CodePointCount(text);
        const std::size_t pad = width > length ? width - length : 0;
        if (!d.LeftAlign)
            out.append(pad, ' ');
        out.append(text);
        if (d.LeftAlign)
            out.append(pad, ' ');
    }
    return out;
}

std::string FormatText(std::string_view templ, std::initializer_list<TFormatArg> args)
{
    return FormatText(templ, std::span<const TFormatArg>(args.begin(), args.size()),
                      UserDecimalSeparator());
}

std::string FormatText(std::string_view templ, std::initializer_list<TFormatArg> args,
                       std::string_view decimalSeparator)
{
    return FormatText(templ, std::span<const TFormatArg>(args.begin(), args.size()),
                      decimalSeparator);
}

std::string FormatText(std::string_view templ, std::span<const TFormatArg> args)
{
    return FormatText(templ, args, UserDecimalSeparator());
}

const std::string& UserDecimalSeparator()
{
    static const std::string separator = platform::DecimalSeparator();
    return separator;
}

} // namespace harrowdale
