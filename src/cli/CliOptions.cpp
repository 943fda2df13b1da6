#include "CliOptions.h"

#include "CliText.h"
#include <QCommandLineParser>

namespace vexlo::cli {

namespace {

std::optional<CoilexVariant> variantNamed(const QString &name)
{
    if (name == QLatin1String("v4"))
        return CoilexVariant::v4;
    if (name == QLatin1String("pro"))
        return CoilexVariant::pro;
    if (name == QLatin1String("u"))
        return CoilexVariant::universal;
    return std::nullopt;
}

} // namespace

std::variant<CliOptions, UsageError> parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(CliText::tr(
        "Installiert die neueste Firmware auf alle angeschlossenen Boards gleichzeitig und "
        "sendet ihnen die Variante."));
    const QCommandLineOption variantOption(
        QStringLiteral("variant"),
        CliText::tr(
            "Variante der Maschine: v4 (sendet STD), pro (sendet PRO) oder u (sendet nichts)."),
        QStringLiteral("v4|pro|u"));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        CliText::tr("Nur dieser Port (mehrfach möglich); sonst jeder gefundene Port."),
        QStringLiteral("PATH"));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"), CliText::tr("Höchstens N Ports gleichzeitig (Vorgabe: alle)."),
        QStringLiteral("N"));
    const QCommandLineOption watchOption(
        QStringLiteral("watch"),
        CliText::tr(
            "Weiter warten und jedes später angeschlossene Board installieren, bis Strg+C."));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"), CliText::tr("Ereignisse als JSON Lines auf der Standardausgabe."));
    const QCommandLineOption listOption(
        QStringLiteral("list"), CliText::tr("Ports und erkannte Boards auflisten und beenden."));
    parser.addOptions({variantOption, portOption, jobsOption, watchOption, jsonOption, listOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    if (!parser.parse(arguments))
        return UsageError{parser.errorText()};
    CliOptions options;
    if (parser.isSet(helpOption)) {
        options.mode = CliOptions::Mode::help;
        options.helpText = parser.helpText();
        return options;
    }
    if (parser.isSet(versionOption)) {
        options.mode = CliOptions::Mode::version;
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return UsageError{
            CliText::tr("Unerwartetes Argument: %1").arg(parser.positionalArguments().first())};

    options.json = parser.isSet(jsonOption);
    options.watch = parser.isSet(watchOption);
    for (const QString &port : parser.values(portOption)) {
        if (port.isEmpty())
            return UsageError{CliText::tr("--port braucht einen Pfad")};
        if (!options.ports.contains(port))
            options.ports << port;
    }
    if (parser.isSet(jobsOption)) {
        bool number = false;
        const int jobs = parser.value(jobsOption).toInt(&number);
        if (!number || jobs < 1 || parser.values(jobsOption).size() > 1)
            return UsageError{CliText::tr("--jobs braucht genau eine positive ganze Zahl")};
        options.jobs = jobs;
    }
    if (parser.isSet(listOption)) {
        if (options.watch || parser.isSet(variantOption))
            return UsageError{CliText::tr("--list verträgt sich nicht mit --watch oder --variant")};
        options.mode = CliOptions::Mode::list;
        return options;
    }
    // No default: a wrong variant on a machine is a real fault, so it is always said.
    const QStringList variants = parser.values(variantOption);
    if (variants.isEmpty())
        return UsageError{CliText::tr("--variant fehlt (v4, pro oder u)")};
    const std::optional<CoilexVariant> variant = variantNamed(variants.first());
    if (!variant)
        return UsageError{
            CliText::tr("Unbekannte Variante: %1 (v4, pro oder u)").arg(variants.first())};
    if (variants.size() > 1
        && !std::all_of(variants.begin(), variants.end(),
                        [&](const QString &v) { return v == variants.first(); }))
        return UsageError{CliText::tr("--variant mehrfach mit verschiedenen Werten")};
    options.variant = *variant;
    return options;
}

} // namespace vexlo::cli
