#include "ui/FileIcons.h"

#include "scan/ScanTree.h"

#include <QFileIconProvider>
#include <QMimeDatabase>

namespace harrowdale::ui {

QIcon TFileIcons::ForExtension(std::string_view ext)
{
    const QString key = QString::fromUtf8(ext.data(), static_cast<qsizetype>(ext.size())).toLower();
    if (const auto it = FByExt.constFind(key); it != FByExt.constEnd())
        return *it;
    QIcon icon;
    if (!key.isEmpty() && key != QLatin1String("(none)")) {
        const QMimeDatabase db;
        const QMimeType mime =
            db.mimeTypeForFile(QLatin1String("x") + key, QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    }
    if (icon.isNull())
        icon = QFileIconProvider().icon(QFileIconProvider::File);
    FByExt.insert(key, icon);
    return icon;
}

QIcon TFileIcons::ForFileName(std::string_view name)
{
    return ForExtension(RawFileExt(name));
}

QIcon TFileIcons::Folder()
{
    if (FFolder.isNull())
        FFolder = QIcon::fromTheme(QStringLiteral("folder"),
                                   QFileIconProvider().icon(QFileIconProvider::Folder));
    return FFolder;
}

TFileIcons& FileIcons()
{
    static TFileIcons icons;
    return icons;
}

} // namespace harrowdale::ui
