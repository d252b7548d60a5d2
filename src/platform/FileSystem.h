#pragma once

// Directory enumeration for the scanner. Names are bytes: nothing here decodes or
// re-encodes them, so a name that is not valid UTF-8 reaches the scan tree unchanged.
//
// Folders are reached through handles only: a scan root is opened by its path (the user
// named it, links in it followed), every folder below it relative to its parent's open
// handle, refusing links and the roots of other mounts. So no path length limit applies,
// and a folder swapped for a link while a scan runs is not followed.
//
// On Windows, symbolic links, junctions and mounted folders (reparse points whose tag
// names another place) are links: never listed, never entered. Other reparse points
// (cloud placeholders, deduplicated files) hold the user's data and are listed as the
// files and folders they are. Names are the WTF-8 form of the UTF-16 names. Windows
// lists a folder by its path, so there a subfolder is opened by its \\?\ path below its
// parent's, as itself (a link found there is refused), and held without delete sharing
// until it is listed, so nobody can swap it meanwhile. Such a path is limited to 32,767
// characters: a folder deeper than that is unreadable.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace harrowdale::platform {

enum class EntryKind : std::uint8_t
{
    File,
    Directory
};

/// Device and file number (on Windows: volume serial number and file index): what tells
/// two directory entries apart as the same file.
struct FileIdentity
{
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

/// Whether `found` is the file a result recorded as `recorded`: any file when the result
/// does not know which it was; a recorded Device of 0 means only the file number is known
/// (a scan file that carries `ino`).
bool MatchesRecordedIdentity(const std::optional<FileIdentity>& recorded,
                             const FileIdentity& found);

/// A folder a result was scanned from: its path as the scan opened it (links in it
/// followed, as the user named it) and, where the result knows it, which folder that was.
/// Reopened after the scan, a root is taken only while it is still that folder, so that a
/// link or another folder put in its place never redirects a command to other files.
struct ScanRoot
{
    ScanRoot(std::string path, std::optional<FileIdentity> id = std::nullopt)
        : Path(std::move(path)), Id(id)
    {
    }
    std::string Path;
    std::optional<FileIdentity> Id;
};

/// The longest of the absolute `roots` that holds `path` (is the same path, or a folder it
/// lies below), compared as SamePath compares; nullptr when none does. For finding the
/// scan root a selected path was found under.
const ScanRoot* RootHolding(std::span<const ScanRoot> roots, std::string_view path);

/// One entry of a folder listing. Links and other mounts never appear here.
struct DirEntry
{
    std::string_view Name; ///< valid until the next call of Next()
    EntryKind Kind = EntryKind::File;
    bool NotRegular = false; ///< a file that is not a regular file (fifo, device...)
    std::int64_t Size = 0;   ///< logical size (st_size); 0 for folders
    /// Allocated bytes (st_blocks * 512); 0 for folders. Windows' listing does not give
    /// them, and a look per file would double the cost of a scan: there it is Size.
    std::int64_t Allocated = 0;
    std::int64_t LastWriteTicks = 0; ///< 100-ns ticks since 1601-01-01 UTC; 0 = no date
    std::uint32_t Links = 1;         ///< hard links of a file; 1 for folders
    FileIdentity Id;                 ///< of a file; not filled for folders
};

enum class OpenResult : std::uint8_t
{
    Opened,     ///< listing can start
    Failed,     ///< cannot be read: shown as an empty folder
    NotEntered, ///< a link or the root of another mount: not counted at all
};

/// An open folder. Move-only; closes itself. Any number of threads may open entries of
/// one handle at the same time.
class FolderHandle
{
public:
    FolderHandle() = default;
    ~FolderHandle() { Close(); }
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    bool IsOpen() const;
    void Close();

private:
    friend OpenResult OpenScanRoot(const std::string&, FolderHandle&);
    friend OpenResult OpenSubfolder(const FolderHandle&, std::string_view, FolderHandle&);
    friend OpenResult OpenFolderInScan(std::span<const ScanRoot>, const std::string&,
                                       FolderHandle&);
    friend bool IdentityOf(const FolderHandle&, FileIdentity&);
    friend class DirReader;

#ifdef _WIN32
    // The folder held open, so that nobody can rename it or put a link in its place, and
    // its \\?\ path ending in "\*", the form the listing functions take.
    void* FHandle = nullptr;
    std::wstring FPattern;
#else
    /// Makes `fd` (an open folder, or -1) the handle's, with what listing it needs.
    friend OpenResult AdoptFolder(int fd, FolderHandle& out);
    int FFd = -1;
    std::uint64_t FDev = 0; ///< for kernels that cannot refuse mount crossings on open
    /// The file system (ext4) gives the last record of a listing the largest position, so
    /// the end is seen without one more, empty, read. Shared by every folder of a scan,
    /// which never leaves its file system.
    bool FEndMarked = false;
#endif
};

/// Opens the folder a scan starts from; links in `path` are followed.
OpenResult OpenScanRoot(const std::string& path, FolderHandle& out);

/// Opens the subfolder `name` of `parent`, refusing a link and the root of another mount.
OpenResult OpenSubfolder(const FolderHandle& parent, std::string_view name, FolderHandle& out);

/// Opens the folder at `path` below the longest of `scanRoots` that holds it, as the scan
/// reached it: the root by its path (links in it followed, as the user named it; refused
/// when it is no longer the folder the scan recorded), every
/// folder below it relative to the one before, refusing links and the roots of other
/// mounts. NotEntered when no root holds the path, when a link or another mount is on
/// the way or at the end, and when nothing is there any more; Failed when the folder is
/// there but cannot be read.
OpenResult OpenFolderInScan(std::span<const ScanRoot> scanRoots, const std::string& path,
                            FolderHandle& out);

/// Device and file number of an open folder; false when they cannot be read.
bool IdentityOf(const FolderHandle& folder, FileIdentity& id);

/// What a folder listing tells of a file beyond its length: the space allocated to it,
/// and which names are links of one file. Linux's (one statx per file) tells both;
/// Windows' tells neither, and a look per file would double the cost of a scan, so a scan
/// there counts each file's length and every link, and says so.
struct ListingMeasures
{
    bool AllocatedSizes;
    bool LinkIdentity;
};
ListingMeasures WhatListingsMeasure();

/// How many folder handles one scan may keep open at once: a share of the process's
/// descriptor limit, so that deep or wide trees never exhaust it (Windows sets no such
/// limit: a fixed number).
std::size_t FolderHandleBudget();

/// Lists one folder: on Linux with getdents64 and one statx per file, on Windows with
/// FindFirstFileExW / FindNextFileW. Reuses one buffer: a reader lists a folder whole
/// before it starts the next one.
class DirReader
{
public:
    explicit DirReader(std::span<char> buffer) : FBuffer(buffer) {}
    ~DirReader();
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    /// Starts listing `folder`, which must stay open until the listing is done.
    void Start(const FolderHandle& folder);
    /// Next counted entry; false at the end of the listing or on a read error (entries
    /// read so far stay valid).
    bool Next(DirEntry& entry);
    /// True when the listing, or the look at one of its entries, failed: what was read
    /// is kept, but the folder may hold more.
    bool Failed() const { return FFailed; }

private:
    std::span<char> FBuffer;
#ifdef _WIN32
    // FindFirstFileExW's handle; the entry it read last sits at the start of the buffer.
    void* FFind = nullptr;
    bool FPending = false; ///< that entry is not returned yet
    std::string FName;     ///< WTF-8 of the name returned last
#else
    bool Fill();
    bool StatEntry(std::string_view name, unsigned char type, DirEntry& entry);

    int FFd = -1;
    std::uint64_t FDev = 0;
    bool FEndMarked = false;
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    bool FEof = false;
#endif
    bool FFailed = false;
};

/// True when `path` names an existing folder (links followed).
bool DirectoryExists(const std::string& path);

/// `path` made absolute against the current folder ("docs" in /home/u gives
/// /home/u/docs; on Windows also "..\x" and "C:x" are resolved as the system resolves
/// them, and "C:" stays the root of drive C). Links are not resolved. Empty for an empty
/// path.
std::string AbsolutePath(std::string_view path);

/// Converts a POSIX time to Windows-style 100-ns ticks since 1601-01-01 UTC. The epoch
/// itself (0, 0) is the conventional "no date" of Linux tools and maps to 0.
std::int64_t UnixTimeToTicks(std::int64_t seconds, std::int64_t nanoseconds);

} // namespace harrowdale::platform
