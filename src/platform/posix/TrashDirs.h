#pragma once

// Choosing and opening the freedesktop trash folder for one item.

#include "platform/posix/Descriptors.h"

#include <string>

namespace harrowdale::platform::posix {

/// $XDG_DATA_HOME, else ~/.local/share; "" when neither is an absolute path.
std::string DataHome();
/// The user's own data folder `path`, made where missing. Links in it are the user's own
/// arrangement and are followed.
Fd OpenOrMakeDataHome(const std::string& path);
/// Folder `name` of `at`, made with mode 0700 when missing. It must be a real folder on
/// the same mount (no link), owned by this user, and with `closed` nobody else may enter
/// or read it; else an invalid Fd with errno EPERM.
Fd OpenOwnFolder(int at, const char* name, bool closed);

/// The files/ and info/ folders of the trash an item goes to.
struct TrashTarget
{
    Fd Files;
    Fd Info;
    /// The top folder of the item's mount for a per-mount trash, whose info files name
    /// the item relative to it; "" for the home trash (absolute paths).
    std::string TopDir;
};

/// Opens (making what is missing) the trash for an item whose identity is `item`: the
/// home trash when the item lies on its mount and device, else the trash at the top of
/// the item's mount. Per-mount trash folders are trusted only when they are real folders
/// owned by this user and closed to everyone else; $topdir/.Trash only when it is a
/// sticky folder. False when no trash may be used.
bool OpenTrashFor(const FileId& item, TrashTarget& out);

} // namespace harrowdale::platform::posix
