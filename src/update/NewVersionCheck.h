#pragma once

// The start-up question to the maker's website: is there a newer version, and is this one
// still allowed to run? Nothing here is translated: the dialog speaks English.
//
// Thread: user-interface thread only; the check blocks start-up until both answers are in
// or have failed, within one deadline for the two.

#include "update/UpdateConfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace harrowdale::update {

/// What the check hands to the dialog and the dialog to start-up.
struct TNewVersionState
{
    bool MustExit = false;          ///< the program ends when the dialog closes
    bool DownloadCancelled = false; ///< set by Abort while the installer downloads
    QString NewVersionMessage;      ///< the dialog's text
};

/// The version file's first line "L/M": the latest version and the oldest one allowed to
/// run, both in tenths.
struct TVersionLine
{
    int Latest = 0;
    int Minimum = 0;
    QString LatestText; ///< L as shown: "2.3" for 23
};

/// Parses "L/M" (blanks around a number tolerated). nullopt when there is no "/" or a
/// part is not a whole number.
std::optional<TVersionLine> ParseVersionLine(const QString& line);

/// The lines of a UTF-8 answer (byte-order mark skipped; CR LF, LF or CR).
QStringList AnswerLines(const QByteArray& body);

/// CheckForNewVersion: asks for the version file and the change list. True when the
/// dialog must be shown: `state` then holds its message and, when this version is below
/// the minimum, MustExit. Any failure (no network, an error answer, a time-out, a
/// malformed version line, an untrusted address) gives false and shows nothing.
bool CheckForNewVersion(const TUpdateConfig& config, TNewVersionState& state);

/// The address of `path` on the website of `config`.
QUrl EndpointUrl(const TUpdateConfig& config, const QString& path);

} // namespace harrowdale::update
