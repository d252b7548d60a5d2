#pragma once

// Services that record what the window asked instead of showing boxes or launching
// programs; answers are set by the test.

#include "ui/RemoteFolders.h"
#include "ui/Services.h"

#include <QStringList>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for QString comparisons (found by argument lookup).
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace harrowdale::test {

struct ServiceLog
{
    QStringList Errors;
    QStringList Infos;
    QStringList Questions;
    std::vector<bool> QuestionWarns; ///< whether each question was asked as a warning
    bool Answer = true;
    std::optional<std::string> PickedFolder;
    std::optional<std::string> PickedOpenFile; ///< the answer of the open-file dialog
    /// The answer of File > "Scan Remote Folder...".
    std::optional<ui::TRemoteFolderChoice> PickedRemote;
    /// The answer when several files are chosen at once (else PickedOpenFile's).
    std::vector<std::string> PickedOpenFiles;
    std::optional<std::string> PickedSaveFile; ///< the answer of the save-file dialog
    std::vector<std::string> Opened;
    std::vector<std::string> Revealed;
    std::vector<std::string> Properties;
    QStringList WebPages;
};

class FakeMessages final : public ui::IMessageBoxes
{
public:
    explicit FakeMessages(ServiceLog& log) : FLog(log) {}
    void Error(QWidget*, const QString& text) override { FLog.Errors << text; }
    void Info(QWidget*, const QString&, const QString& text) override { FLog.Infos << text; }
    bool Confirm(QWidget*, const QString& text, bool warning) override
    {
        FLog.Questions << text;
        FLog.QuestionWarns.push_back(warning);
        return FLog.Answer;
    }

private:
    ServiceLog& FLog;
};

class FakeFolders final : public ui::IFolderPicker
{
public:
    explicit FakeFolders(ServiceLog& log) : FLog(log) {}
    std::optional<std::string> PickFolder(QWidget*, const QString&, const std::string&) override
    {
        return FLog.PickedFolder;
    }
    std::optional<ui::TRemoteFolderChoice> PickRemoteFolder(QWidget*, const QString&,
                                                            const std::vector<std::string>&,
                                                            const std::string&) override
    {
        return FLog.PickedRemote;
    }

private:
    ServiceLog& FLog;
};

class FakeFiles final : public ui::IFilePicker
{
public:
    explicit FakeFiles(ServiceLog& log) : FLog(log) {}
    std::optional<std::string> OpenFile(QWidget*, const QString&, const QString&) override
    {
        return FLog.PickedOpenFile;
    }
    std::vector<std::string> OpenFiles(QWidget* parent, const QString& caption,
                                       const QString& filter) override
    {
        if (!FLog.PickedOpenFiles.empty())
            return FLog.PickedOpenFiles;
        return ui::IFilePicker::OpenFiles(parent, caption, filter);
    }
    std::optional<std::string> SaveFile(QWidget*, const QString&, const QString&,
                                        const QString&) override
    {
        return FLog.PickedSaveFile;
    }

private:
    ServiceLog& FLog;
};

class FakeShell final : public ui::IShell
{
public:
    explicit FakeShell(ServiceLog& log) : FLog(log) {}
    void OpenWebPage(const QString& url) override { FLog.WebPages << url; }
    void OpenPath(const std::string& p) override { FLog.Opened.push_back(p); }
    void RevealInFileManager(const std::vector<std::string>& paths) override
    {
        FLog.Revealed.insert(FLog.Revealed.end(), paths.begin(), paths.end());
    }
    void ShowProperties(const std::vector<std::string>& paths) override
    {
        FLog.Properties.insert(FLog.Properties.end(), paths.begin(), paths.end());
    }

private:
    ServiceLog& FLog;
};

inline ui::TUiServices FakeServices(ServiceLog& log)
{
    ui::TUiServices s;
    s.Messages = std::make_unique<FakeMessages>(log);
    s.Folders = std::make_unique<FakeFolders>(log);
    s.Files = std::make_unique<FakeFiles>(log);
    s.Shell = std::make_unique<FakeShell>(log);
    return s;
}

} // namespace harrowdale::test
