#pragma once

// Scanning a folder of another machine: the system's ssh client runs a scanner there
// (harrowdale-scan, else ncdu, else gdu, found in one call) and its scan file is read from
// ssh's output as it arrives, as a scan file is read from a pipe.

#include "exchange/ScanTreeImport.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

/// A remote scan that failed; what() is one translated line naming the host.
class ERemoteScanError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Where to scan: `[user@]host[:port]` and the folder there.
struct TRemoteTarget
{
    std::string User; ///< "" for ssh's choice (the configuration's, else the local name)
    std::string Host; ///< an IPv6 address without its brackets, as ssh takes it
    int Port = 0;     ///< 0 for ssh's choice
    std::string Path;
    /// The host as the user writes it: an IPv6 address in brackets.
    std::string HostText() const
    {
        return Host.find(':') == std::string::npos ? Host : "[" + Host + "]";
    }
    /// "host:path" as the result names the scan.
    std::string Label() const { return HostText() + ":" + Path; }
};

/// Reads `[user@]host[:port]`, where the host may be an IPv6 address in brackets
/// (`[::1]`, `user@[fe80::1%eth0]:2222`); nullopt with `error` set (translated) when it is
/// not one: an empty host, a host starting with '-' (ssh would take it for an option),
/// blanks or control characters, a port outside 1..65535, brackets unclosed or around
/// something else, an address with colons outside brackets.
std::optional<TRemoteTarget> ParseRemoteHost(std::string_view text, std::string& error);
/// Reads `[user@]host[:port]:PATH`: the first ':' (after a ']') ends the host, and a number ended
/// by a second ':' is the port ("srv:2222:/data"). The path is taken as given (relative paths are
/// relative to the remote home folder).
std::optional<TRemoteTarget> ParseRemoteTarget(std::string_view text, std::string& error);

/// `text` as one word of a POSIX shell command line: in single quotes, each ' as '\''.
std::string QuoteForPosixShell(std::string_view text);

/// The command the remote login shell (a POSIX shell) runs: the first scanner found on
/// its PATH writes the scan file of `path` to standard output; the scanner is ended when
/// the connection's input closes (ssh gone, or Stop).
std::string RemoteScanCommand(std::string_view path);

/// The ssh command line, as an argument list: batch mode (never a prompt), the user's
/// own configuration and known hosts, or the configuration file `sshConfig` when given.
std::vector<std::string> RemoteScanArguments(const TRemoteTarget& target,
                                             const std::string& sshConfig = {});

struct TRemoteProgress
{
    std::int64_t Files = 0, Dirs = 0;
    std::uint64_t BytesReceived = 0;
};

/// Scans `target` through ssh and builds the tree as ImportScan does with `context`.
/// `onProgress` is called every few thousand entries on this thread. Stops at once when
/// the context is cancelled (asked at least every 50 ms while waiting): ssh and its
/// remote command are ended and EImportCancelled is thrown. Every failure throws
/// ERemoteScanError with one line: ssh missing, the host unknown or unreachable, its key
/// unknown, the login refused, no scanner on the remote machine, the remote command's
/// own error, the stream cut off in the middle.
TImportResult RunRemoteScan(const TRemoteTarget& target, const TScanContext& context,
                            const std::string& sshConfig = {},
                            const std::function<void(const TRemoteProgress&)>& onProgress = {});

/// Scans every target and joins the results (JoinScans, each named by its Label) under
/// `rootName`; one target gives its tree alone.
TImportResult RunRemoteScans(const std::vector<TRemoteTarget>& targets, const TScanContext& context,
                             const std::string& rootName, const std::string& sshConfig = {},
                             const std::function<void(const TRemoteProgress&)>& onProgress = {});

} // namespace harrowdale
