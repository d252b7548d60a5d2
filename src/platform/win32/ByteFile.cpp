#include "platform/ByteFile.h"

#include "platform/Paths.h"
#include "platform/win32/Security.h"
#include "platform/win32/Wide.h"

#include <random>
#include <stdexcept>
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

} // namespace

TInputFile::TInputFile(const std::string& path)
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

TInputFile::~TInputFile()
{
    if (FOwned)
        CloseHandle(Handle(FHandle));
}

std::size_t TInputFile::Read(char* data, std::size_t size)
{
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
            FTempPath = std::move(temp);
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            Throw("cannot create a file in its folder", GetLastError());
    }
    Throw("cannot create a file in its folder", ERROR_FILE_EXISTS);
}

TOutputFile::~TOutputFile()
{
    if (!FTempPath.empty()) {
        DeleteByHandle(Handle(FHandle));
        CloseHandle(Handle(FHandle));
    }
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
        return; // standard output: written as it came
    const HANDLE h = Handle(FHandle);
    if (!FlushFileBuffers(h))
        Throw("cannot write", GetLastError());
    if (!RenameHandle(h, win32::WidePath(FPath)))
        Throw("cannot replace", GetLastError());
    FTempPath.clear();
    FHandle = -1;
    if (!CloseHandle(h))
        Throw("cannot write", GetLastError());
}

} // namespace harrowdale::platform
