#include "update/UpdateConfig.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace harrowdale::update {

TUpdateConfig DefaultUpdateConfig()
{
    TUpdateConfig config;
    config.Enabled = HARROWDALE_UPDATE_CHECK != 0;
    config.HomePage = QUrl(QStringLiteral(HARROWDALE_WEBSITE));
    config.Website = config.HomePage;
    const QString override = qEnvironmentVariable("HARROWDALE_UPDATE_URL");
    if (!override.isEmpty())
        config.Website = QUrl(override);
    return config;
}

bool IsLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool IsTrustedUpdateUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    return url.scheme() == QLatin1String("http") && IsLoopbackHost(url.host());
}

bool IsAllowedRedirect(const QUrl& configured, const QUrl& target)
{
    if (!target.isValid() || target.host().isEmpty())
        return false;
    if (target.scheme() == QLatin1String("https"))
        return true;
    return target.scheme() == QLatin1String("http") && IsLoopbackHost(target.host()) &&
           IsLoopbackHost(configured.host());
}

int RunningVersion()
{
    // Major and minor of the build's version ("2.2"): the file counts in tenths.
    const QStringList parts = QString::fromLatin1(HARROWDALE_VERSION).split(QLatin1Char('.'));
    return parts.value(0).toInt() * 10 + parts.value(1).toInt();
}

} // namespace harrowdale::update
