#pragma once

// A folder of the program's own below the user's data folder, for files that list every
// name of a scanned tree (the scan history): trusted only when it is the user's alone.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::platform {

struct TFolderFile
{
    std::string Name;
    std::int64_t Size = 0;
};

/// A folder held open from the moment it was checked: every file in it is listed, read,
/// written and removed relative to what was checked, so that a link or another folder put
/// in its place afterwards leads nothing elsewhere. (On Windows the folder is held open,
/// which keeps it from being renamed or replaced, and its files are reached by path.)
class TPrivateFolder
{
public:
    TPrivateFolder() = default;
    ~TPrivateFolder();
    TPrivateFolder(TPrivateFolder&& other) noexcept;
    TPrivateFolder& operator=(TPrivateFolder&& other) noexcept;
    TPrivateFolder(const TPrivateFolder&) = delete;
    TPrivateFolder& operator=(const TPrivateFolder&) = delete;

    /// The folder `app`/`name` below the user's data folder ($XDG_DATA_HOME, else
    /// ~/.local/share; %LOCALAPPDATA% on Windows), made where missing (the last one with
    /// mode 0700). Not open, with `error` set, when there is no data folder or the folder
    /// is not to be trusted: a link, not a folder, owned by another user, or writable by
    /// others. Nothing is written into a folder that is refused.
    static TPrivateFolder OpenData(std::string_view app, std::string_view name, std::string& error);
    /// The folder at `path` as it is now, which the caller has chosen; not open when it is
    /// no folder or a link stands anywhere on its path.
    static TPrivateFolder Hold(const std::string& path);

    bool IsOpen() const { return FHandle != -1; }
    /// Where the folder was when it was opened: for messages and for others to read from.
    const std::string& Path() const { return FPath; }

    /// The regular files directly in the folder (links and everything else left out), in
    /// no particular order.
    std::vector<TFolderFile> RegularFiles() const;
    /// Removes the regular file `name` of the folder without following a link; false when
    /// it is not there or not a regular file.
    bool RemoveRegularFile(std::string_view name) const;

    /// The descriptor (HANDLE on Windows) held: for opening files in the folder.
    std::intptr_t Handle() const { return FHandle; }

private:
    std::string FPath;
    std::intptr_t FHandle = -1;
};

} // namespace harrowdale::platform
