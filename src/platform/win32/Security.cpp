#include "platform/win32/Security.h"

#include "platform/win32/Wide.h"

#include <stdexcept>

namespace harrowdale::platform::win32 {

namespace {

[[noreturn]] void Fail(const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + ErrorText(GetLastError()));
}

} // namespace

TOwnerOnly::TOwnerOnly()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        Fail("cannot read the user's identity");
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    FUser = std::make_unique<unsigned char[]>(size);
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, FUser.get(), size, &size);
    CloseHandle(token);
    if (!read)
        Fail("cannot read the user's identity");
    PSID sid = reinterpret_cast<TOKEN_USER*>(FUser.get())->User.Sid;

    const DWORD aclSize =
        sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
    FAcl = std::make_unique<unsigned char[]>(aclSize);
    auto* acl = reinterpret_cast<ACL*>(FAcl.get());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               GENERIC_ALL, sid) ||
        !InitializeSecurityDescriptor(&FDescriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&FDescriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&FDescriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        Fail("cannot make an access list");
    FAttributes.nLength = sizeof FAttributes;
    FAttributes.lpSecurityDescriptor = &FDescriptor;
    FAttributes.bInheritHandle = FALSE;
}

TOwnerOnly::~TOwnerOnly() = default;

} // namespace harrowdale::platform::win32
