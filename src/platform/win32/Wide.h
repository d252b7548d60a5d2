#pragma once

// Conversions between the engine's paths (WTF-8 bytes) and the UTF-16 strings of the
// Win32 calls, and the messages of Win32 errors. Used by the Windows backend only.

#include <string>
#include <string_view>

namespace harrowdale::platform::win32 {

/// UTF-16 of WTF-8 text (an argument, a message), unchanged otherwise.
std::wstring Wide(std::string_view wtf8);

/// The UTF-16 path to hand to a file call. An absolute path gets the \\?\ prefix
/// (\\?\UNC\ for \\server\share), which lifts the 260-character limit and passes every
/// name exactly as the file system holds it: names ending in a dot or a blank, which
/// plain Win32 parsing trims, still find their file. "C:" is the root of drive C.
/// Relative paths are left to the usual parsing (the user typed them).
std::wstring WidePath(std::string_view wtf8);

/// A path the user typed ("..\x.json", "C:/data/a.png"), made absolute and normal by
/// the system's rules (GetFullPathNameW), in the WTF-8 form the engine keeps. "C:" alone is
/// the root of drive C. Empty when the system cannot resolve it.
std::string FullPath(std::string_view wtf8);

/// `path` without a \\?\ prefix (\\?\UNC\s\x becomes \\s\x): the form paths
/// take everywhere in the program.
std::string WithoutLongPathPrefix(std::string path);

/// WTF-8 of UTF-16 text (a name, a path): every UTF-16 string, even one with an unpaired
/// surrogate, comes back unchanged through Wide().
std::string Narrow(std::wstring_view utf16);

/// The system's one-line message for a Win32 error code ("Access is denied.").
std::string ErrorText(unsigned long code);

} // namespace harrowdale::platform::win32
