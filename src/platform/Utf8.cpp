#include "platform/Utf8.h"

namespace harrowdale::platform {

namespace {

// The bytes ED A0..BF 80..BF: a surrogate code unit in three bytes, which UTF-8 forbids
// and WTF-8 uses for an unpaired half.
bool IsSurrogateSequence(std::string_view s, std::size_t pos)
{
    if (pos + 3 > s.size())
        return false;
    const auto b0 = static_cast<unsigned char>(s[pos]);
    const auto b1 = static_cast<unsigned char>(s[pos + 1]);
    const auto b2 = static_cast<unsigned char>(s[pos + 2]);
    return b0 == 0xED && b1 >= 0xA0 && b1 <= 0xBF && (b2 & 0xC0) == 0x80;
}

} // namespace

std::int32_t DecodeWtf8(std::string_view s, std::size_t& pos)
{
    if (static_cast<unsigned char>(s[pos]) == 0xED && IsSurrogateSequence(s, pos)) {
        const std::int32_t unit = 0xD000 | ((static_cast<unsigned char>(s[pos + 1]) & 0x3F) << 6) |
                                  (static_cast<unsigned char>(s[pos + 2]) & 0x3F);
        pos += 3;
        return unit;
    }
    return DecodeUtf8(s, pos);
}

std::int32_t DecodeUtf8(std::string_view s, std::size_t& pos)
{
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int len = 0;
    std::int32_t cp = 0;
    std::int32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++pos;
        return -1;
    }
    if (pos + len > s.size()) {
        ++pos;
        return -1;
    }
    for (int i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return -1;
    }
    pos += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendWtf8(std::string& out, std::u16string_view utf16)
{
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, u);
        }
    }
}

std::u16string Utf16FromWtf8(std::string_view wtf8)
{
    std::u16string out;
    out.reserve(wtf8.size());
    ForEachUtf16Unit(wtf8, [&out](char16_t unit) { out.push_back(unit); });
    return out;
}

bool IsAscii(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string ToDisplayUtf8(std::string_view bytes)
{
    if (IsAscii(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 8);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        const std::int32_t cp = DecodeWtf8(bytes, pos);
        if (cp < 0 || IsSurrogate(cp))
            AppendUtf8(out, 0xFFFD);
        else
            out.append(bytes.substr(start, pos - start));
    }
    return out;
}

} // namespace harrowdale::platform
