#pragma once

// File-name masks: '*' any run, '?' one character, "[a-z]" and "[!...]" sets; every
// other character stands for itself. Masks work on code points; bytes that are not
// valid UTF-8 only match the same byte.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// What makes a mask malformed.
enum class TMaskProblem
{
    UnclosedSet,       ///< a '[' without its ']'
    EmptySet,          ///< "[]" or "[!]"
    RangeWithoutStart, ///< a '-' first in a set
};

/// A malformed mask, with the mask as it was given and the character (counted from 1, in
/// code points) where the problem is: the '[' of a set, the '-' of a range. what() is the
/// English text; MaskErrorText (ui/text) gives it in the user's language.
class EMaskException : public std::runtime_error
{
public:
    EMaskException(std::string mask, std::size_t position, TMaskProblem problem);
    const std::string& Mask() const { return FMask; }
    std::size_t Position() const { return FPosition; }
    TMaskProblem Problem() const { return FProblem; }

private:
    std::string FMask;
    std::size_t FPosition;
    TMaskProblem FProblem;
};

/// The English template of a problem: the mask (%s) and the position (%d) fill it.
const char* MaskProblemTemplate(TMaskProblem problem);

class TMask
{
public:
    /// Compiles `mask`; throws EMaskException for an unclosed bracket, an empty set or
    /// a range without a start.
    explicit TMask(std::string_view mask);
    /// Whole-string match; case matters, so callers upper-case both sides.
    bool Matches(std::string_view text) const;
    /// The same on text already decoded by DecodeMaskText.
    bool Matches(std::span<const std::int32_t> text) const;

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

/// The code points masks match: an unpaired surrogate of a UTF-16 name (kept as WTF-8) is
/// one, as it is one character there; an invalid byte b becomes 0x110000 + b, so that it
/// only ever matches itself. Appends to `out`.
void DecodeMaskText(std::string_view text, std::vector<std::int32_t>& out);

/// The exclusion masks of one scan, matched against a file's name and full path.
///
/// A scan may carry thousands of masks and meets millions of files, so each file's name
/// is upper-cased and decoded once, whatever the number of masks, and its folder's path
/// once per folder.
///
/// Not thread-safe: it keeps per-file scratch. One per scanning thread.
class TMaskSet
{
public:
    /// Upper-cases (locale-independent) and compiles each mask; empty ones are skipped.
    /// A malformed mask does not throw here: it throws EMaskException (naming the mask as
    /// given) when matching reaches it, so the masks before it decide first, as one mask
    /// after another would.
    explicit TMaskSet(const std::vector<std::string>& masks);

    /// Whether the name or the full path (`folderPath`, the separator, `name`; "/name"
    /// under the file-system root) matches a mask. Throws EMaskException for a malformed mask
    /// reached before a match.
    bool Matches(std::string_view name, std::string_view folderPath);

private:
    struct Entry
    {
        std::optional<TMask> Mask;
        std::optional<EMaskException> Error;
    };
    std::vector<Entry> FMasks;
    std::string FFolder;               ///< folder of the last file
    std::vector<std::int32_t> FPrefix; ///< its upper-cased path and separator, decoded
    std::vector<std::int32_t> FName;   ///< scratch for the file's name
    std::vector<std::int32_t> FPath;   ///< scratch for the file's full path
};

/// Splits a pattern text at ';', trims each piece and keeps the non-empty ones in order.
std::vector<std::string> SplitMasks(std::string_view pattern);

/// Removes leading and trailing white space (blanks, tabs, line breaks).
std::string_view Trim(std::string_view s);

} // namespace harrowdale
