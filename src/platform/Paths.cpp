#include "platform/Paths.h"

#include "platform/Casing.h"
#include "platform/PathForms.h"

#include <functional>
#include <vector>

namespace harrowdale::platform {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDriveRoot(std::string_view path)
{
    return path.size() == 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}

} // namespace

char PathSeparator(PathStyle style)
{
    return style == PathStyle::Windows ? '\\' : '/';
}

bool IsPathSeparator(char c, PathStyle style)
{
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

bool IsAbsolutePath(std::string_view path, PathStyle style)
{
    if (style == PathStyle::Posix)
        return !path.empty() && path.front() == '/';
    if (IsDriveRoot(path))
        return true;
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' &&
        IsPathSeparator(path[2], style))
        return true;
    return path.size() >= 2 && IsPathSeparator(path[0], style) && IsPathSeparator(path[1], style);
}

std::optional<PathStyle> AbsolutePathStyle(std::string_view path)
{
    if (IsAbsolutePath(path, PathStyle::Posix))
        return PathStyle::Posix;
    if (IsAbsolutePath(path, PathStyle::Windows))
        return PathStyle::Windows;
    return std::nullopt;
}

std::string LexicallyNormalPath(std::string_view path, PathStyle style)
{
    if (!IsAbsolutePath(path, style))
        return {};
    const char sep = PathSeparator(style);
    std::string out;
    std::size_t fixedParts = 0; // of a share: its server and share names
    if (style == PathStyle::Windows) {
        const bool drive = path[1] == ':'; // else a share: "\\server\share"
        out.push_back(drive ? path[0] : sep);
        out.push_back(drive ? ':' : sep);
        fixedParts = drive ? 0 : 2;
        path.remove_prefix(1);
    }
    path.remove_prefix(1);
    const std::size_t rootSize = out.size();
    std::vector<std::size_t> partStarts; // in `out`, each at its separator
    while (!path.empty()) {
        std::size_t end = 0;
        while (end < path.size() && !IsPathSeparator(path[end], style))
            ++end;
        const std::string_view part = path.substr(0, end);
        path.remove_prefix(end == path.size() ? end : end + 1);
        if (partStarts.size() < fixedParts) {
            if (!part.empty()) {
                if (!partStarts.empty())
                    out.push_back(sep);
                partStarts.push_back(out.size());
                out.append(part);
            }
            continue;
        }
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (partStarts.size() > fixedParts) {
                out.resize(partStarts.back());
                partStarts.pop_back();
            }
            continue;
        }
        partStarts.push_back(out.size());
        out.push_back(sep);
        out.append(part);
    }
    if (out.size() == rootSize && style == PathStyle::Posix)
        out.push_back(sep);
    return out;
}

std::string_view TrimTrailingSeparators(std::string_view path, PathStyle style)
{
    while (path.size() > 1 && IsPathSeparator(path.back(), style))
        path.remove_suffix(1);
    return path;
}

void AppendPathComponent(std::string& folder, std::string_view name, PathStyle style)
{
    if (folder.empty() || !IsPathSeparator(folder.back(), style))
        folder.push_back(PathSeparator(style));
    folder.append(name);
}

std::string_view LastPathComponent(std::string_view path, PathStyle style)
{
    std::size_t start = path.size();
    while (start > 0 && !IsPathSeparator(path[start - 1], style) &&
           !(style == PathStyle::Windows && path[start - 1] == ':'))
        --start;
    const std::string_view name = path.substr(start);
    return name.empty() ? path : name;
}

std::string_view ParentPath(std::string_view path, PathStyle style)
{
    path = TrimTrailingSeparators(path, style);
    std::size_t sep = path.size();
    while (sep > 0 && !IsPathSeparator(path[sep - 1], style))
        --sep;
    if (sep == 0 || sep == path.size())
        return {}; // one component, or a root such as "/"
    if (sep == 1)
        return path.substr(0, 1); // "/" of "/a"
    return TrimTrailingSeparators(path.substr(0, sep - 1), style);
}

std::optional<std::string_view> PathBelow(std::string_view path, std::string_view folder,
                                          PathStyle style)
{
    if (folder.empty() || path.size() <= folder.size())
        return std::nullopt;
    std::size_t restStart = folder.size();
    if (!IsPathSeparator(folder.back(), style)) {
        if (!IsPathSeparator(path[folder.size()], style))
            return std::nullopt;
        ++restStart;
    }
    if (restStart >= path.size() || !SamePath(path.substr(0, folder.size()), folder, style))
        return std::nullopt;
    return path.substr(restStart);
}

bool SamePath(std::string_view a, std::string_view b, PathStyle style)
{
    if (a == b)
        return true;
    if (style == PathStyle::Posix)
        return false;
    // Plain ASCII needs no table: compare letters in upper case as long as both sides are
    // ASCII, and leave the rest to the system's mapping.
    std::size_t i = 0;
    while (i < a.size() && i < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80)
            break;
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
        ++i;
    }
    if (i == a.size() || i == b.size())
        return a.size() == b.size();
    // Both sides start a character at `i`: everything before it was ASCII.
    return UpperCase(a.substr(i)) == UpperCase(b.substr(i));
}

int ComparePaths(std::string_view a, std::string_view b, PathStyle style)
{
    if (style == PathStyle::Posix)
        return a.compare(b);
    std::size_t i = 0;
    while (i < a.size() && i < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80)
            return UpperCase(a.substr(i)).compare(UpperCase(b.substr(i)));
        const char ua = AsciiUpper(a[i]), ub = AsciiUpper(b[i]);
        if (ua != ub)
            return static_cast<unsigned char>(ua) < static_cast<unsigned char>(ub) ? -1 : 1;
        ++i;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string PathKey(std::string_view path, PathStyle style)
{
    return style == PathStyle::Posix ? std::string(path) : UpperCase(path);
}

std::size_t HashPathKey(std::string_view path, PathStyle style)
{
    if (style == PathStyle::Posix)
        return std::hash<std::string_view>{}(path);
    bool ascii = true;
    for (const char c : path)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    std::string upper;
    if (!ascii) {
        upper = UpperCase(path);
        path = upper;
    }
    std::uint64_t h = 0xCBF29CE484222325ull; // 64-bit FNV-1a over the upper-case bytes
    for (const char c : path) {
        h ^= static_cast<unsigned char>(ascii ? AsciiUpper(c) : c);
        h *= 0x100000001B3ull;
    }
    return static_cast<std::size_t>(h);
}

} // namespace harrowdale::platform
