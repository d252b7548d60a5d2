#pragma once

// How paths are written and compared on the two kinds of system the program runs on.
// Paths are bytes (on Windows, the WTF-8 form of the UTF-16 path); these functions look at
// separators and, when comparing, at letter case, and never at anything else.
//
//   Linux    separator '/'. The root is "/" and keeps its separator: "/", "/usr",
//            "/usr/lib". Names are case-sensitive bytes: "a.txt" and "A.txt" are two files.
//   Windows  separator '\' ('/' is accepted where a path is read). A drive root is "C:"
//            without a separator: "C:", "C:\Users", "\\server\share\x". Names ignore case:
//            two paths are the same when their upper-case forms (UpperCase, the system's
//            simple mapping) are.
//
// Every comparison of two paths or two names, and every key of a dictionary or selection
// keyed by path, goes through SamePath or PathKey, so each system keeps one rule:
//
//   std::unordered_map<std::string, Row> rows;   // keyed by PathKey(path)
//   rows[platform::PathKey(file.FullPath())] = row;
//   ... rows.find(platform::PathKey(selectedPath)) ...
//
// The style parameter exists so that both rules can be used (and tested) anywhere; code
// that acts on this system's files leaves it at its default.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace harrowdale::platform {

enum class PathStyle : std::uint8_t
{
    Posix,
    Windows
};

/// The style of the system this program was built for.
PathStyle NativePathStyle();

/// The separator written between components: '/' or '\'.
char PathSeparator(PathStyle style = NativePathStyle());

/// True for a character that separates components ('/'; on Windows also '\').
bool IsPathSeparator(char c, PathStyle style = NativePathStyle());

/// True for a path that does not depend on a current folder: "/..." on Linux; "C:\...",
/// "C:/..." and "\\..." (UNC and \\?\ paths) on Windows. "C:" alone, the root of a drive
/// as this program writes it, is absolute too.
bool IsAbsolutePath(std::string_view path, PathStyle style = NativePathStyle());

/// `path` without trailing separators, roots in the form this program writes them: "/"
/// stays "/", "C:\" becomes "C:", "/a/b/" becomes "/a/b".
std::string_view TrimTrailingSeparators(std::string_view path, PathStyle style = NativePathStyle());

/// Appends a separator (unless `folder` already ends with one) and `name`: "/" and "a"
/// give "/a", "C:" and "a" give "C:\a".
void AppendPathComponent(std::string& folder, std::string_view name,
                         PathStyle style = NativePathStyle());

/// The last component: "b" of "/a/b" or "C:\a\b"; a root is its own last component ("/",
/// "C:"). On Windows the component also ends at a colon, so "C:" has none but itself.
std::string_view LastPathComponent(std::string_view path, PathStyle style = NativePathStyle());

/// The folder that holds `path` (trailing separators removed first): "/a" of "/a/b", "/"
/// of "/a", "C:" of "C:\a"; empty for a single component or a root.
std::string_view ParentPath(std::string_view path, PathStyle style = NativePathStyle());

/// The part of `path` strictly below the folder `folder`, when `path` lies below it ("b/c"
/// of "/a/b/c" below "/a"; "a" of "/a" below "/"). The folder part is compared as SamePath
/// compares.
std::optional<std::string_view> PathBelow(std::string_view path, std::string_view folder,
                                          PathStyle style = NativePathStyle());

/// Whether two paths, or two names, stand for the same file: byte for byte on Linux,
/// ignoring case on Windows ("C:\Temp\A.TXT" is "c:\temp\a.txt").
bool SamePath(std::string_view a, std::string_view b, PathStyle style = NativePathStyle());

/// An order of paths in which those SamePath calls the same are equal (negative, 0,
/// positive as std::string_view::compare): for sorting names to find repeats.
int ComparePaths(std::string_view a, std::string_view b, PathStyle style = NativePathStyle());

/// A key with PathKey(a) == PathKey(b) exactly when SamePath(a, b): the path itself on
/// Linux, its upper-case form on Windows. For dictionaries keyed by path. Never use a key
/// as a path.
std::string PathKey(std::string_view path, PathStyle style = NativePathStyle());

/// A hash of PathKey(path) that needs no allocation for ASCII paths: equal for any two
/// paths that SamePath calls the same.
std::size_t HashPathKey(std::string_view path, PathStyle style = NativePathStyle());

} // namespace harrowdale::platform
