#pragma once

#include <string>
#include <string_view>

namespace harrowdale::test {

/// A path a test writes with '/' as this system writes it: unchanged on Linux; on Windows
/// '/' becomes '\' and a leading "/" is the root of drive C ("/r/a.txt" is "C:\r\a.txt",
/// "/" is "C:"). A path already in the system's form comes back unchanged.
std::string NativePath(std::string_view slashed);

} // namespace harrowdale::test
