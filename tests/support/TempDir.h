#pragma once

// A scratch folder on disk for tests that need a real file system: odd names, links,
// dates and mounts made at run time. Removed (without following links) on destruction.
//
// Relative paths given to it are written with '/'; the paths it returns use this
// system's separator: t / "a/b" is "<folder>/a/b" on Linux and "<folder>\a\b" on Windows.

#include "support/NativePath.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace harrowdale::test {

class TempDir
{
public:
    TempDir();
    /// A scratch folder inside `base` instead of the temporary folder.
    explicit TempDir(const std::string& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return FPath; }
    std::string operator/(std::string_view rel) const;

    /// Creates folders along `rel`.
    std::string MakeDir(std::string_view rel) const;
    /// Creates a file of `size` bytes (sparse) with an optional last-write time (Unix
    /// seconds; leave -1 to keep "now"). Windows cannot store "no date": there 0 is the
    /// first second of 1970.
    std::string MakeFile(std::string_view rel, std::int64_t size, std::int64_t mtime = -1) const;
    /// A symbolic link at `rel` to `target` (throws where links cannot be made: check
    /// CanMakeLinks first).
    std::string MakeLink(std::string_view target, std::string_view rel) const;
    /// A second name `rel` for the file at `existing` (both relative to the folder).
    std::string MakeHardLink(std::string_view existing, std::string_view rel) const;

private:
    /// Makes one folder; one that exists already is fine.
    static void MakeFolder(const std::string& path);

    std::string FPath;
};

/// Whether this system lets the tests make symbolic links; when not, `why` says why (Wine
/// reports success and makes none; Windows needs Developer Mode or an administrator).
bool CanMakeLinks(std::string& why);

/// `s` quoted for a POSIX shell command line.
std::string ShellQuote(std::string_view s);
/// The whole content of a file ("" when it cannot be read).
std::string ReadFileBytes(const std::string& path);
/// Creates or replaces a file with `bytes`.
void WriteFileBytes(const std::string& path, std::string_view bytes);
/// Sets or clears the immutable flag of a file, which not even its owner may remove
/// while it is set; false where the file system or the user's rights do not allow it
/// (always on Windows).
bool SetImmutable(const std::string& path, bool on);
/// A folder in memory (/dev/shm) where there is one, else the temporary folder: for
/// tests that make and remove many folders, which a disk with synchronous discards
/// makes slow.
std::string MemoryScratchBase();

/// A chain of `depth` folders named "d" below `root`, with a file "f" of `bytes` at every
/// `every`-th level. On Linux it is made from descriptors, so its paths may be far longer
/// than a path can be; on Windows it ends where \\?\ paths do. Throws std::runtime_error
/// when it cannot.
void MakeFolderChain(const std::string& root, int depth, int every, std::int64_t bytes);

/// Totals of an independent walk (physical, one file system): entries that are neither
/// folders nor links count as files, by their logical size.
struct WalkTotals
{
    std::int64_t Files = 0;
    std::int64_t Dirs = 0;
    std::int64_t Bytes = 0;
};
WalkTotals IndependentWalk(const std::string& root);

} // namespace harrowdale::test

/// Skips the running test, saying why, where symbolic links cannot be made.
#define HARROWDALE_SKIP_WITHOUT_LINKS()                                                            \
    do {                                                                                           \
        std::string whyNoLinks;                                                                    \
        if (!::harrowdale::test::CanMakeLinks(whyNoLinks))                                         \
            GTEST_SKIP() << whyNoLinks;                                                            \
    } while (false)
