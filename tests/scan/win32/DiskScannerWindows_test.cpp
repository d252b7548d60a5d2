// What only Windows has: folders closed by an access list, and junctions (links to
// folders that any user may make).

#include "platform/Utf8.h"
#include "scan/DiskScanner.h"
#include "scan/ScanWith.h"
#include "support/TempDir.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>
#include <windows.h>
// after windows.h, whose types they use
#include <aclapi.h>
#include <winioctl.h>

namespace harrowdale {
namespace {

using test::FindChild;
using test::ScanResult;
using test::ScanWith;
using test::TempDir;

std::wstring Wide(const std::string& path)
{
    const std::u16string units = platform::Utf16FromWtf8("\\\\?\\" + path);
    return std::wstring(units.begin(), units.end());
}

bool CanList(const std::string& folder)
{
    WIN32_FIND_DATAW data{};
    const HANDLE h = FindFirstFileW((Wide(folder) + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    return true;
}

// An access list that grants nothing: the folder can be neither listed nor entered.
bool CloseFolder(const std::string& folder, bool closed)
{
    ACL empty{};
    if (!InitializeAcl(&empty, sizeof empty, ACL_REVISION))
        return false;
    std::wstring path = Wide(folder);
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION |
        (closed ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, what, nullptr, nullptr,
                                 closed ? &empty : nullptr, nullptr) == ERROR_SUCCESS;
}

TEST(DiskScanner, FolderClosedByItsAccessListIsAnEmptyFolder)
{
    TempDir t;
    t.MakeDir("locked");
    t.MakeFile("locked/x", 5);
    t.MakeFile("open.txt", 3);
    const std::string locked = t / "locked";
    ASSERT_TRUE(CloseFolder(locked, true));
    const bool enforced = !CanList(locked);
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    CloseFolder(locked, false);
    if (!enforced)
        GTEST_SKIP() << "this system does not enforce access lists (as Wine)";
    const TDirNode* node = FindChild(r.Root, "locked");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->TotalDirs(), 1);
    EXPECT_EQ(node->TotalFiles(), 0);
    EXPECT_EQ(r.Dirs, 2);
    EXPECT_EQ(r.Root->TotalFiles(), 1);
}

// Makes `link` a junction to the folder `target` (both absolute).
bool MakeJunction(const std::string& link, const std::string& target)
{
    if (!CreateDirectoryW(Wide(link).c_str(), nullptr))
        return false;
    const HANDLE h =
        CreateFileW(Wide(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring substitute = L"\\??\\" + Wide(target).substr(4);
    const std::wstring print = substitute.substr(4);
    // The mount-point layout: tag, lengths, four name offsets and lengths, the two names.
    std::vector<unsigned char> buffer(8 + 8 + (substitute.size() + print.size() + 2) * 2);
    auto put16 = [&](std::size_t at, std::size_t v) {
        buffer[at] = static_cast<unsigned char>(v);
        buffer[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buffer.data(), &tag, 4);
    put16(4, buffer.size() - 8);
    put16(8, 0);
    put16(10, substitute.size() * 2);
    put16(12, (substitute.size() + 1) * 2);
    put16(14, print.size() * 2);
    std::memcpy(buffer.data() + 16, substitute.data(), substitute.size() * 2);
    std::memcpy(buffer.data() + 16 + (substitute.size() + 1) * 2, print.data(), print.size() * 2);
    DWORD done = 0;
    const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                    static_cast<DWORD>(buffer.size()), nullptr, 0, &done, nullptr);
    CloseHandle(h);
    return ok != FALSE;
}

TEST(DiskScanner, JunctionsAreNeitherCountedNorEntered)
{
    TempDir t;
    t.MakeDir("real");
    t.MakeFile("real/inside.bin", 20);
    if (!MakeJunction(t / "junction", t / "real"))
        GTEST_SKIP() << "junctions cannot be made here (FSCTL_SET_REPARSE_POINT failed)";
    TScanContext ctx;
    const ScanResult r = ScanWith(ctx, t.Path());
    EXPECT_EQ(FindChild(r.Root, "junction"), nullptr);
    EXPECT_EQ(r.Root->TotalFiles(), 1);
    EXPECT_EQ(r.Root->TotalSize(), 20);
    EXPECT_EQ(r.Root->TotalDirs(), 2);
}

} // namespace
} // namespace harrowdale
