#include "InstallEngine.h"

#include "CliText.h"
#include "devices/BoardDetection.h"
#include "firmware/FirmwareDownload.h"
#include "flasher/EspflashTool.h"
#include "flasher/Flasher.h"
#include "workflow/FailureText.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace vexlo::cli {

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
    const std::chrono::milliseconds limit = options.timeLimit;
    const BoardDetection detection = co_await detectBoard(port, std::move(options));
    co_return DetectOutcome{detection.kind,
                            detection.kind == DetectedBoardKind::unknown
                                ? detectionFailureText(detection, limit)
                                : QString()};
}

QCoro::Task<DownloadOutcome> InstallEngine::download(BoardType type, LogSink log) const
{
    const DownloadResult got = co_await downloadFirmware(type, m_options.server, std::move(log));
    DownloadOutcome outcome;
    if (!got.path) {
        outcome.reason = downloadFailureText(got);
        co_return outcome;
    }
    const QString path = *got.path;
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        outcome.reason = CliText::tr("Datei nicht lesbar: %1").arg(path);
        co_return outcome;
    }
    outcome.path = path;
    outcome.bytes = file.size();
    outcome.sha256 = QString::fromLatin1(hash.result().toHex());
    co_return outcome;
}

QCoro::Task<WriteOutcome> InstallEngine::flash(QString image, QString port, CoilexVariant variant,
                                               LogSink log) const
{
    FlasherOptions options;
    options.toolSearchPath = m_options.toolSearchPath;
    options.log = std::move(log);
    const FlashOutcome flashed = co_await vexlo::flash(image, port, variant, std::move(options));
    if (flashed.succeeded())
        co_return WriteOutcome{};
    if (flashed.failure == FlashFailure::variantNotSent)
        co_return WriteOutcome{InstallStep::variant, variantFailureText(flashed)};
    co_return WriteOutcome{InstallStep::write, writeFailureText(flashed)};
}

} // namespace vexlo::cli
