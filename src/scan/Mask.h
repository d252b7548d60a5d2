#pragma once

// File-name masks: '*' any run, '?' one character, "[a-z]" and "[!...]" sets; every
// other character stands for itself. Masks work on code points; bytes that are not
// valid UTF-8 only match the same byte.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// A malformed mask: "'%s' is an invalid mask at (%d)".
class EMaskException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TMask
{
public:
    /// Compiles `mask`; throws EMaskException for an unclosed bracket, an empty set or
    /// a range without a start.
    explicit TMask(std::string_view mask);
    /// Whole-string match; case matters, so callers upper-case both sides.
    bool Matches(std::string_view text) const;

private:
    enum class Op : std::uint8_t
    {
        Literal,
        Any,
        Star,
        Set
    };
    struct Element
    {
        Op Kind;
        bool Negate = false;
        std::int32_t Char = 0;      ///< Literal
        std::uint32_t SetStart = 0; ///< Set: ranges [SetStart, SetStart + SetCount)
        std::uint32_t SetCount = 0;
    };
    bool InSet(const Element& e, std::int32_t c) const;

    std::vector<Element> FElements;
    std::vector<std::pair<std::int32_t, std::int32_t>> FRanges;
};

/// Splits a pattern text at ';', trims each piece and keeps the non-empty ones in order.
std::vector<std::string> SplitMasks(std::string_view pattern);

/// Removes leading and trailing white space (blanks, tabs, line breaks).
std::string_view Trim(std::string_view s);

} // namespace harrowdale
