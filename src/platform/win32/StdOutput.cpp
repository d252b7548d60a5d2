#include "platform/StdOutput.h"

#include "platform/win32/Wide.h"

#include <windows.h>

namespace harrowdale::platform {

bool TStdOutBuffer::WriteOut(const char* data, std::size_t size)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    while (size > 0 && FError.empty()) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD n = 0;
        if (!WriteFile(out, data, chunk, &n, nullptr)) {
            FError = win32::ErrorText(GetLastError());
            break;
        }
        if (n == 0) {
            FError = "nothing could be written";
            break;
        }
        data += n;
        size -= n;
    }
    return FError.empty();
}

} // namespace harrowdale::platform
