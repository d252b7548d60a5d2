#pragma once

// Where the start-up version check asks, and how long it may wait.

#include <QUrl>
#include <chrono>

namespace harrowdale::update {

struct TUpdateConfig
{
    /// Whether start-up asks at all. Builds that a distribution's package manager keeps
    /// up to date switch it off (HARROWDALE_UPDATE_CHECK).
    bool Enabled = true;
    /// Base of the version file, the change list and the installer.
    QUrl Website;
    /// Opened in the browser when a download fails.
    QUrl HomePage;
    /// Longest time the whole check may take, both requests from asking to the end of
    /// their answers: servers that trickle their answers cannot hold start-up.
    std::chrono::milliseconds CheckDeadline{10000};
    /// Largest answer of the check; a longer one (or an endless stream) fails it.
    qint64 MaxAnswerBytes = 64 * 1024;
    /// The installer download ends when nothing has come for this long...
    std::chrono::milliseconds DownloadStallTimeout{30000};
    /// ...or when the installer grows past this size.
    qint64 MaxInstallerBytes = qint64(1) << 30;
};

/// Enabled as the build says; the build's website (HARROWDALE_WEBSITE) for both
/// addresses; HARROWDALE_UPDATE_URL in the environment, when set, replaces the base of
/// the requests (tests point it at a local server).
TUpdateConfig DefaultUpdateConfig();

/// Whether an installer may be fetched from `url` and started: HTTPS, or plain HTTP to
/// this machine's loopback address. Anything else lets whoever sits on the network path
/// swap the installer.
bool IsTrustedUpdateUrl(const QUrl& url);

/// 127.0.0.1, ::1 and the like, and "localhost".
bool IsLoopbackHost(const QString& host);

/// Whether a request to `configured` may follow a redirect to `target`: to HTTPS, or to
/// plain HTTP on this machine when `configured` is on this machine too. A plain-HTTP hop
/// anywhere else would let the network path answer in the website's name.
bool IsAllowedRedirect(const QUrl& configured, const QUrl& target);

/// The running version in tenths, as the version file writes versions: 2.2 is 22.
int RunningVersion();

} // namespace harrowdale::update
