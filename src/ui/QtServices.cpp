#include "platform/FileOps.h"
#include "ui/FileManagerLink.h"
#include "ui/RemoteFolders.h"
#include "ui/Services.h"
#include "ui/text/DisplayFormat.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace harrowdale::ui {

namespace {

// Texts hold file names, which may look like markup ("<b>x</b>"): always plain text.
int ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

class TQtMessageBoxes final : public IMessageBoxes
{
public:
    void Error(QWidget* parent, const QString& text) override
    {
        ShowBox(parent, QMessageBox::Critical, QStringLiteral("Harrowdale"), text, QMessageBox::Ok,
                QMessageBox::Ok);
    }
    void Info(QWidget* parent, const QString& title, const QString& text) override
    {
        ShowBox(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
    }
    bool Confirm(QWidget* parent, const QString& text, bool warning) override
    {
        return ShowBox(parent, warning ? QMessageBox::Warning : QMessageBox::Question,
                       QStringLiteral("Harrowdale"), text, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::No) == QMessageBox::Yes;
    }
};

class TQtFolderPicker final : public IFolderPicker
{
public:
    std::optional<std::string> PickFolder(QWidget* parent, const QString& caption,
                                          const std::string& startFolder) override
    {
        const QString dir = QFileDialog::getExistingDirectory(
            parent, caption, QFile::decodeName(QByteArray::fromStdString(startFolder)),
            QFileDialog::ShowDirsOnly);
        if (dir.isEmpty())
            return std::nullopt;
        return QFile::encodeName(dir).toStdString();
    }
    std::optional<TRemoteFolderChoice> PickRemoteFolder(QWidget* parent, const QString& caption,
                                                        const std::vector<std::string>& recentHosts,
                                                        const std::string& lastFolder) override
    {
        return AskRemoteFolder(parent, caption, recentHosts, lastFolder);
    }
};

class TQtFilePicker final : public IFilePicker
{
public:
    std::optional<std::string> OpenFile(QWidget* parent, const QString& caption,
                                        const QString& filter) override
    {
        return Chosen(QFileDialog::getOpenFileName(parent, caption, QString(), filter));
    }
    std::vector<std::string> OpenFiles(QWidget* parent, const QString& caption,
                                       const QString& filter) override
    {
        std::vector<std::string> files;
        for (const QString& file :
             QFileDialog::getOpenFileNames(parent, caption, QString(), filter))
            if (std::optional<std::string> path = Chosen(file))
                files.push_back(std::move(*path));
        return files;
    }
    std::optional<std::string> SaveFile(QWidget* parent, const QString& caption,
                                        const QString& filter,
                                        const QString& suggestedName) override
    {
        return Chosen(QFileDialog::getSaveFileName(parent, caption, suggestedName, filter));
    }

private:
    static std::optional<std::string> Chosen(const QString& file)
    {
        if (file.isEmpty())
            return std::nullopt;
        return QFile::encodeName(file).toStdString();
    }
};

class TDesktopShell final : public IShell
{
public:
    TDesktopShell()
        : FFileManager(QDBusConnection::sessionBus(),
                       [this](const std::string& folder) { OpenPath(folder); })
    {
    }
    void OpenWebPage(const QString& url) override { QDesktopServices::openUrl(QUrl(url)); }
    void OpenPath(const std::string& path) override
    {
        QDesktopServices::openUrl(QUrl(FileUri(path), QUrl::StrictMode));
    }
    void RevealInFileManager(const std::vector<std::string>& paths) override
    {
        FFileManager.ShowItems(paths);
    }
    void ShowProperties(const std::vector<std::string>& paths) override
    {
        FFileManager.ShowItemProperties(paths);
    }

private:
    TFileManagerLink FFileManager;
};

} // namespace

TUiServices DesktopServices()
{
    TUiServices s;
    s.Messages = std::make_unique<TQtMessageBoxes>();
    s.Folders = std::make_unique<TQtFolderPicker>();
    s.Files = std::make_unique<TQtFilePicker>();
    s.Shell = std::make_unique<TDesktopShell>();
    return s;
}

QString FileUri(const std::string& path)
{
    return QStringLiteral("file://") + QString::fromLatin1(platform::PercentEncodePath(path));
}

QString DisplayText(const std::string& bytes)
{
    return QString::fromStdString(VisiblePathText(bytes));
}

} // namespace harrowdale::ui
