#include "treemap/Colors.h"

#include "platform/Casing.h"
#include "platform/Utf8.h"

namespace harrowdale {

std::uint32_t Fnv1aUtf16(std::string_view utf8)
{
    std::uint32_t h = 0x811C9DC5u;
    platform::ForEachUtf16Unit(utf8, [&h](char16_t unit) {
        h ^= unit;
        h *= 16777619u;
    });
    return h;
}

std::string ExtKey(std::string_view ext)
{
    std::string key = platform::LowerCaseLocale(ext);
    if (key.empty())
        key = "(none)";
    return key;
}

TColor ColorForExt(std::string_view ext)
{
    return ColorFromHash(Fnv1aUtf16(ExtKey(ext)));
}

TColor ColorForPath(std::string_view path)
{
    return ColorFromHash(Fnv1aUtf16(platform::LowerCaseLocale(path)));
}

TColor DupGroupColor(std::string_view key)
{
    return ColorFromHash(Fnv1aUtf16(key));
}

} // namespace harrowdale
