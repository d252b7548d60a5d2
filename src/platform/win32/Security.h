#pragma once

// Access lists for what the program creates for the user alone.

#include <memory>
#include <windows.h>

namespace harrowdale::platform::win32 {

/// Security attributes granting the current user, and nobody else, full access: a
/// protected access list, so nothing is inherited from the folder. The Windows form of
/// mode 0600 and 0700. Throws std::runtime_error when the user's identity cannot be read.
class TOwnerOnly
{
public:
    TOwnerOnly();
    ~TOwnerOnly();
    TOwnerOnly(const TOwnerOnly&) = delete;
    TOwnerOnly& operator=(const TOwnerOnly&) = delete;

    SECURITY_ATTRIBUTES* Attributes() { return &FAttributes; }

private:
    std::unique_ptr<unsigned char[]> FUser; ///< TOKEN_USER of the process
    std::unique_ptr<unsigned char[]> FAcl;
    SECURITY_DESCRIPTOR FDescriptor{};
    SECURITY_ATTRIBUTES FAttributes{};
};

} // namespace harrowdale::platform::win32
