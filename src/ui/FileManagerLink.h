#pragma once

// Asks the desktop's file manager, over D-Bus (org.freedesktop.FileManager1), to show
// items in their folders or to show their properties. The calls never wait: a file
// manager that is slow to start, or that takes the call and never answers, must not
// freeze the window. When the call fails or times out, each item's parent folder is
// opened instead, once per folder however many items it holds.
//
// Thread: UI thread only. Answers arriving after the link is destroyed are dropped.

#include <QDBusConnection>
#include <QObject>
#include <functional>
#include <string>
#include <vector>

namespace harrowdale::ui {

class TFileManagerLink : public QObject
{
    Q_OBJECT
public:
    /// `openFolder` opens a folder (path bytes) when the file manager did not take a call.
    TFileManagerLink(QDBusConnection bus, std::function<void(const std::string&)> openFolder,
                     QObject* parent = nullptr);

    /// How long a call may go unanswered before the fall-back runs.
    void SetTimeout(int milliseconds) { FTimeoutMs = milliseconds; }

    /// Shows the items (path bytes) in their folders, selected. Returns at once.
    void ShowItems(const std::vector<std::string>& paths);
    /// Shows the items' properties. Returns at once.
    void ShowItemProperties(const std::vector<std::string>& paths);

private:
    void Call(const QString& method, const std::vector<std::string>& paths);
    void OpenParentFolders(const std::vector<std::string>& paths);

    QDBusConnection FBus;
    std::function<void(const std::string&)> FOpenFolder;
    int FTimeoutMs = 3000;
};

/// The folder that holds `path` ("/" for an entry of the root; `path` itself when it has
/// no '/').
std::string ParentFolder(const std::string& path);

} // namespace harrowdale::ui
