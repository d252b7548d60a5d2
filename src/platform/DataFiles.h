#pragma once

// Reading the program's own data files (the translation file).

#include <cstddef>
#include <string>

namespace harrowdale::platform {

enum class ReadResult
{
    Ok,
    Missing,    ///< nothing there, or it cannot be opened
    NotRegular, ///< a folder, a FIFO, a device...: never read, so it cannot block or flood
    TooLarge,   ///< more than the allowed bytes
    ReadError,
};

/// Reads the whole of the regular file at `path` (a link to one is followed: packagers
/// may link data files) into `contents`, provided it holds at most `maxBytes` bytes.
/// Anything else is refused without reading from it.
ReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& contents);

} // namespace harrowdale::platform
