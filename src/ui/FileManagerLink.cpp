#include "ui/FileManagerLink.h"

#include "ui/Services.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <unordered_set>

namespace harrowdale::ui {

TFileManagerLink::TFileManagerLink(QDBusConnection bus,
                                   std::function<void(const std::string&)> openFolder,
                                   QObject* parent)
    : QObject(parent), FBus(std::move(bus)), FOpenFolder(std::move(openFolder))
{
}

void TFileManagerLink::ShowItems(const std::vector<std::string>& paths)
{
    Call(QStringLiteral("ShowItems"), paths);
}

void TFileManagerLink::ShowItemProperties(const std::vector<std::string>& paths)
{
    Call(QStringLiteral("ShowItemProperties"), paths);
}

void TFileManagerLink::Call(const QString& method, const std::vector<std::string>& paths)
{
    if (paths.empty())
        return;
    // One call for the whole selection: the file manager shows each folder once, with
    // all of its items selected.
    QStringList uris;
    for (const std::string& p : paths)
        uris << FileUri(p);
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    call << uris << QString();
    const QDBusPendingCall pending = FBus.asyncCall(call, FTimeoutMs);
    if (pending.isFinished()) {
        // Failed at once (no bus): a watcher would never report it. Fall back from the
        // event loop all the same, as for any other answer.
        QMetaObject::invokeMethod(
            this,
            [this, pending, paths] {
                if (pending.isError())
                    OpenParentFolders(paths);
            },
            Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, paths](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (w->isError())
                    OpenParentFolders(paths);
            });
}

void TFileManagerLink::OpenParentFolders(const std::vector<std::string>& paths)
{
    std::unordered_set<std::string> opened;
    for (const std::string& p : paths) {
        std::string folder = ParentFolder(p);
        if (opened.insert(folder).second)
            FOpenFolder(folder);
    }
}

std::string ParentFolder(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return path;
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace harrowdale::ui
