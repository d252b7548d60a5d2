#include "exchange/RemoteScan.h"

#include "exchange/JoinedScans.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/ChildProcess.h"

#include <charconv>

namespace harrowdale {

namespace {

/// What the remote command says on standard error when no scanner is installed.
constexpr std::string_view kNoScannerMark = "harrowdale-remote: no scanner";
constexpr int kNoScannerStatus = 127;
constexpr int kSshFailure = 255; ///< ssh's own status for its own errors

bool HasControlOrBlank(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return true;
    return false;
}

// The last line of what a program wrote to standard error that says something.
std::string LastLine(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t end = text.find_last_not_of("\r\n");
        if (end == std::string_view::npos)
            break;
        text = text.substr(0, end + 1);
        const std::size_t start = text.find_last_of('\n');
        std::string_view line = text.substr(start == std::string_view::npos ? 0 : start + 1);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            return std::string(line);
        text = text.substr(0, start == std::string_view::npos ? 0 : start);
    }
    return {};
}

// The inside of "[...]": an IPv6 address, with a zone ("%eth0") for a link-local one.
bool IsAddressLiteral(std::string_view text)
{
    const std::size_t percent = text.find('%');
    const std::string_view address = text.substr(0, percent);
    if (address.find(':') == std::string_view::npos ||
        address.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
        return false;
    if (percent == std::string_view::npos)
        return true;
    const std::string_view zone = text.substr(percent + 1);
    return !zone.empty() && !HasControlOrBlank(zone) &&
           zone.find_first_of("[]%") == std::string_view::npos;
}

std::string BracketsError(std::string_view text)
{
    return FormatText(Translate("Not a host name: \"%s\"; an IPv6 address goes in square "
                                "brackets, as [::1] or user@[fe80::1%%eth0]:2222"),
                      {std::string(text)});
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// ssh says why it failed in words of its own; the user needs to know which of a few
// things to fix.
std::string SshFailureText(const std::string& host, const std::string& err)
{
    const std::string line = LastLine(err);
    if (Contains(err, "Permission denied"))
        return FormatText(Translate("%s refused the login: no key of yours was accepted (%s)"),
                          {host, line});
    if (Contains(err, "Host key verification failed") ||
        Contains(err, "REMOTE HOST IDENTIFICATION HAS CHANGED"))
        return FormatText(Translate("The host key of %s is not known or has changed: connect "
                                    "once with ssh to check it (%s)"),
                          {host, line});
    return FormatText(Translate("Cannot reach %s: %s"), {host, line});
}

/// ssh's standard output as a byte source, counting what arrives.
class TSshSource : public TByteSource
{
public:
    TSshSource(platform::TChildProcess& ssh, const TScanContext& context)
        : FSsh(ssh), FContext(context)
    {
    }
    std::size_t Read(char* data, std::size_t size) override
    {
        const std::size_t n = FSsh.Read(data, size, [this] { return FContext.IsCancelled(); });
        Received += n;
        return n;
    }
    std::uint64_t Received = 0;

private:
    platform::TChildProcess& FSsh;
    const TScanContext& FContext;
};

} // namespace

std::optional<TRemoteTarget> ParseRemoteHost(std::string_view text, std::string& error)
{
    TRemoteTarget t;
    std::string_view rest = text;
    // A zone ("%eth0") never holds an '@', so the user ends at the last one before a '['.
    const std::size_t bracket = rest.find('[');
    if (const std::size_t at = rest.rfind('@', bracket);
        at != std::string_view::npos && (bracket == std::string_view::npos || at < bracket)) {
        t.User = std::string(rest.substr(0, at));
        rest = rest.substr(at + 1);
    }
    std::optional<std::string_view> port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        const std::string_view after =
            close == std::string_view::npos ? std::string_view() : rest.substr(close + 1);
        if (close == std::string_view::npos || !IsAddressLiteral(rest.substr(1, close - 1)) ||
            (!after.empty() && after.front() != ':')) {
            error = BracketsError(text);
            return std::nullopt;
        }
        t.Host = std::string(rest.substr(1, close - 1));
        if (!after.empty())
            port = after.substr(1);
    } else {
        if (rest.find_first_of("[]") != std::string_view::npos) {
            error = BracketsError(text);
            return std::nullopt;
        }
        if (const std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
            port = rest.substr(colon + 1);
            rest = rest.substr(0, colon);
        }
        t.Host = std::string(rest);
        // "::1" or "fe80::1:2222": an address whose colons would be read as a port.
        if (port && port->find(':') != std::string_view::npos) {
            error = BracketsError(text);
            return std::nullopt;
        }
    }
    if (port) {
        const auto [p, ec] = std::from_chars(port->data(), port->data() + port->size(), t.Port);
        if (ec != std::errc() || p != port->data() + port->size() || t.Port < 1 || t.Port > 65535) {
            error = FormatText(Translate("Not a port number: \"%s\""), {std::string(*port)});
            return std::nullopt;
        }
    }
    // ssh reads a word starting with '-' as an option, whatever comes before it.
    if (t.Host.empty() || t.Host.front() == '-' || HasControlOrBlank(t.Host) ||
        (!t.User.empty() && (t.User.front() == '-' || HasControlOrBlank(t.User))) ||
        (text.find('@') != std::string_view::npos && t.User.empty())) {
        error = FormatText(Translate("Not a host name: \"%s\""), {std::string(text)});
        return std::nullopt;
    }
    return t;
}

std::optional<TRemoteTarget> ParseRemoteTarget(std::string_view text, std::string& error)
{
    const std::size_t at = text.rfind('@', text.find(':'));
    const std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
    // The colons of an address in brackets are its own; the host ends after the ']'.
    std::size_t from = hostStart;
    if (hostStart < text.size() && text[hostStart] == '[') {
        from = text.find(']', hostStart);
        if (from == std::string_view::npos) {
            error = BracketsError(text);
            return std::nullopt;
        }
    }
    const std::size_t colon = text.find(':', from);
    if (colon == std::string_view::npos) {
        error = FormatText(Translate("Give a host and a folder as host:/folder, not \"%s\""),
                           {std::string(text)});
        return std::nullopt;
    }
    std::size_t hostEnd = colon;
    // "host:2222:/path": a number between two colons is the port.
    if (const std::size_t second = text.find(':', colon + 1); second != std::string_view::npos) {
        const std::string_view between = text.substr(colon + 1, second - colon - 1);
        if (!between.empty() && between.find_first_not_of("0123456789") == std::string_view::npos)
            hostEnd = second;
    }
    std::optional<TRemoteTarget> t = ParseRemoteHost(text.substr(0, hostEnd), error);
    if (!t)
        return std::nullopt;
    t->Path = std::string(text.substr(hostEnd + 1));
    if (t->Path.empty()) {
        error = FormatText(Translate("Give a host and a folder as host:/folder, not \"%s\""),
                           {std::string(text)});
        return std::nullopt;
    }
    return t;
}

std::string QuoteForPosixShell(std::string_view text)
{
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    out += "'";
    return out;
}

std::string RemoteScanCommand(std::string_view path)
{
    // One call finds the scanner and runs it. Its input is the connection's: a watcher
    // ends it when that closes, for without a terminal nothing else tells a remote command
    // that ssh is gone. A path that starts with '-' is given as ./-... to scanners that
    // may take it for an option.
    return "p=" + QuoteForPosixShell(path) +
           "; case $p in -*) p=./$p;; esac"
           "; if command -v harrowdale-scan >/dev/null 2>&1; then set -- harrowdale-scan "
           "--export - --no-progress -- \"$p\""
           "; elif command -v ncdu >/dev/null 2>&1; then set -- ncdu -0 -x -o- \"$p\""
           "; elif command -v gdu >/dev/null 2>&1; then set -- gdu -n -x -o- \"$p\""
           "; else echo '" +
           std::string(kNoScannerMark) + "' >&2; exit " + std::to_string(kNoScannerStatus) +
           "; fi"
           "; exec 3<&0; \"$@\" </dev/null 3<&- & s=$!"
           "; (while read -r _; do :; done <&3; kill $s 2>/dev/null) & w=$!"
           "; exec 3<&-; wait $s; r=$?; kill $w 2>/dev/null; exit $r";
}

std::vector<std::string> RemoteScanArguments(const TRemoteTarget& target,
                                             const std::string& sshConfig)
{
    // Nothing but the command's output travels: no agent, X11 display or port
    // forwarded from the user's configuration, which the scanned machine would have to set
    // up (xauth, listeners) and could misuse, and whose busy port could fail the scan.
    std::vector<std::string> args{"ssh", "-o", "BatchMode=yes", "-a", "-x"};
    args.insert(args.end(), {"-o", "ClearAllForwardings=yes"});
    if (!sshConfig.empty())
        args.insert(args.end(), {"-F", sshConfig});
    if (target.Port != 0)
        args.insert(args.end(), {"-p", std::to_string(target.Port)});
    if (!target.User.empty())
        args.insert(args.end(), {"-l", target.User});
    args.insert(args.end(), {"--", target.Host, RemoteScanCommand(target.Path)});
    return args;
}

TImportResult RunRemoteScan(const TRemoteTarget& target, const TScanContext& context,
                            const std::string& sshConfig,
                            const std::function<void(const TRemoteProgress&)>& onProgress)
{
    std::optional<platform::TChildProcess> ssh;
    try {
        ssh.emplace(RemoteScanArguments(target, sshConfig));
    } catch (const platform::ESpawnError& e) {
        if (e.NotFound)
            throw ERemoteScanError(Translate(
                "The ssh program was not found: install the OpenSSH client (openssh-client)."));
        throw ERemoteScanError(e.what());
    }
    TSshSource source(*ssh, context);
    std::optional<TImportResult> result;
    std::string readError;
    try {
        result = ImportScan(source, context, [&](std::int64_t files, std::int64_t dirs) {
            if (onProgress)
                onProgress({files, dirs, source.Received});
        });
    } catch (const platform::EReadCancelled&) {
        ssh->Stop();
        throw EImportCancelled();
    } catch (const EImportCancelled&) {
        ssh->Stop();
        throw;
    } catch (const EExchangeError& e) {
        readError = e.what();
    } catch (const std::runtime_error& e) { // the pipe itself
        readError = e.what();
    }
    // A whole scan file is the result, whatever the status: the remote scanner may be
    // ended by its watcher as the connection closes, and one that met unreadable folders
    // says so by its status.
    if (result) {
        ssh->Wait();
        return std::move(*result);
    }
    const int status = ssh->Wait();
    const std::string& err = ssh->ErrorOutput();
    const std::string host = target.HostText();
    if (status == kNoScannerStatus && Contains(err, kNoScannerMark))
        throw ERemoteScanError(
            FormatText(Translate("No scanner found on %s: install harrowdale-scan, ncdu or gdu "
                                 "there."),
                       {host}));
    if (source.Received > 0)
        throw ERemoteScanError(
            FormatText(Translate("The scan of %s was cut off: %s"),
                       {target.Label(), LastLine(err).empty() ? readError : LastLine(err)}));
    if (status == kSshFailure)
        throw ERemoteScanError(SshFailureText(host, err));
    const std::string line = LastLine(err);
    throw ERemoteScanError(
        FormatText(Translate("The scan on %s failed: %s"),
                   {host, !line.empty() ? line
                          : status != 0 ? FormatText(Translate("exit status %d"), {status})
                                        : readError}));
}

TImportResult RunRemoteScans(const std::vector<TRemoteTarget>& targets, const TScanContext& context,
                             const std::string& rootName, const std::string& sshConfig,
                             const std::function<void(const TRemoteProgress&)>& onProgress)
{
    std::vector<TJoinPart> parts;
    TRemoteProgress before;
    for (const TRemoteTarget& target : targets) {
        TJoinPart part;
        part.Scan = RunRemoteScan(target, context, sshConfig, [&](const TRemoteProgress& p) {
            if (onProgress)
                onProgress({before.Files + p.Files, before.Dirs + p.Dirs,
                            before.BytesReceived + p.BytesReceived});
        });
        const TDirNode* root = part.Scan.Tree->Root();
        before.Files += root->TotalFiles();
        before.Dirs += root->TotalDirs();
        part.Label = target.HostText() + ":" + root->FullPath();
        parts.push_back(std::move(part));
    }
    try {
        return JoinScans(std::move(parts), rootName);
    } catch (const EExchangeError& e) {
        throw ERemoteScanError(e.what());
    }
}

} // namespace harrowdale
