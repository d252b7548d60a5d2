#pragma once

// Delphi-style Format for the program's templates ("Scanning: %s  (files: %d, dirs: %d)",
// "%.1f KB", "%.2f%%"). Templates are translated before they are filled, so a
// template may come from a translator and be wrong; formatting never throws and never
// reads past its arguments.
//
// Directive syntax, as Delphi's Format:  %[index:][-][width][.precision]type
//   type d  64-bit integer; precision = minimum number of digits (zero-padded)
//   type s  string; precision = maximum number of characters (code points)
//   type f  fixed-point number; precision = decimals (default 2), halves rounded away
//           from zero as Delphi does (1.25 with %.1f gives 1.3), the decimal separator
//           is the one passed in
//   %%      a literal '%'
// Type letters may be upper case. `index` picks an argument by position (from 0);
// following directives continue after it. Width pads with blanks on the left, or on the
// right with '-'. Width and precision are capped at kMaxFieldWidth.
//
// Rules for broken templates (Delphi would raise EConvertError; we keep going):
//   - a directive whose argument is missing is copied to the output as written;
//   - an argument of another kind is converted: an integer for %f is formatted as a
//     number, a number for %d is rounded to an integer (half away from zero), a number
//     for %s is written with the fewest digits that read back the same value, a string
//     for %d or %f is inserted as it is;
//   - an incomplete or unknown directive ("%", "%x", "%.f", "%5") is copied as written
//     and takes no argument;
//   - surplus arguments are ignored.
//
// Thread: every function is reentrant; the user's separator is read once and cached.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace harrowdale {

constexpr int kMaxFieldWidth = 255;

/// One argument of a Format call. Holds a view for strings: keep the text alive for the
/// duration of the call (true for arguments written in the call itself).
class TFormatArg
{
public:
    enum class TKind
    {
        Int,
        Float,
        Text
    };

    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
        TFormatArg(T v)
        : FKind(TKind::Int), FInt(static_cast<std::int64_t>(v))
    {
    }
    TFormatArg(double v) : FKind(TKind::Float), FFloat(v) {}
    TFormatArg(float v) : FKind(TKind::Float), FFloat(v) {}
    TFormatArg(std::string_view v) : FKind(TKind::Text), FText(v) {}
    TFormatArg(const std::string& v) : FKind(TKind::Text), FText(v) {}
    TFormatArg(const char* v) : FKind(TKind::Text), FText(v == nullptr ? "" : v) {}

    TKind Kind() const { return FKind; }
    std::int64_t Int() const { return FInt; }
    double Float() const { return FFloat; }
    std::string_view Text() const { return FText; }

private:
    TKind FKind;
    std::int64_t FInt = 0;
    double FFloat = 0;
    std::string_view FText;
};

/// Fills `templ` with `args` (rules above); `decimalSeparator` replaces the full stop of
/// %f values.
std::string FormatText(std::string_view templ, std::span<const TFormatArg> args,
                       std::string_view decimalSeparator);

/// The user's decimal separator (platform::DecimalSeparator), read on first use.
const std::string& UserDecimalSeparator();

/// FormatText(Translate("Scanning... (files: %d, dirs: %d)"), {files, dirs}), with the
/// user's decimal separator unless one is given.
std::string FormatText(std::string_view templ, std::initializer_list<TFormatArg> args);
std::string FormatText(std::string_view templ, std::initializer_list<TFormatArg> args,
                       std::string_view decimalSeparator);
std::string FormatText(std::string_view templ, std::span<const TFormatArg> args);

/// Format with the user's decimal separator: Format("%d / %d", i + 1, n).
template <typename... TArgs> std::string Format(std::string_view templ, const TArgs&... args)
{
    const TFormatArg list[] = {TFormatArg(args)..., TFormatArg(0)}; // never empty
    return FormatText(templ, std::span<const TFormatArg>(list, sizeof...(TArgs)),
                      UserDecimalSeparator());
}

/// Format with an explicit decimal separator (tests, fixed texts).
template <typename... TArgs>
std::string FormatWithSeparator(std::string_view decimalSeparator, std::string_view templ,
                                const TArgs&... args)
{
    const TFormatArg list[] = {TFormatArg(args)..., TFormatArg(0)};
    return FormatText(templ, std::span<const TFormatArg>(list, sizeof...(TArgs)), decimalSeparator);
}

/// A double in fixed notation with `decimals` digits after `decimalSeparator`, halves
/// rounded away from zero (the %.Nf of FormatText).
std::string FormatFixed(double value, int decimals, std::string_view decimalSeparator);

} // namespace harrowdale
