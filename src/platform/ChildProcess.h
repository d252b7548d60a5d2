#pragma once

// A helper program run by argument list (never through a shell), whose standard output is
// read as a stream: the ssh client of a scan of another machine.

#include "platform/ByteFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace harrowdale::platform {

/// The program could not be started; NotFound when it is on no folder of PATH.
class ESpawnError : public std::runtime_error
{
public:
    ESpawnError(const std::string& what, bool notFound)
        : std::runtime_error(what), NotFound(notFound)
    {
    }
    bool NotFound;
};

/// One running program. Its standard input is a pipe held open until Wait or Stop (so a
/// remote command can tell when its reader is gone), its standard output is read with
/// Read, its standard error is kept (the last 64 KiB) for the error line. It runs in a
/// process group of its own, which Stop ends whole.
class TChildProcess
{
public:
    /// Starts `args[0]`, looked up in PATH, with `args`. Throws ESpawnError.
    explicit TChildProcess(const std::vector<std::string>& args);
    /// Stops the program if it still runs.
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    /// Reads up to `size` bytes of its standard output; 0 at the end. Drains its standard
    /// error meanwhile. Throws EReadCancelled once `cancelled` says so (asked at least
    /// every 50 ms while waiting), and std::runtime_error when the pipe cannot be read.
    std::size_t Read(char* data, std::size_t size, const TReadCancelCheck& cancelled);
    /// Closes its standard input, reads what is left of its standard error and waits for
    /// it to end: its exit status, or 128 + the signal that ended it.
    int Wait();
    /// Ends the program and everything it started, and waits for it: its input is closed
    /// and it is terminated, and killed when it still runs 100 ms later. Nothing happens
    /// once it has ended.
    void Stop();
    /// What it wrote to standard error (the last 64 KiB).
    const std::string& ErrorOutput() const;

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

} // namespace harrowdale::platform
