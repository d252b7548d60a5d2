#pragma once

// UTF-8 decoding shared by casing, hashing and display. Invalid bytes are reported one
// at a time so callers can keep them (paths) or replace them (display, hashing).
//
// Names that come from UTF-16 (Windows) are stored as WTF-8: UTF-8 that also encodes an
// unpaired surrogate code unit (U+D800..U+DFFF) in three bytes, so that such a name,
// which no UTF-8 can hold, still leads back to its file. Decoding for display, hashing and
// matching treats such a sequence as one code unit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace harrowdale::platform {

/// Decodes one code point at `pos` and advances `pos`. Returns -1 (and advances by
/// one byte) for a byte that does not start a valid, shortest-form sequence.
std::int32_t DecodeUtf8(std::string_view s, std::size_t& pos);

/// Like DecodeUtf8, but a three-byte sequence of a surrogate code unit (the WTF-8 form of
/// an unpaired half of a UTF-16 pair) decodes to that unit (0xD800..0xDFFF).
std::int32_t DecodeWtf8(std::string_view s, std::size_t& pos);

/// True for the code unit DecodeWtf8 returns for an unpaired surrogate.
constexpr bool IsSurrogate(std::int32_t cp)
{
    return cp >= 0xD800 && cp <= 0xDFFF;
}

/// Appends the UTF-8 form of code point `cp` (the WTF-8 form for a surrogate).
void AppendUtf8(std::string& out, char32_t cp);

/// WTF-8 of UTF-16 text: pairs become one code point, an unpaired surrogate keeps its
/// unit. Every UTF-16 string has exactly one WTF-8 form and comes back from it unchanged.
void AppendWtf8(std::string& out, std::u16string_view utf16);

/// UTF-16 of WTF-8 text, the inverse of AppendWtf8; a byte that does not decode becomes
/// U+FFFD.
std::u16string Utf16FromWtf8(std::string_view wtf8);

/// True when every byte is below 0x80.
bool IsAscii(std::string_view s);

/// Display form: invalid bytes, and an unpaired surrogate as a whole, become U+FFFD.
/// Never use the result as a path.
std::string ToDisplayUtf8(std::string_view bytes);

/// UTF-16 code units of `s` (invalid bytes as U+FFFD, an unpaired surrogate as its own
/// unit, as the UTF-16 name it came from has it), passed one by one to `fn`.
template <typename Fn> void ForEachUtf16Unit(std::string_view s, Fn&& fn)
{
    std::size_t pos = 0;
    while (pos < s.size()) {
        const auto c = static_cast<unsigned char>(s[pos]);
        if (c < 0x80) {
            fn(static_cast<char16_t>(c));
            ++pos;
            continue;
        }
        std::int32_t cp = DecodeWtf8(s, pos);
        if (cp < 0)
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            fn(static_cast<char16_t>(0xD800 + (cp >> 10)));
            fn(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            fn(static_cast<char16_t>(cp));
        }
    }
}

/// Splits `s` into the longest runs that decode (WTF-8: unpaired surrogates included),
/// passed to `run`, and the single bytes between them that do not, passed to `invalid`;
/// in order, so that case mappings can change the text and keep every other byte.
template <typename Run, typename Invalid>
void ForEachValidRun(std::string_view s, Run&& run, Invalid&& invalid)
{
    std::size_t pos = 0;
    std::size_t runStart = 0;
    while (pos < s.size()) {
        const std::size_t start = pos;
        if (DecodeWtf8(s, pos) < 0) {
            if (start > runStart)
                run(s.substr(runStart, start - runStart));
            invalid(s.substr(start, pos - start));
            runStart = pos;
        }
    }
    if (s.size() > runStart)
        run(s.substr(runStart));
}

} // namespace harrowdale::platform
