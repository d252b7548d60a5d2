#include "platform/StdOutput.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace harrowdale::platform {

bool TStdOutBuffer::WriteOut(const char* data, std::size_t size)
{
    while (size > 0 && FError.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            FError = n < 0 ? std::strerror(errno) : "nothing could be written";
            break;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return FError.empty();
}

} // namespace harrowdale::platform
