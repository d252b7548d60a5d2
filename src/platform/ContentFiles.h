#pragma once

// Reading the bytes of scanned files, for comparing their contents.
//
// A file is reached the way the removal commands reach it: from the scan root that holds
// its path, opened by its path as the scan opened it, then one component at a time below
// it, refusing every link (the file itself included) and every crossing into another
// mount. A path swapped for a link since the scan is therefore never followed, and a file
// swapped for a fifo or a device is refused rather than waited on.

#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace harrowdale::platform {

/// What one look at an open file tells: two looks that differ mean it changed between them.
struct FileStamp
{
    std::int64_t Size = 0;
    /// Last write time to the file system's full precision (nanoseconds on Linux).
    std::int64_t LastWriteNs = 0;
    FileIdentity Id;
    bool operator==(const FileStamp&) const = default;
};

/// A regular file open for reading. Move-only; closes itself. One thread at a time.
class ContentFile
{
public:
    ContentFile() = default;
    ~ContentFile() { Close(); }
    ContentFile(ContentFile&& other) noexcept;
    ContentFile& operator=(ContentFile&& other) noexcept;
    ContentFile(const ContentFile&) = delete;
    ContentFile& operator=(const ContentFile&) = delete;

    bool IsOpen() const { return FHandle != -1; }
    void Close();
    /// Looks at the open file; false when it cannot, or when it is not a regular file.
    bool Look(FileStamp& out) const;
    /// Reads up to `size` bytes at `offset`: fewer only at the end of the file; -1 on a
    /// read error. Retries interrupted reads.
    std::int64_t ReadAt(char* data, std::size_t size, std::int64_t offset) const;
    /// Tells the system the whole file will be read from its start, so it reads ahead.
    void WillReadWhole() const;

private:
    friend class ContentRoots;
    std::intptr_t FHandle = -1; ///< descriptor; -1 for none
};

/// The scan roots a tree came from, held open while files below them are read. Any number
/// of threads may open files at the same time.
class ContentRoots
{
public:
    /// Opens every root by its path (links in it followed: the user named it). A root that
    /// cannot be opened, or that is no longer the folder the scan recorded, holds no
    /// readable file.
    explicit ContentRoots(std::span<const ScanRoot> roots);
    ~ContentRoots();
    ContentRoots(const ContentRoots&) = delete;
    ContentRoots& operator=(const ContentRoots&) = delete;

    /// How many roots are open.
    std::size_t OpenCount() const;
    /// Opens the file at `path` (a path of the tree, below one of the roots) without
    /// following a link or entering another mount on the way. False when it cannot be
    /// opened or no open root holds it. Whether it is a regular file, Look tells.
    bool OpenFile(const std::string& path, ContentFile& out) const;

private:
    std::vector<ScanRoot> FRoots;
    std::vector<std::intptr_t> FHandles; ///< one per root; -1 when it did not open
};

/// Whether this system can read scanned files for comparing them. Not on Windows yet:
/// there a file below a root is opened by its whole path, and no safe way to refuse a
/// junction on the way is in place.
bool ContentReadingAvailable();

} // namespace harrowdale::platform
