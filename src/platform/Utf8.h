#pragma once

// UTF-8 decoding shared by casing, hashing and display. Invalid bytes are reported one
// at a time so callers can keep them (paths) or replace them (display, hashing).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace harrowdale::platform {

/// Decodes one code point at `pos` and advances `pos`. Returns -1 (and advances by
/// one byte) for a byte that does not start a valid, shortest-form sequence.
std::int32_t DecodeUtf8(std::string_view s, std::size_t& pos);

/// Appends the UTF-8 form of code point `cp`.
void AppendUtf8(std::string& out, char32_t cp);

/// True when every byte is below 0x80.
bool IsAscii(std::string_view s);

/// Display form: invalid bytes become U+FFFD. Never use the result as a path.
std::string ToDisplayUtf8(std::string_view bytes);

/// UTF-16 code units of `s` (invalid bytes as U+FFFD), passed one by one to `fn`.
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
        std::int32_t cp = DecodeUtf8(s, pos);
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

} // namespace harrowdale::platform
