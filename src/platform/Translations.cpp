#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vexlo {

void installTranslations(QCoreApplication &app)
{
    QStringList languages{QStringLiteral("de")};
    if (QLocale::system().language() == QLocale::English)
        languages << QStringLiteral("en");
    QStringList tables;
    for (const QString &language : languages)
        tables << QStringLiteral(":/i18n/vexlo_") + language;
    // Qt's own texts (standard buttons) in German too, where the system has Qt's tables.
    if (languages.last() == QLatin1String("de"))
        tables << QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de");
    for (const QString &table : tables) {
        auto *translator = new QTranslator(&app);
        if (translator->load(table))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace vexlo
