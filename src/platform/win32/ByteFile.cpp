#include "platform/ByteFile.h"

#include "platform/Paths.h"
#include "platform/PrivateFolders.h"
#include "platform/win32/Security.h"
#include "platform/win32/Wide.h"

#include <atomic>
#include <iterator>
#include <random>
#include <stdexcept>
#include <utility>
#include <windows.h>

namespace harrowdale::platform {

namespace {

[[noreturn]] void Throw(const char* what, DWORD err)
{
    throw std::runtime_error(std::string(what) + ": " + win32::ErrorText(err));
}

HANDLE Handle(std::intptr_t h)
{
    return reinterpret_cast<HANDLE>(h);
}

std::intptr_t Stored(HANDLE h)
{
    return reinterpret_cast<std::intptr_t>(h);
}

// Moves or removes the file of an open handle by the handle itself, so nothing that
// replaced its name in the meantime is touched.
bool RenameHandle(HANDLE h, const std::wstring& target)
{
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
    std::string buffer(bytes, '\0');
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), info->FileName);
    return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(bytes)) != 0;
}

void DeleteByHandle(HANDLE h)
{
    FILE_DISPOSITION_INFO info{TRUE};
    SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info);
}

// The temporary files being written, for RemoveUnfinishedOutputFiles on the console
// handler's thread: their handles, removed by handle when the program ends interrupted.
std::atomic<HANDLE> gPending[16];

int Publish(HANDLE h)
{
    for (int i = 0; i < static_cast<int>(std::size(gPending)); ++i) {
        HANDLE expected = nullptr;
        if (gPending[i].compare_exchange_strong(expected, h))
            return i;
    }
    return -1;
}

void Withdraw(int slot)
{
    if (slot >= 0)
        gPending[slot].store(nullptr);
}

/// The path a link at `path` leads to (the system's own resolution), or `path` itself.
std::string Resolved(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(win32::WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    const HANDLE h = CreateFileW(win32::WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return path; // a link to nothing: the rename below names the link, as before
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(h);
    if (n == 0 || n >= buffer.size())
        return path;
    buffer.resize(n);
    return win32::WithoutLongPathPrefix(win32::Narrow(buffer));
}

// The path of the file `name` in `folder`, which is held open and so still names the
// folder checked; a link or anything but a regular file there is refused (a missing one
// too, unless `missingIsNew`).
std::string FileInFolder(const TPrivateFolder& folder, std::string_view name, bool missingIsNew)
{
    if (!folder.IsOpen() || name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string_view::npos)
        Throw("cannot open", ERROR_INVALID_NAME);
    std::string path = folder.Path();
    AppendPathComponent(path, name);
    const DWORD attributes = GetFileAttributesW(win32::WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        if (!missingIsNew || err != ERROR_FILE_NOT_FOUND)
            Throw("cannot open", err);
    } else if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        Throw("cannot open", ERROR_CANT_RESOLVE_FILENAME);
    }
    return path;
}

} // namespace

TInputFile::TInputFile(const std::string& path, TReadCancelCheck cancelled)
    : FCancelled(std::move(cancelled))
{
    if (path == "-") {
        FHandle = Stored(GetStdHandle(STD_INPUT_HANDLE));
        return;
    }
    const std::string full = win32::FullPath(path);
    const std::wstring wide = win32::WidePath(full.empty() ? path : full);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw std::runtime_error("cannot read: it is a folder");
    const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        Throw("cannot open", GetLastError());
    FHandle = Stored(h);
    FOwned = true;
}

TInputFile::TInputFile(const TPrivateFolder& folder, std::string_view name)
    : TInputFile(FileInFolder(folder, name, false))
{
}

TInputFile::~TInputFile()
{
    if (FOwned)
        CloseHandle(Handle(FHandle));
}

std::size_t TInputFile::Read(char* data, std::size_t size)
{
    // A read from a pipe or a console waits here until its writer sends something: it
    // cannot be called off from this thread, so the check comes only between reads.
    if (FCancelled && FCancelled())
        throw EReadCancelled();
    DWORD n = 0;
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(Handle(FHandle), data, chunk, &n, nullptr)) {
        const DWORD err = GetLastError();
        if (err == ERROR_BROKEN_PIPE || err == ERROR_HANDLE_EOF)
            return 0; // the writing end of a pipe is gone: the end of the input
        Throw("cannot read", err);
    }
    return n;
}

TOutputFile::TOutputFile(const std::string& path) : FPath(path)
{
    if (path == "-") {
        FHandle = Stored(GetStdHandle(STD_OUTPUT_HANDLE));
        return;
    }
    if (path.empty() || IsPathSeparator(path.back()))
        throw std::runtime_error("cannot write: it is a folder");
    FPath = win32::FullPath(path);
    if (FPath.empty())
        Throw("cannot write", ERROR_INVALID_NAME);
    // A device or a pipe (NUL, CON, \\.\pipe\x) is written into as it comes. Opening an
    // existing file to look at it changes nothing: no truncation, no creation.
    const HANDLE existing = CreateFileW(win32::WidePath(FPath).c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(existing);
        if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
            FHandle = Stored(existing);
            FOwned = true;
            return;
        }
        CloseHandle(existing);
    }
    // A link is followed: the file it names is replaced, the link stays.
    FPath = Resolved(FPath);
    const DWORD attributes = GetFileAttributesW(win32::WidePath(FPath).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        throw std::runtime_error("cannot write: it is a folder");
    FExisted = attributes != INVALID_FILE_ATTRIBUTES;
    const std::string folder(ParentPath(FPath));
    win32::TOwnerOnly security;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".harrowdale-%08x", static_cast<unsigned>(random()));
        std::string temp = folder;
        AppendPathComponent(temp, name);
        // CREATE_NEW never opens what exists, a planted link included.
        const HANDLE h = CreateFileW(win32::WidePath(temp).c_str(), GENERIC_WRITE | DELETE, 0,
                                     security.Attributes(), CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            FHandle = Stored(h);
            FOwned = true;
            FTempPath = std::move(temp);
            FSlot = Publish(h);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            Throw("cannot create a file in its folder", GetLastError());
    }
    Throw("cannot create a file in its folder", ERROR_FILE_EXISTS);
}

TOutputFile::TOutputFile(const TPrivateFolder& folder, std::string_view name)
    : TOutputFile(FileInFolder(folder, name, true))
{
}

TOutputFile::~TOutputFile()
{
    if (!FTempPath.empty()) {
        Withdraw(FSlot);
        DeleteByHandle(Handle(FHandle));
    }
    if (FOwned && FHandle != -1)
        CloseHandle(Handle(FHandle));
}

void TOutputFile::Write(const char* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD n = 0;
        if (!WriteFile(Handle(FHandle), data, chunk, &n, nullptr))
            Throw("cannot write", GetLastError());
        data += n;
        size -= n;
    }
}

void TOutputFile::Commit()
{
    if (FTempPath.empty())
        return; // a stream: written as it came
    const HANDLE h = Handle(FHandle);
    if (!FlushFileBuffers(h))
        Throw("cannot write", GetLastError());
    // Only a regular file is replaced: what took the name meanwhile and is not one stays.
    const DWORD now = GetFileAttributesW(win32::WidePath(FPath).c_str());
    if (now != INVALID_FILE_ATTRIBUTES &&
        (now & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) !=
            0)
        throw std::runtime_error("cannot replace: it is no longer a regular file");
    if (!RenameHandle(h, win32::WidePath(FPath)))
        Throw("cannot replace", GetLastError());
    FTempPath.clear();
    Withdraw(FSlot);
    FHandle = -1;
    if (!CloseHandle(h))
        Throw("cannot write", GetLastError());
}

void RemoveUnfinishedOutputFiles() noexcept
{
    for (std::atomic<HANDLE>& pending : gPending)
        if (const HANDLE h = pending.load())
            DeleteByHandle(h);
}

} // namespace harrowdale::platform
