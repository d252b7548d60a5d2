#include "ui/AboutText.h"

#include "ui/ResultPage.h"

#include <QDate>
#include <QUrl>

namespace harrowdale::ui {

QString AboutText(bool updateCheck)
{
    const QString host = QUrl(QLatin1String(HARROWDALE_WEBSITE)).host();
    const QString updates =
        updateCheck
            ? Tr("Updates: the program asks the website for a newer version when it starts.")
            : Tr("Updates: through your distribution's package manager.");
    return QStringLiteral("Harrowdale\n%1 %2\n\n%3\n%4 %5\n%6\n\n%7\n\n%8 %9")
        .arg(Tr("Version:"), QLatin1String(HARROWDALE_VERSION),
             Tr("Free software under the GNU General Public License, version 3 or later "
                "(GPL-3.0-or-later)."),
             Tr("Website:"), host, updates,
             Tr("This program is provided as is, without warranty of any kind. "
                "Deleting files cannot be undone; check your selection first."))
        .arg(QString::number(QDate::currentDate().year()))
        .arg(QStringLiteral("The Harrowdale developers. ") + Tr("Thank you for using it."));
}

} // namespace harrowdale::ui
