#pragma once

// The common scan exchange format, as written by `ncdu -o` and `gdu -o` (major 1, minor
// 2): one JSON array [1, 2, {metadata}, folder], where a folder is an array whose first
// element is its own info object and whose other elements are its entries: arrays for
// subfolders, info objects for everything else. Sizes are per entry, never summed.
//
// Names are bytes. Bytes from 0x80 up are carried raw inside the JSON strings, valid
// UTF-8 or not, as the format's producers write them; control bytes, '"' and '\' are
// escaped. On reading, \uDC80..\uDCFF escapes (surrogate-escaped bytes, as some
// producers write undecodable names) become the single bytes 0x80..0xFF again.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace harrowdale {

/// A file that is not a scan file, or is damaged, or cannot be read or written.
class EExchangeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

namespace exchange {

inline constexpr int kMajorVersion = 1;
inline constexpr int kMinorVersion = 2;
/// Versions above this are not versions (the format's own rule).
inline constexpr int kMaxVersion = 10000;
/// Longest name of an entry below the root. No file system names a component longer
/// than a few hundred bytes.
inline constexpr std::size_t kMaxNameBytes = 4096;
/// Longest path of the root folder.
inline constexpr std::size_t kMaxRootPathBytes = 65536;
/// Deepest nesting read, of folders or of skipped values. The scanner opens every folder
/// from its parent and so has no depth limit of its own; trees tens of thousands of
/// levels deep exist (made by programs gone wrong, or on purpose), and a file written
/// from one must read back. An open folder costs the reader a few dozen bytes, so this
/// bounds its memory to a few megabytes while refusing nesting no tree has.
inline constexpr std::size_t kMaxFolderDepth = 100000;

} // namespace exchange

/// Why an entry was left out by the program that wrote the file.
enum class TExcludedReason : std::uint8_t
{
    None,
    Pattern,  ///< "pattern": an exclusion pattern
    OtherFs,  ///< "otherfs": the root of another file system
    KernelFs, ///< "kernfs": a kernel file system
    FirmLink, ///< "frmlnk": a firm link
    Other,    ///< any other reason text
};

/// One info object of the format. Everything but the name is optional in a file; the
/// Has* flags say what was given.
struct TExchangeEntry
{
    /// Raw name bytes; for the root folder, its absolute path. Valid during the call only.
    std::string_view Name;
    std::int64_t ApparentSize = 0; ///< "asize": bytes as the file's length says
    std::int64_t DiskSize = 0;     ///< "dsize": bytes allocated on the disk
    bool HasDiskSize = false;
    std::uint64_t Device = 0; ///< "dev": inherited from the parent folder when not given
    bool HasDevice = false;
    std::uint64_t Inode = 0; ///< "ino"
    bool HasInode = false;
    /// "hlnkc": a file with more than one link. (gdu marks only the links after the first
    /// it counted, and gives the inode of those only.)
    bool HardLinked = false;
    std::uint64_t LinkCount = 0; ///< "nlink"; 0 when not given
    /// Last write time in 100-ns ticks since 1601-01-01 UTC; 0 = no date ("mtime" holds
    /// whole Unix seconds).
    std::int64_t ModifiedFT = 0;
    bool NotRegular = false; ///< "notreg": neither a regular file nor a folder
    bool ReadError = false;  ///< "read_error"
    TExcludedReason Excluded = TExcludedReason::None; ///< "excluded"
    std::uint32_t Mode = 0;                           ///< "mode" (st_mode) of the extended form
    bool HasMode = false;
};

/// The metadata object. Only these keys are read; the rest are skipped.
///
/// The format leaves the object to each writer. Besides the usual three keys Harrowdale
/// records how its scan counted, and what it met but left out of the tree (files its
/// filters excluded, later links of one file), so that a report read back from the file
/// says what the scan's report said. Other readers skip these keys.
struct TExchangeMeta
{
    int Major = exchange::kMajorVersion;
    int Minor = exchange::kMinorVersion;
    std::string ProgramName;    ///< "progname"
    std::string ProgramVersion; ///< "progver"
    std::int64_t Timestamp = 0; ///< "timestamp": Unix seconds when the file was written
    /// "size_kind": "apparent" or "on_disk", the measure the writer's totals used; ""
    /// when not given.
    std::string SizeKind;
    /// "hard_links": "once" (only the first link of each file is in the file) or "each";
    /// "" when not given.
    std::string HardLinks;
    /// "left_out_bytes": bytes (by SizeKind) of the files the writer met and did not
    /// write; -1 when not given.
    std::int64_t LeftOutBytes = -1;
    /// "dsize_known": false when the writer's system could not tell the space a file uses
    /// on disk (its "dsize" values are lengths); "links_known": false when it could not
    /// tell which names are links of one file (no entry says it has several). Written
    /// only when false; a reader then counts lengths and every link, whatever it is asked.
    bool DiskSizesKnown = true;
    bool LinksKnown = true;
};

/// The format's text for an exclusion reason; "" for None.
std::string_view ExcludedReasonText(TExcludedReason reason);

/// A name as an error message quotes it: invalid UTF-8 as U+FFFD, control bytes as '?',
/// cut after 80 bytes. Never used as a path.
std::string QuotedName(std::string_view bytes);

} // namespace harrowdale
