#include "Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace vexlo {

void installTranslations(QCoreApplication &app)
{
    QStringList languages{QStringLiteral("de")};
    if (QLocale::system().language() == QLocale::English)
        languages << QStringLiteral("en");
    for (const QString &language : languages) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QStringLiteral(":/i18n/vexlo_") + language))
            QCoreApplication::installTranslator(translator);
    }
}

} // namespace vexlo
