#include "InstallEngine.h"

#include "CliText.h"
#include "devices/BoardDetection.h"
#include "firmware/FirmwareDownload.h"
#include "flasher/EspflashTool.h"
#include "flasher/Flasher.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <memory>

namespace vexlo::cli {

namespace {

QString toolStatusText(int status, bool crashed)
{
    return crashed ? CliText::tr("espflash durch Signal %1 beendet").arg(status)
                   : CliText::tr("espflash endete mit Status %1").arg(status);
}

QString detectionReason(const BoardDetection &detection)
{
    switch (detection.failure) {
    case DetectionFailure::toolMissing:
        return CliText::tr("espflash nicht gefunden");
    case DetectionFailure::toolNotStarted:
        return CliText::tr("espflash ließ sich nicht starten");
    case DetectionFailure::timedOut:
        return CliText::tr("keine Antwort innerhalb von 30 s");
    case DetectionFailure::toolError:
        return toolStatusText(detection.toolStatus, detection.crashed);
    case DetectionFailure::notRecognised:
        return CliText::tr("Antwort nicht erkannt");
    case DetectionFailure::none:
        break;
    }
    return {};
}

// Collects the lines an engine logs while passing them on, so that its outcome can be read from
// what it said.
struct LogTap {
    std::shared_ptr<QStringList> lines = std::make_shared<QStringList>();
    LogSink sink(LogSink next) const
    {
        return [lines = lines, next = std::move(next)](const QString &line) {
            lines->append(line);
            next(line);
        };
    }
    QString lineWith(const QString &text) const
    {
        for (const QString &line : *lines) {
            if (line.contains(text))
                return line;
        }
        return {};
    }
};

// Reads why a flashing run that returned false failed, from its log lines.
FlashOutcome flashFailure(const LogTap &tap)
{
    if (!tap.lineWith(QStringLiteral("Applying variant config")).isEmpty()) {
        const QString serial = tap.lineWith(QStringLiteral("serial: "));
        const QString why = serial.mid(serial.indexOf(QStringLiteral("serial: ")) + 8);
        return {InstallStep::variant,
                why.isEmpty() ? CliText::tr("Variante nicht gesendet")
                              : CliText::tr("Variante nicht gesendet: %1").arg(why)};
    }
    if (!tap.lineWith(QStringLiteral("not present at launch time")).isEmpty())
        return {InstallStep::write, CliText::tr("Port nicht vorhanden")};
    if (!tap.lineWith(QStringLiteral("disappeared during flashing")).isEmpty())
        return {InstallStep::write, CliText::tr("Port während des Schreibens verschwunden")};
    if (const QString line = tap.lineWith(QStringLiteral("Failed to start process"));
        !line.isEmpty())
        return {InstallStep::write, CliText::tr("espflash ließ sich nicht starten")};
    static const QRegularExpression termination(
        QStringLiteral("termination \u2014 reason: (\\w+), status: (-?\\d+)"));
    const QRegularExpressionMatch match =
        termination.match(tap.lineWith(QStringLiteral("espflash termination")));
    if (match.hasMatch())
        return {InstallStep::write,
                toolStatusText(match.captured(2).toInt(),
                               match.captured(1) == QLatin1String("uncaughtSignal"))};
    return {InstallStep::write, CliText::tr("Abbild nicht geschrieben")};
}

} // namespace

QString jsonName(InstallStep step)
{
    switch (step) {
    case InstallStep::detect:
        return QStringLiteral("detect");
    case InstallStep::download:
        return QStringLiteral("download");
    case InstallStep::write:
        return QStringLiteral("write");
    case InstallStep::variant:
        break;
    }
    return QStringLiteral("variant");
}

QString displayName(InstallStep step)
{
    switch (step) {
    case InstallStep::detect:
        return CliText::tr("Erkennung");
    case InstallStep::download:
        return CliText::tr("Download");
    case InstallStep::write:
        return CliText::tr("Schreiben");
    case InstallStep::variant:
        break;
    }
    return CliText::tr("Variante");
}

std::optional<QString> variantWord(CoilexVariant variant)
{
    switch (variant) {
    case CoilexVariant::v4:
        return QStringLiteral("STD");
    case CoilexVariant::pro:
        return QStringLiteral("PRO");
    case CoilexVariant::universal:
        break;
    }
    return std::nullopt;
}

InstallEngine::InstallEngine(InstallEngineOptions options)
    : m_options(std::move(options))
{
}

QCoro::Task<DetectOutcome> InstallEngine::detect(QString port, LogSink log) const
{
    if (!QFileInfo::exists(port))
        co_return DetectOutcome{DetectedBoardKind::unknown, CliText::tr("Port nicht vorhanden")};
    BoardDetectionOptions options;
    options.toolSearchPath = m_options.toolSearchPath;
    options.log = std::move(log);
    const BoardDetection detection = co_await detectBoard(port, std::move(options));
    co_return DetectOutcome{detection.kind, detectionReason(detection)};
}

QCoro::Task<DownloadOutcome> InstallEngine::download(BoardType type, LogSink log) const
{
    const LogTap tap;
    const std::optional<QString> path =
        co_await downloadFirmware(type, m_options.server, tap.sink(std::move(log)));
    DownloadOutcome outcome;
    if (!path) {
        outcome.reason = tap.lineWith(QStringLiteral("is not used")).isEmpty()
            ? CliText::tr("Download fehlgeschlagen")
            : CliText::tr("keine Firmware-Datei");
        co_return outcome;
    }
    QFile file(*path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        outcome.reason = CliText::tr("Datei nicht lesbar: %1").arg(*path);
        co_return outcome;
    }
    outcome.path = *path;
    outcome.bytes = file.size();
    outcome.sha256 = QString::fromLatin1(hash.result().toHex());
    co_return outcome;
}

QCoro::Task<FlashOutcome> InstallEngine::flash(QString image, QString port, CoilexVariant variant,
                                               LogSink log) const
{
    // The flashing run says nothing when it finds no tool.
    if (!espflash::location(m_options.toolSearchPath))
        co_return FlashOutcome{InstallStep::write, CliText::tr("espflash nicht gefunden")};
    const LogTap tap;
    FlasherOptions options;
    options.toolSearchPath = m_options.toolSearchPath;
    options.log = tap.sink(std::move(log));
    if (co_await vexlo::flash(image, port, variant, std::move(options)))
        co_return FlashOutcome{};
    co_return flashFailure(tap);
}

} // namespace vexlo::cli
