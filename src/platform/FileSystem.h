#pragma once

// Directory enumeration for the scanner. Names are bytes: nothing here decodes or
// re-encodes them, so a name that is not valid UTF-8 reaches the scan tree unchanged.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace harrowdale::platform {

enum class EntryKind : std::uint8_t
{
    File,
    Directory
};

/// One entry of a folder listing. Links and other mounts never appear here.
struct DirEntry
{
    std::string_view Name; ///< valid until the next call of Next()
    EntryKind Kind = EntryKind::File;
    std::int64_t Size = 0;           ///< logical size (st_size); 0 for folders
    std::int64_t LastWriteTicks = 0; ///< 100-ns ticks since 1601-01-01 UTC; 0 = no date
};

enum class OpenResult : std::uint8_t
{
    Opened,     ///< listing can start
    Failed,     ///< cannot be read: shown as an empty folder
    NotEntered, ///< a link or the root of another mount: not counted at all
};

/// Reads one folder with getdents64 and one statx per file. Move-only RAII over the
/// folder's descriptor. Several readers may share one buffer as long as a reader has
/// finished its listing before the next one starts reading (the scanner reads a folder
/// whole before it descends).
class DirReader
{
public:
    explicit DirReader(std::span<char> buffer) : FBuffer(buffer) {}
    ~DirReader();
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    /// Opens an absolute or relative path, following links in it (the user named it).
    OpenResult OpenPath(const std::string& path);
    /// Opens entry `name` of the folder `parent` has open, refusing links and mount
    /// crossings.
    OpenResult OpenChild(const DirReader& parent, std::string_view name);
    /// Like OpenChild, but by full path: for folders whose parent gave up its descriptor.
    OpenResult OpenChildPath(const std::string& fullPath);

    /// Next counted entry; false at the end of the listing or on a read error (entries
    /// read so far stay valid).
    bool Next(DirEntry& entry);

    /// Closes the descriptor once the listing is done, so deep trees do not run out
    /// of descriptors; children must then be opened with OpenChildPath.
    void ReleaseHandle();
    bool HasHandle() const { return FFd >= 0; }

private:
    bool Fill();
    bool StatEntry(std::string_view name, unsigned char type, DirEntry& entry);

    std::span<char> FBuffer;
    int FFd = -1;
    std::uint64_t FDev = 0; ///< device of this folder, for kernels without mount-root flags
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    bool FEof = false;
};

/// True when `path` names an existing folder (links followed).
bool DirectoryExists(const std::string& path);

/// The process's current folder, with a trailing '/'.
std::string CurrentDirectory();

/// Converts a POSIX time to Windows-style 100-ns ticks since 1601-01-01 UTC. The epoch
/// itself (0, 0) is the conventional "no date" of Linux tools and maps to 0.
std::int64_t UnixTimeToTicks(std::int64_t seconds, std::int64_t nanoseconds);

} // namespace harrowdale::platform
