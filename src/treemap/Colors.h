#pragma once

// The program's colours: 32-bit values with red in the low byte, green in the second and
// blue in the third; the top byte is 0. Every hashed colour is 32-bit FNV-1a over UTF-16
// code units (each unit XORed in whole), masked to 24 bits with each channel's 0x20 bit
// set, so colours never go fully dark and stay the same from scan to scan.

#include <cstdint>
#include <string>
#include <string_view>

namespace harrowdale {

using TColor = std::uint32_t;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr std::uint8_t RedOf(TColor c)
{
    return c & 0xFF;
}
constexpr std::uint8_t GreenOf(TColor c)
{
    return (c >> 8) & 0xFF;
}
constexpr std::uint8_t BlueOf(TColor c)
{
    return (c >> 16) & 0xFF;
}

constexpr TColor kBlack = RGB(0, 0, 0);
constexpr TColor kWhite = RGB(255, 255, 255);
constexpr TColor kSilver = RGB(192, 192, 192);
constexpr TColor kGrey = RGB(128, 128, 128);

/// 32-bit FNV-1a over the UTF-16 code units of UTF-8 text (invalid bytes as U+FFFD).
std::uint32_t Fnv1aUtf16(std::string_view utf8);

/// (hash & 0xFFFFFF) | 0x202020.
constexpr TColor ColorFromHash(std::uint32_t h)
{
    return (h & 0xFFFFFFu) | 0x202020u;
}

/// Extension key of any extension text: lower-cased under the user's locale; "(none)"
/// when that is empty.
std::string ExtKey(std::string_view ext);

/// Colour of an extension (its key is taken first), used by every view that shows one.
TColor ColorForExt(std::string_view ext);

/// Colour of a folder: its path lower-cased under the user's locale, hashed.
TColor ColorForPath(std::string_view path);

/// Colour of a duplicate group: its key (upper-cased name, '|', size) hashed unchanged.
TColor DupGroupColor(std::string_view key);

} // namespace harrowdale
