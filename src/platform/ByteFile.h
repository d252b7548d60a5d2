#pragma once

// Whole-file byte streams for reading and writing scan files. Failures throw
// std::runtime_error with a one-line message ("cannot open: No such file or directory");
// the caller names the file.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace harrowdale::platform {

class TPrivateFolder;

/// Whether the reader has given up; asked from the reading thread, so it must be cheap.
using TReadCancelCheck = std::function<bool()>;

/// A read given up because its TReadCancelCheck said so.
class EReadCancelled : public std::exception
{
public:
    const char* what() const noexcept override { return "the read was cancelled"; }
};

/// A file opened for reading ("-" is standard input). RAII over a descriptor (a handle on
/// Windows).
///
/// A pipe, a terminal, a socket or a character device may make a read wait for as long as
/// its writer likes; on Linux such a wait asks `cancelled` at least every 50 ms, and opening
/// a named pipe no longer waits for a writer (the first read does, cancellably; a pipe
/// still reads as empty only once a writer has come and gone). On Windows a read that
/// waits cannot be given up: `cancelled` is asked before each read only.
class TInputFile
{
public:
    /// Opens `path` (links followed: the user named it). Throws when it cannot be opened
    /// or is a folder.
    explicit TInputFile(const std::string& path, TReadCancelCheck cancelled = {});
    /// Opens the regular file `name` of `folder`, never through a link. Throws when it
    /// cannot be opened or is anything but a regular file.
    TInputFile(const TPrivateFolder& folder, std::string_view name);
    ~TInputFile();
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    /// Reads up to `size` bytes; 0 at the end of the file. Retries interrupted reads.
    /// Throws EReadCancelled once `cancelled` returns true, before or while waiting.
    std::size_t Read(char* data, std::size_t size);

private:
    std::intptr_t FHandle = -1; ///< descriptor or HANDLE; -1 for none
    bool FOwned = false;
    bool FMayWait = false; ///< reads can wait for a writer (POSIX)
    TReadCancelCheck FCancelled;
};

/// A file written in full or not at all ("-" is standard output, written as it comes).
///
/// What the target is decides how it is written:
///   - a regular file, or a name that does not exist: the bytes go to a new file with a
///     unique name in the target's folder, created exclusively and without following
///     links, readable by the user alone (mode 0600; on Windows an access list for the
///     user alone), since scan files list every name of a tree; Commit() renames it over
///     the target. An existing file is therefore replaced only by a complete one. Without
///     Commit() the temporary file is removed.
///   - a symbolic link: followed to what it names, to which the same rules apply there (the
///     link stays; a file it names is replaced in its own folder).
///   - a pipe, a character device or a terminal: written into as it comes, as a shell
///     redirection writes into it; nothing is replaced.
///   - anything else (a folder, a block device, a socket): refused.
/// Nothing that is not a regular file is ever replaced.
class TOutputFile
{
public:
    explicit TOutputFile(const std::string& path);
    /// The file `name` of `folder`, written as a regular file target is; a link or
    /// anything but a regular file there is refused, never followed or written into.
    TOutputFile(const TPrivateFolder& folder, std::string_view name);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    /// Writes all of `size` bytes or throws.
    void Write(const char* data, std::size_t size);
    /// Flushes to the disk and moves the file into place (or, for a stream, only checks
    /// that it was written). Throws on failure.
    void Commit();

private:
    /// Creates the temporary file in FFolder (POSIX).
    void CreateTemporary();

    std::string FPath;
    std::string FTarget;        ///< the name replaced in FFolder (POSIX)
    std::string FTempPath;      ///< empty for a stream and after Commit
    std::intptr_t FHandle = -1; ///< descriptor or HANDLE; -1 for none
    /// The target's folder, held open so the temporary file is created, renamed and
    /// removed in that folder even if its path is swapped meanwhile (POSIX; -1 elsewhere).
    std::intptr_t FFolder = -1;
    bool FOwned = false;   ///< FHandle is closed here (not standard output)
    bool FExisted = false; ///< the target was a regular file when the write began
    int FSlot = -1;        ///< where the temporary file is known to RemoveUnfinishedOutputFiles
};

/// Removes the temporary files of every TOutputFile not yet committed, for a program that
/// ends on an interruption while writing. Safe in a signal handler (it only calls
/// unlinkat, relative to the folders held open) and on the thread Windows runs a console
/// handler on.
void RemoveUnfinishedOutputFiles() noexcept;

} // namespace harrowdale::platform
