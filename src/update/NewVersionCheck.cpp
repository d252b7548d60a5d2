#include "update/NewVersionCheck.h"

#include "i18n/TextLines.h"
#include "update/HttpClient.h"

#include <QRegularExpression>

namespace harrowdale::update {

namespace {

std::optional<int> WholeNumber(const QString& text)
{
    static const QRegularExpression kNumber(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!kNumber.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString Message(const TVersionLine& version, bool mandatory, const QStringList& changes)
{
    QString text = mandatory
                       ? QStringLiteral("This version of the software is out of date. You must "
                                        "download the current version %1 to continue using the "
                                        "software.")
                             .arg(version.LatestText)
                       : QStringLiteral("The new version %1 is available").arg(version.LatestText);
    text += QStringLiteral("\n\nWhat's new:\n");
    for (const QString& change : changes)
        text += change + QLatin1Char('\n');
    return text;
}

} // namespace

std::optional<TVersionLine> ParseVersionLine(const QString& line)
{
    const qsizetype slash = line.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;
    const std::optional<int> latest = WholeNumber(line.left(slash));
    const std::optional<int> minimum = WholeNumber(line.mid(slash + 1));
    if (!latest || !minimum)
        return std::nullopt;
    TVersionLine v;
    v.Latest = *latest;
    v.Minimum = *minimum;
    v.LatestText = line.left(slash).trimmed();
    v.LatestText.insert(std::max<qsizetype>(v.LatestText.size() - 1, 0), QLatin1Char('.'));
    return v;
}

QStringList AnswerLines(const QByteArray& body)
{
    QStringList lines;
    for (const std::string_view line : SplitTextLines(std::string_view(body.data(), body.size())))
        lines << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    return lines;
}

QUrl EndpointUrl(const TUpdateConfig& config, const QString& path)
{
    QUrl url = config.Website;
    QString base = url.path();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    url.setPath(base + path);
    return url;
}

bool CheckForNewVersion(const TUpdateConfig& config, TNewVersionState& state)
{
    if (!IsTrustedUpdateUrl(config.Website))
        return false;
    THttpOptions options;
    options.MaxRedirects = 10;
    options.Deadline = config.CheckDeadline; // for both requests together
    options.MaxBodyBytes = config.MaxAnswerBytes;
    THttpClient client(options);
    QString error;
    const std::optional<QByteArray> version = client.Get(
        EndpointUrl(config, QStringLiteral("/download/version/harrowdale-version.html")), error);
    if (!version)
        return false;
    // Asked before the version line is read: a failing change list shows no dialog either.
    const std::optional<QByteArray> changes = client.Get(
        EndpointUrl(config, QStringLiteral("/download/version/harrowdale-changes.html")), error);
    if (!changes)
        return false;

    QStringList changeLines = AnswerLines(*changes);
    changeLines.removeAll(QString()); // a line of blanks is a change and stays
    const QStringList versionLines = AnswerLines(*version);
    const std::optional<TVersionLine> line =
        ParseVersionLine(versionLines.isEmpty() ? QString() : versionLines.front());
    if (!line)
        return false;

    const int running = RunningVersion();
    const bool mandatory = line->Minimum > running;
    if (!mandatory && line->Latest <= running)
        return false;
    if (mandatory)
        state.MustExit = true;
    state.NewVersionMessage = Message(*line, mandatory, changeLines);
    return true;
}

} // namespace harrowdale::update
