#pragma once

// What the window asks of the desktop, behind small interfaces so that tests can answer
// message boxes and pickers themselves and record shell calls instead of launching
// programs. The program uses the Qt/desktop implementations (QtServices.cpp).

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace harrowdale::ui {

struct TRemoteFolderChoice;

class IMessageBoxes
{
public:
    virtual ~IMessageBoxes() = default;
    /// An error box with a single OK button.
    virtual void Error(QWidget* parent, const QString& text) = 0;
    /// An information box with a single OK button.
    virtual void Info(QWidget* parent, const QString& title, const QString& text) = 0;
    /// A Yes/No question (a warning when `warning`); true for Yes.
    virtual bool Confirm(QWidget* parent, const QString& text, bool warning = false) = 0;
};

class IFolderPicker
{
public:
    virtual ~IFolderPicker() = default;
    /// The folder the user chose (path bytes), or nullopt when the picker was cancelled.
    virtual std::optional<std::string> PickFolder(QWidget* parent, const QString& caption,
                                                  const std::string& startFolder) = 0;
    /// Hosts and a folder of theirs to scan (RemoteFolders.h), the recent hosts offered;
    /// nullopt when the dialog was cancelled.
    virtual std::optional<TRemoteFolderChoice>
    PickRemoteFolder(QWidget* parent, const QString& caption,
                     const std::vector<std::string>& recentHosts,
                     const std::string& lastFolder) = 0;
};

class IFilePicker
{
public:
    virtual ~IFilePicker() = default;
    /// A file to read (path bytes), or nullopt when the dialog was cancelled. `filter` as
    /// Qt's file dialogs take it ("Name (*.a *.b);;Other (*)").
    virtual std::optional<std::string> OpenFile(QWidget* parent, const QString& caption,
                                                const QString& filter) = 0;
    /// Files to read, one or several chosen at once; none when the dialog was cancelled.
    virtual std::vector<std::string> OpenFiles(QWidget* parent, const QString& caption,
                                               const QString& filter)
    {
        std::optional<std::string> one = OpenFile(parent, caption, filter);
        return one ? std::vector<std::string>{*one} : std::vector<std::string>{};
    }
    /// A file to write, proposed as `suggestedName`; the dialog asks before the name of an
    /// existing file is taken. Nullopt when cancelled.
    virtual std::optional<std::string> SaveFile(QWidget* parent, const QString& caption,
                                                const QString& filter,
                                                const QString& suggestedName) = 0;
};

class IShell
{
public:
    virtual ~IShell() = default;
    /// Opens a web page in the default browser.
    virtual void OpenWebPage(const QString& url) = 0;
    /// Opens a file or folder (path bytes) with the desktop's default application.
    virtual void OpenPath(const std::string& path) = 0;
    /// Shows the items in the file manager, selected; where it does not answer, opens
    /// their parent folders instead, once each. Returns without waiting for it.
    virtual void RevealInFileManager(const std::vector<std::string>& paths) = 0;
    /// Shows the file manager's properties of the items, with the same fall-back.
    virtual void ShowProperties(const std::vector<std::string>& paths) = 0;
};

struct TUiServices
{
    std::unique_ptr<IMessageBoxes> Messages;
    std::unique_ptr<IFolderPicker> Folders;
    std::unique_ptr<IFilePicker> Files;
    std::unique_ptr<IShell> Shell;
};

/// The real desktop implementations.
TUiServices DesktopServices();

/// A file:// URI of path bytes, every byte outside the unreserved set percent-encoded, so
/// a name that is not valid UTF-8 reaches the file manager as itself.
QString FileUri(const std::string& path);

/// Path bytes to text for display (VisiblePathText: invalid UTF-8 as U+FFFD, control
/// characters and bidirectional marks as visible escapes, a newline as a backslash and
/// "n"). Never turn the result back into a path.
QString DisplayText(const std::string& bytes);

} // namespace harrowdale::ui
