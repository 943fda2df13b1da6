#include "BoardDetection.h"

#include "BoardInfo.h"
#include "flasher/EspflashTool.h"

namespace vexlo {

QCoro::Task<BoardDetection> detectBoard(QString port, BoardDetectionOptions options)
{
    const LogSink log = options.log;
    log(QStringLiteral("detectBoardKindViaEspflash: port=") + port);
    BoardDetection result;
    const auto tool = espflash::location(options.toolSearchPath);
    if (!tool) {
        result.failure = DetectionFailure::toolMissing;
        result.output = espflash::notFoundMessage(options.toolSearchPath);
        co_return result;
    }

    const QStringList subcommand = espflash::boardInfoArguments(port);
    log(QStringLiteral("espflash ")
        + espflash::withGlobalOptions(subcommand).join(QLatin1Char(' ')));
    espflash::RunOptions runOptions;
    runOptions.timeLimit = options.timeLimit;
    const ProcessResult run = co_await espflash::runAt(*tool, subcommand, std::move(runOptions));
    if (!run.started) {
        result.failure = DetectionFailure::toolNotStarted;
        result.output = QStringLiteral("Failed to run espflash: ") + run.launchError;
        co_return result;
    }

    if (run.timedOut) {
        const QString note = QStringLiteral("espflash did not end within ")
            + secondsText(options.timeLimit) + QStringLiteral(" and was stopped");
        log(note);
        result.failure = DetectionFailure::timedOut;
        result.output = (combinedOutput(run) + QLatin1Char('\n') + note).trimmed();
        log(QStringLiteral("espflash output:\n") + truncatedForLog(result.output));
        co_return result;
    }
    log(QStringLiteral("espflash exit status=") + QString::number(run.status));
    result.output = combinedOutput(run);
    log(QStringLiteral("espflash output:\n") + truncatedForLog(result.output));
    if (run.status != 0 || run.crashed) {
        result.failure = DetectionFailure::toolError;
        result.toolStatus = run.status;
        result.crashed = run.crashed;
        co_return result;
    }
    result.kind = classifyBoardInfo(result.output);
    result.macAddress = macAddressFromBoardInfo(result.output);
    if (result.kind == DetectedBoardKind::unknown)
        result.failure = DetectionFailure::notRecognised;
    co_return result;
}

} // namespace vexlo
