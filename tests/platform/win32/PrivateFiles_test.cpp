// Files made for the user in the shared temporary folder: a new folder each, and both the
// folder and the file readable by the user alone.

#include "platform/FileOps.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/PrivateFiles.h"
#include "platform/Utf8.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>
// after windows.h, whose types it uses
#include <aclapi.h>

namespace harrowdale {
namespace {

// Whether the access list of `path` is protected and grants one user only.
bool UserAlone(const std::string& path)
{
    const std::u16string units = platform::Utf16FromWtf8("\\\\?\\" + path);
    std::wstring wide(units.begin(), units.end());
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const bool alone = acl != nullptr && acl->AceCount == 1 && (control & SE_DACL_PROTECTED);
    LocalFree(descriptor);
    return alone;
}

TEST(PrivateFiles, EachFileGetsANewFolderOnlyTheUserCanEnter)
{
    test::TempDir t;
    const test::ScopedEnv tmp("TMP", t.Path());
    const platform::TCreatedFile a = platform::CreatePrivateFile("setup.exe");
    const platform::TCreatedFile b = platform::CreatePrivateFile("setup.exe");
    ASSERT_GE(a.Descriptor, 0) << a.Error;
    ASSERT_GE(b.Descriptor, 0) << b.Error;
    EXPECT_NE(a.Path, b.Path);
    bool aclsRead = true;
    for (const platform::TCreatedFile* f : {&a, &b}) {
        EXPECT_TRUE(platform::PathBelow(f->Path, t.Path()).has_value()) << f->Path;
        EXPECT_EQ(_write(f->Descriptor, "abc", 3), 3);
        _close(f->Descriptor);
        EXPECT_EQ(test::ReadFileBytes(f->Path), "abc");
        const std::string folder(platform::ParentPath(f->Path));
        EXPECT_TRUE(platform::DirectoryExists(folder));
        aclsRead = aclsRead && UserAlone(f->Path) && UserAlone(folder);
    }
    for (const char* bad : {"", ".", "..", "sub\\setup.exe", "sub/setup.exe", "a:stream"}) {
        const platform::TCreatedFile f = platform::CreatePrivateFile(bad);
        EXPECT_LT(f.Descriptor, 0) << bad;
        EXPECT_TRUE(f.Path.empty());
        EXPECT_FALSE(f.Error.empty());
    }
    if (!aclsRead)
        GTEST_SKIP() << "this system keeps no access lists on its files (as Wine); the rest "
                        "passed";
}

TEST(PrivateFiles, RemovingTakesTheFileAndItsFolderWhenNothingElseIsInIt)
{
    test::TempDir t;
    const test::ScopedEnv tmp("TMP", t.Path());
    for (const bool other : {false, true}) {
        SCOPED_TRACE(other ? "another file beside it" : "alone");
        const platform::TCreatedFile f = platform::CreatePrivateFile("setup.exe");
        ASSERT_GE(f.Descriptor, 0) << f.Error;
        _close(f.Descriptor);
        const std::string folder(platform::ParentPath(f.Path));
        if (other)
            test::WriteFileBytes(folder + "\\other", "x");
        const std::string error = platform::RemovePrivateFile(f.Path);
        EXPECT_EQ(error.empty(), !other) << error;
        EXPECT_FALSE(platform::PathExists(f.Path));
        EXPECT_EQ(platform::DirectoryExists(folder), other);
    }
}

} // namespace
} // namespace harrowdale
