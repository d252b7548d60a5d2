#include "update/NewVersionDialog.h"

#include "platform/FileOps.h"
#include "platform/PrivateFiles.h"
#include "ui/Services.h"
#include "update/HttpClient.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace harrowdale::update {

namespace {

const QString kAbort = QStringLiteral("Abort");
const QString kCancelled = QStringLiteral("Download is cancelled. Please download manually.");

// A download arrow into a tray on a round green badge, unless the desktop theme has one.
QPixmap UpdatePicture()
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("system-software-update"));
    if (!themed.isNull())
        return themed.pixmap(64, 64);
    QPixmap pm(70, 70);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(46, 150, 80));
    p.drawEllipse(QRectF(3, 3, 64, 64));
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(35, 16), QPointF(35, 42));
    QPainterPath head;
    head.moveTo(24, 32);
    head.lineTo(35, 43);
    head.lineTo(46, 32);
    p.drawPath(head);
    p.drawLine(QPointF(21, 52), QPointF(49, 52));
    return pm;
}

} // namespace

QString InstallerPath()
{
    // On Linux the installer is the Debian package: the desktop's package installer
    // opens it, and it asks the user before it installs anything.
    return QStringLiteral("/download/harrowdale_amd64.deb");
}

TfrmNewVersion::TfrmNewVersion(TNewVersionState& state, TUpdateConfig config,
                               ui::IMessageBoxes& messages, ui::IShell& shell, QWidget* parent)
    : QDialog(parent), FState(state), FConfig(std::move(config)), FMessages(messages), FShell(shell)
{
    setFixedSize(414, 180);
    QFont f = font();
    f.setFamilies({QStringLiteral("Segoe UI"), f.family()}); // the desktop's own where absent
    f.setPixelSize(12);
    setFont(f);

    Label1 = new QLabel(this);
    Label1->setGeometry(90, 11, 327, 115);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText); // a change line may hold '<'
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    VirtualImage1 = new QLabel(this);
    VirtualImage1->setGeometry(9, 15, 70, 75);
    VirtualImage1->setAlignment(Qt::AlignCenter);
    VirtualImage1->setPixmap(UpdatePicture());
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(8, 133, 409, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    btUpdateNow = new QPushButton(this);
    btUpdateNow->setGeometry(209, 144, 100, 25);
    btCancel = new QPushButton(this);
    btCancel->setGeometry(322, 144, 75, 25);

    connect(btUpdateNow, &QPushButton::clicked, this, &TfrmNewVersion::btUpdateNowClick);
    connect(btCancel, &QPushButton::clicked, this, &TfrmNewVersion::btCancelClick);
}

TfrmNewVersion::~TfrmNewVersion() = default;

void TfrmNewVersion::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmNewVersion::FormShow()
{
    FTag = 1;
    setWindowTitle(QLatin1Char(' ') + QApplication::applicationName());
    btUpdateNow->setText(QStringLiteral("Update Now"));
    btCancel->setText(FState.MustExit ? QStringLiteral("Exit") : QStringLiteral("Skip"));
    Label1->setText(FState.NewVersionMessage);
}

void TfrmNewVersion::FormClose()
{
    if (FState.MustExit)
        FTag = 0;
}

void TfrmNewVersion::btCancelClick()
{
    if (btCancel->text() != kAbort) {
        close();
        return;
    }
    FState.DownloadCancelled = true;
    // A server that sends nothing more would never reach the progress handler's check.
    if (FClient)
        FClient->Abort(kCancelled);
}

void TfrmNewVersion::reject()
{
    // The close box and Escape end up here: during the download they are Abort, and the
    // dialog closes when the download has ended.
    if (FClient) {
        btCancelClick();
        return;
    }
    FormClose();
    QDialog::reject();
}

QString TfrmNewVersion::DownloadWork(qint64 workCount, const THttpHead& head)
{
    if (FState.DownloadCancelled)
        return kCancelled;
    // A chunked answer has no total: the bar stays where it is.
    if (!head.Chunked && head.ContentLength > 0) {
        ProgressBar1->setValue(
            static_cast<int>(std::clamp<qint64>(workCount * 100 / head.ContentLength, 0, 100)));
        ProgressBar1->repaint();
    }
    return {};
}

QString TfrmNewVersion::Download(std::string& target)
{
    const QUrl url = EndpointUrl(FConfig, InstallerPath());
    // A new folder of its own for each download: nothing planted in the shared temporary
    // folder can be followed or inherited.
    const platform::TCreatedFile created =
        platform::CreatePrivateFile(QFile::encodeName(url.fileName()).toStdString());
    if (created.Descriptor < 0)
        return QString::fromStdString(created.Error);
    target = created.Path;
    QFile file;
    if (!file.open(created.Descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return QStringLiteral("Cannot write %1: %2")
            .arg(QFile::decodeName(QByteArray::fromStdString(target)), file.errorString());
    const QString error = FClient->Download(url, file, [this](qint64 count, const THttpHead& head) {
        return DownloadWork(count, head);
    });
    file.close();
    if (!error.isEmpty()) {
        // A partial installer is of no use, and would fill the temporary folder at each try.
        platform::RemovePrivateFile(target);
        target.clear();
        return error;
    }
    if (!platform::PathExists(target))
        return QStringLiteral("Cannot find downloaded file.");
    return {};
}

void TfrmNewVersion::btUpdateNowClick()
{
    // From here on the program ends when the dialog closes, whatever the download does.
    FState.MustExit = true;
    FState.DownloadCancelled = false;
    THttpOptions options;
    options.ProcessUserInput = true; // so that Abort can be pressed
    options.MaxRedirects = 10;       // a mirror may serve it, under the check's rules
    options.StallTimeout = FConfig.DownloadStallTimeout;
    options.MaxBodyBytes = FConfig.MaxInstallerBytes;
    FClient = std::make_unique<THttpClient>(options);
    btCancel->setText(kAbort);
    btUpdateNow->setEnabled(false);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    ProgressBar1->repaint();
    QApplication::processEvents();

    std::string target;
    const QString error = IsTrustedUpdateUrl(FConfig.Website)
                              ? Download(target)
                              : QStringLiteral("The update address is not secure.");
    FClient.reset();
    if (error.isEmpty()) {
        // Handed to the desktop like a double-click in the file manager: the file keeps
        // no execute permission, and what opens it is the user's default for its type.
        FShell.OpenPath(target);
    } else {
        FMessages.Error(this, QStringLiteral("Failed to download update. Please download "
                                             "manually on website.\n\n") +
                                  error);
        FShell.OpenWebPage(FConfig.HomePage.toString());
    }
    close();
}

} // namespace harrowdale::update
