#include "ui/RemoteFolders.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/Settings.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QVariant>

namespace harrowdale::ui {

namespace {

const QString kRecentHosts = QStringLiteral("Remote/RecentHosts");
const QString kLastFolder = QStringLiteral("Remote/LastFolder");

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

} // namespace

std::vector<std::string> RecentRemoteHosts()
{
    std::vector<std::string> hosts;
    for (const QString& h : SettingsStore().value(kRecentHosts).toStringList())
        if (!h.isEmpty() && hosts.size() < static_cast<std::size_t>(kRecentRemoteHosts))
            hosts.push_back(h.toStdString());
    return hosts;
}

std::string LastRemoteFolder()
{
    return SettingsStore().value(kLastFolder).toString().toStdString();
}

void RememberRemoteChoice(const TRemoteFolderChoice& choice)
{
    QStringList hosts{QString::fromStdString(choice.Hosts)};
    for (const std::string& h : RecentRemoteHosts())
        if (h != choice.Hosts && hosts.size() < kRecentRemoteHosts)
            hosts << QString::fromStdString(h);
    QSettings store = SettingsStore();
    store.setValue(kRecentHosts, hosts);
    store.setValue(kLastFolder, QString::fromStdString(choice.Folder));
}

std::optional<std::vector<TRemoteTarget>> RemoteTargets(const TRemoteFolderChoice& choice,
                                                        std::string& error)
{
    std::vector<TRemoteTarget> targets;
    std::size_t pos = 0;
    const std::string& text = choice.Hosts;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t,", pos);
        if (start == std::string::npos)
            break;
        const std::size_t end = std::min(text.find_first_of(" \t,", start), text.size());
        std::optional<TRemoteTarget> t = ParseRemoteHost(text.substr(start, end - start), error);
        if (!t)
            return std::nullopt;
        t->Path = choice.Folder;
        targets.push_back(std::move(*t));
        pos = end;
    }
    if (targets.empty() || choice.Folder.empty()) {
        error = Translate("Give a host and the folder to scan there.");
        return std::nullopt;
    }
    return targets;
}

std::string RemoteTargetsText(const std::vector<TRemoteTarget>& targets)
{
    std::string text;
    for (const TRemoteTarget& t : targets)
        text += (text.empty() ? "" : ", ") + t.Label();
    return text;
}

std::optional<TRemoteFolderChoice> AskRemoteFolder(QWidget* parent, const QString& caption,
                                                   const std::vector<std::string>& recentHosts,
                                                   const std::string& lastFolder)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto* form = new QFormLayout(&dialog);
    auto* hosts = new QComboBox(&dialog);
    hosts->setEditable(true);
    hosts->setMinimumContentsLength(32);
    for (const std::string& h : recentHosts)
        hosts->addItem(QString::fromStdString(h));
    auto* folder = new QLineEdit(QString::fromStdString(lastFolder), &dialog);
    form->addRow(Tr("Hosts:"), hosts);
    auto* hint = new QLabel(Tr("[user@]host[:port], several separated by blanks; ssh logs in "
                               "with your keys and known hosts, and harrowdale-scan, ncdu or "
                               "gdu scans there."),
                            &dialog);
    hint->setWordWrap(true);
    form->addRow(QString(), hint);
    form->addRow(Tr("Folder:"), folder);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return TRemoteFolderChoice{hosts->currentText().trimmed().toStdString(),
                               folder->text().toStdString()};
}

} // namespace harrowdale::ui
