#pragma once

// A folder of the program's own below the user's data folder, for files that list every
// name of a scanned tree (the scan history): trusted only when it is the user's alone.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::platform {

/// The folder `app`/`name` below the user's data folder ($XDG_DATA_HOME, else
/// ~/.local/share; %LOCALAPPDATA% on Windows), made where missing (the last one with mode
/// 0700). Returns its path, or "" with `error` set when there is no data folder or the
/// folder is not to be trusted: a link, not a folder, owned by another user, or writable
/// by others. Nothing is written into a folder that is refused.
std::string OpenPrivateDataFolder(std::string_view app, std::string_view name, std::string& error);

struct TFolderFile
{
    std::string Name;
    std::int64_t Size = 0;
};

/// The regular files directly in `folder` (links and everything else left out), in no
/// particular order.
std::vector<TFolderFile> RegularFilesIn(const std::string& folder);

/// Removes the regular file `name` of `folder`, relative to the folder and without
/// following a link; false when it is not there or not a regular file.
bool RemoveRegularFileIn(const std::string& folder, std::string_view name);

} // namespace harrowdale::platform
