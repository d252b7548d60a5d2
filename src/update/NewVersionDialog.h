#pragma once

// The new-version dialog: the check's message, "Update Now" and "Skip" (or "Exit" when
// this version may no longer run); during the download a progress bar and "Abort". Its
// Tag tells start-up whether to go on (1) or to end the program (0).

#include "update/NewVersionCheck.h"
#include "update/UpdateConfig.h"

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace harrowdale::ui {
class IMessageBoxes;
class IShell;
} // namespace harrowdale::ui

namespace harrowdale::update {

class THttpClient;
struct THttpHead;

/// Where the installer lies on the website (the .deb package on Linux); the saved file
/// takes its name.
QString InstallerPath();

class TfrmNewVersion : public QDialog
{
    Q_OBJECT
public:
    TfrmNewVersion(TNewVersionState& state, TUpdateConfig config, ui::IMessageBoxes& messages,
                   ui::IShell& shell, QWidget* parent = nullptr);
    ~TfrmNewVersion() override;

    /// 1: start-up goes on; 0: the program ends.
    int Tag() const { return FTag; }

    void btUpdateNowClick();
    void btCancelClick();

    QLabel* Label1 = nullptr;
    QLabel* VirtualImage1 = nullptr;
    QPushButton* btUpdateNow = nullptr;
    QPushButton* btCancel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormShow();
    void FormClose();
    /// Progress of the download; a non-empty result stops it with that error.
    QString DownloadWork(qint64 workCount, const THttpHead& head);
    /// Saves the installer into a new private file; `target` receives its path.
    QString Download(std::string& target);

    TNewVersionState& FState;
    TUpdateConfig FConfig;
    ui::IMessageBoxes& FMessages;
    ui::IShell& FShell;
    std::unique_ptr<THttpClient> FClient; ///< alive while the installer downloads
    int FTag = 1;
};

} // namespace harrowdale::update
