#include "platform/DataFiles.h"

#include "platform/posix/Descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace harrowdale::platform {

ReadResult ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& contents)
{
    contents.clear();
    // Look before opening, so that a device is not even opened; then check what was
    // opened, which is what counts.
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return ReadResult::Missing;
    if (!S_ISREG(st.st_mode))
        return ReadResult::NotRegular;
    // O_NONBLOCK: should a FIFO have taken the name meanwhile, opening it cannot wait.
    const posix::Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Valid())
        return ReadResult::Missing;
    if (::fstat(fd.Get(), &st) != 0)
        return ReadResult::ReadError;
    if (!S_ISREG(st.st_mode))
        return ReadResult::NotRegular;
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return ReadResult::TooLarge;
    // The file may grow while it is read: read one byte past the limit to see it.
    contents.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == contents.size()) {
            if (contents.size() > maxBytes)
                break;
            contents.resize(std::min(maxBytes + 1, contents.size() * 2));
        }
        const ssize_t n = ::read(fd.Get(), contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            contents.clear();
            return ReadResult::ReadError;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (done > maxBytes) {
        contents.clear();
        return ReadResult::TooLarge;
    }
    contents.resize(done);
    return ReadResult::Ok;
}

} // namespace harrowdale::platform
