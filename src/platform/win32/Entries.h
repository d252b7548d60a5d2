#pragma once

// What the scan and removal agree on about entries on Windows: which reparse points are
// links, and how a folder is held while the program works in it.

#include <string>
#include <windows.h>

namespace harrowdale::platform::win32 {

/// True for a reparse point that stands for another place: a symbolic link, a junction
/// or mounted folder (IO_REPARSE_TAG_SYMLINK, IO_REPARSE_TAG_MOUNT_POINT), or any other
/// tag Windows marks as a name surrogate (WSL links among them). Such entries are neither
/// counted nor entered, and removal deletes the link, never what it names. Other reparse
/// points (cloud placeholders, deduplicated files) hold the user's data where they are and
/// are ordinary files and folders.
bool IsLink(DWORD attributes, DWORD reparseTag);

/// Opens the folder at `path` (a \\?\ path) to hold it: without delete sharing nobody can
/// rename it or put a link in its place while it is held, so its path keeps naming it.
/// When another program holds it with delete access already, it is opened as that program
/// allows. `follow`: a link at `path` is followed (for what the user named) rather than
/// opened as itself. INVALID_HANDLE_VALUE on failure.
HANDLE HoldFolder(const std::wstring& path, bool follow);

} // namespace harrowdale::platform::win32
