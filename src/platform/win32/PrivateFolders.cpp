#include "platform/PrivateFolders.h"

#include "platform/win32/Entries.h"
#include "platform/win32/Security.h"
#include "platform/win32/Wide.h"

#include <filesystem>
#include <utility>
#include <windows.h>

namespace harrowdale::platform {

namespace {

// A folder made where missing (with an access list for the user alone when `own`), and
// never a reparse point: a junction or link could lead the files anywhere.
bool MakeRealFolder(const std::string& path, bool own)
{
    const std::wstring wide = win32::WidePath(path);
    if (own) {
        win32::TOwnerOnly owner;
        ::CreateDirectoryW(wide.c_str(), owner.Attributes());
    } else {
        ::CreateDirectoryW(wide.c_str(), nullptr);
    }
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

} // namespace

TPrivateFolder::~TPrivateFolder()
{
    if (FHandle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(FHandle));
}

TPrivateFolder::TPrivateFolder(TPrivateFolder&& other) noexcept
    : FPath(std::move(other.FPath)), FHandle(std::exchange(other.FHandle, -1))
{
}

TPrivateFolder& TPrivateFolder::operator=(TPrivateFolder&& other) noexcept
{
    if (this != &other) {
        if (FHandle != -1)
            ::CloseHandle(reinterpret_cast<HANDLE>(FHandle));
        FPath = std::move(other.FPath);
        FHandle = std::exchange(other.FHandle, -1);
    }
    return *this;
}

TPrivateFolder TPrivateFolder::Hold(const std::string& path)
{
    TPrivateFolder folder;
    folder.FPath = path;
    const HANDLE h = win32::HoldFolder(win32::WidePath(path), false);
    BY_HANDLE_FILE_INFORMATION info{};
    if (h == INVALID_HANDLE_VALUE)
        return folder;
    if (!::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::CloseHandle(h);
        return folder;
    }
    folder.FHandle = reinterpret_cast<std::intptr_t>(h);
    return folder;
}

TPrivateFolder TPrivateFolder::OpenData(std::string_view app, std::string_view name,
                                        std::string& error)
{
    const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    std::wstring base(n, L'\0');
    if (n == 0 || ::GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), n) != n - 1) {
        error = "no data folder: LOCALAPPDATA is not set";
        return {};
    }
    base.resize(n - 1);
    const std::string appPath = win32::Narrow(base) + "\\" + std::string(app);
    const std::string path = appPath + "\\" + std::string(name);
    // Who else may write there is the access list's business: the folder is made with
    // the user's alone; one the user changed is the user's choice.
    TPrivateFolder folder;
    if (MakeRealFolder(appPath, false) && MakeRealFolder(path, true))
        folder = Hold(path);
    if (!folder.IsOpen()) {
        error = path + ": not used: it must be a folder, not a link";
        folder.FPath = path;
    }
    return folder;
}

std::vector<TFolderFile> TPrivateFolder::RegularFiles() const
{
    std::vector<TFolderFile> files;
    if (!IsOpen())
        return files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(win32::Wide(FPath), ec)) {
        std::error_code fileEc;
        if (e.is_regular_file(fileEc) && !e.is_symlink(fileEc))
            files.push_back({win32::Narrow(e.path().filename().wstring()),
                             static_cast<std::int64_t>(e.file_size(fileEc))});
    }
    return files;
}

bool TPrivateFolder::RemoveRegularFile(std::string_view name) const
{
    if (!IsOpen() || name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string_view::npos)
        return false;
    const std::wstring path = win32::WidePath(FPath + "\\" + std::string(name));
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    return ::DeleteFileW(path.c_str()) != 0;
}

} // namespace harrowdale::platform
