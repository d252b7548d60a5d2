#pragma once

// Files the program writes for the user in the shared temporary folder (the downloaded
// installer). Anyone can create names there, so a fixed name could be planted in
// advance as a link to another file or as a file with other permissions.

#include <string>
#include <string_view>

namespace harrowdale::platform {

/// A file just made, open for writing.
struct TCreatedFile
{
    /// A C runtime descriptor (on Windows over the file's handle), owned by the caller:
    /// closed, or handed to something that will close it.
    int Descriptor = -1;
    std::string Path;  ///< "" when creating failed
    std::string Error; ///< why creating failed
};

/// Makes a new folder of its own (mode 0700, a random name) under the user's temporary
/// folder ($TMPDIR, else /tmp; on Windows GetTempPathW) and creates `fileName` in it,
/// relative to the folder's descriptor, exclusively and without following links, with mode
/// 0600 (on Windows, folder and file get an access list for the user alone). `fileName`
/// must be one plain name.
TCreatedFile CreatePrivateFile(std::string_view fileName);

/// Removes a file that CreatePrivateFile made (`path` as it returned it), closed by now,
/// and then its folder, which must hold nothing else. "" on success, else why not; a
/// folder that is no longer the user's alone is left as it is.
std::string RemovePrivateFile(const std::string& path);

} // namespace harrowdale::platform
