#pragma once

// A named pipe and its writing end, for tests of a reader that must not be held by a
// writer that is late, slow or silent.

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace harrowdale::test {

class FifoWriter
{
public:
    /// Makes the pipe at `path`; Made() says whether it could.
    explicit FifoWriter(std::string path) : FPath(std::move(path))
    {
        FMade = ::mkfifo(FPath.c_str(), 0600) == 0;
    }
    ~FifoWriter() { Close(); }
    FifoWriter(const FifoWriter&) = delete;
    FifoWriter& operator=(const FifoWriter&) = delete;

    bool Made() const { return FMade; }

    /// Opens the writing end as soon as a reader has the pipe open (a reader that waits in
    /// its open() counts); false when none comes within `timeout`.
    bool Connect(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            FFd = ::open(FPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (FFd >= 0 || errno != ENXIO || std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return FFd >= 0;
    }

    /// Writes all of `bytes` (the reader must take them when more than the pipe holds).
    bool Send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t n = ::write(FFd, bytes.data(), bytes.size());
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (n < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            else
                bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    /// The end of the input, for a reader that has not given up.
    void Close()
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

    /// Lets a reader still waiting on the pipe go on (a writer comes and goes), so a test
    /// whose reader failed to give up ends all the same.
    void Release()
    {
        if (FFd < 0)
            Connect(std::chrono::milliseconds(0));
        Close();
    }

private:
    std::string FPath;
    int FFd = -1;
    bool FMade = false;
};

} // namespace harrowdale::test
