#include "ui/QtLanguage.h"

#include "i18n/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace harrowdale::ui {

namespace {

QPointer<QTranslator> gInstalled; ///< owned by the application object

} // namespace

QLocale LocaleOfLanguage(const std::string& code)
{
    // Our codes are ISO 639 ones except these three.
    static constexpr std::pair<std::string_view, QLocale::Language> kOwnCodes[] = {
        {"jp", QLocale::Japanese},
        {"cn", QLocale::Chinese},
        {"kr", QLocale::Korean},
    };
    for (const auto& [own, language] : kOwnCodes)
        if (code == own)
            return QLocale(language);
    const QLocale locale(QString::fromStdString(code));
    // An unknown code gives the "C" locale: English, as the texts are then.
    return locale.language() == QLocale::C ? QLocale(QLocale::English) : locale;
}

std::string ShownLanguageCode()
{
    const TLangTable& table = Translation().LangTable();
    const int column = Translation().LangIndex();
    if (column <= 0 || static_cast<std::size_t>(column) >= table.size())
        return "en";
    return table[static_cast<std::size_t>(column)][1];
}

bool ApplyQtLanguage(const std::string& code)
{
    if (gInstalled) {
        QCoreApplication::removeTranslator(gInstalled);
        delete gInstalled;
    }
    const QLocale locale = LocaleOfLanguage(code);
    // Popups (the calendar) are windows of their own: they take the default locale.
    QLocale::setDefault(locale);
    if (locale.language() == QLocale::English)
        return false;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    gInstalled = translator;
    return true;
}

} // namespace harrowdale::ui
