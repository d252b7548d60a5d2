#include "platform/Process.h"

#include <unistd.h>

namespace harrowdale::platform {

std::string ExecutablePath()
{
    // readlink does not say whether it truncated: retry with a larger buffer until the
    // link fits with room to spare.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n <= 0)
            return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        if (path.size() >= 65536)
            return {};
        path.resize(path.size() * 2);
    }
}

} // namespace harrowdale::platform
