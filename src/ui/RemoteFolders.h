#pragma once

// File > "Scan Remote Folder...": the hosts and the folder asked for, the recent hosts
// remembered between runs, and the targets they make.
//
// Thread: UI thread only.

#include "exchange/RemoteScan.h"

#include <QString>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace harrowdale::ui {

/// What the dialog was given: one or several `[user@]host[:port]` separated by blanks or
/// commas, and the folder to scan on each.
struct TRemoteFolderChoice
{
    std::string Hosts;
    std::string Folder;
};

/// The hosts texts last scanned, the most recent first (at most kRecentRemoteHosts), and
/// the folder last scanned.
std::vector<std::string> RecentRemoteHosts();
std::string LastRemoteFolder();
/// Puts `choice` first in the recent list (once) and keeps its folder.
void RememberRemoteChoice(const TRemoteFolderChoice& choice);
inline constexpr int kRecentRemoteHosts = 8;

/// The targets `choice` names, in the order given; nullopt with `error` set (translated)
/// when a host is not one, none is given or the folder is empty.
std::optional<std::vector<TRemoteTarget>> RemoteTargets(const TRemoteFolderChoice& choice,
                                                        std::string& error);

/// "nas:/srv" for one target, "nas:/srv, backup:/srv" for several: how the window names
/// what it shows.
std::string RemoteTargetsText(const std::vector<TRemoteTarget>& targets);

/// The desktop's dialog: hosts (an editable list of the recent ones) and the folder.
std::optional<TRemoteFolderChoice> AskRemoteFolder(QWidget* parent, const QString& caption,
                                                   const std::vector<std::string>& recentHosts,
                                                   const std::string& lastFolder);

} // namespace harrowdale::ui
