#pragma once

// Absolute paths in their plain form: "." and ".." resolved, no doubled or trailing
// separators. For this system's paths the system itself resolves them (links included);
// paths read from a file, which another system may have written, are recognised by their
// form and made plain by their text.

#include "platform/Paths.h"

#include <optional>
#include <string>
#include <string_view>

namespace harrowdale::platform {

/// The form an absolute path is written in, whichever system wrote it: "/..." is a Linux
/// path; "C:", "C:\...", "C:/..." and "\\server\share\..." are Windows paths. nullopt for a
/// path that is absolute in neither form. A scan's own paths are always in this system's
/// form, so the form of a tree's root tells whether the tree names this system's files.
std::optional<PathStyle> AbsolutePathStyle(std::string_view path);

/// The absolute `path` with "." components and doubled separators dropped, each ".." taking
/// away the component before it (never the root: "/", a drive "C:", a share
/// "\\server\share"), no trailing separator, and on Windows every separator a '\':
/// "/a/./b//../c/" gives "/a/c", "C:/a\.." gives "C:". Lexical: a link before a ".." is not
/// followed, so this is for paths whose links are resolved already or that name another
/// machine's files. Empty when `path` is not absolute in `style`.
std::string LexicallyNormalPath(std::string_view path, PathStyle style = NativePathStyle());

/// The path the system reaches through `path`, which must exist: absolute, every link,
/// "." and ".." resolved as opening it resolves them (realpath; on Windows the system's
/// own resolution, where ".." is lexical anyway). Empty when it cannot be resolved.
std::string ResolvedPath(std::string_view path);

} // namespace harrowdale::platform
