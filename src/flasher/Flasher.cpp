#include "Flasher.h"

#include "CommandRunner.h"
#include "DataAccumulator.h"
#include "EspflashTool.h"
#include "SerialVariant.h"
#include "platform/Async.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace vexlo {

namespace {

// A chunk is shown live only when it is valid UTF-8 on its own; a chunk that ends inside a
// character, and the one that carries its rest, wait for the final dump.
std::optional<QString> strictUtf8(const QByteArray &chunk)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                               | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(chunk);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

} // namespace

QCoro::Task<FlashOutcome> flash(QString binPath, QString port, CoilexVariant variant,
                                FlasherOptions options)
{
    const LogSink &log = options.log;
    FlashOutcome outcome;
    const auto tool = espflash::location(options.toolSearchPath);
    if (!tool) {
        log(espflash::notFoundMessage(options.toolSearchPath));
        outcome.failure = FlashFailure::toolMissing;
        co_return outcome;
    }
    if (!exists(binPath)) {
        outcome.failure = FlashFailure::imageMissing;
        co_return outcome;
    }
    if (!exists(port)) {
        log(QStringLiteral("espflash: Port '") + port
            + QStringLiteral("' not present at launch time."));
        outcome.failure = FlashFailure::portMissing;
        co_return outcome;
    }

    DataAccumulator accumulator;
    const auto liveHandler = [&accumulator, log](const QString &prefix) {
        return [&accumulator, log, prefix](const QByteArray &chunk) {
            accumulator.append(chunk);
            if (const auto text = strictUtf8(chunk); text && !text->isEmpty())
                log(prefix + QLatin1Char(' ') + *text);
        };
    };
    espflash::RunOptions runOptions;
    runOptions.inheritStandardInput = false;
    runOptions.onStandardOutput = liveHandler(QStringLiteral("espflash \u27f6"));
    runOptions.onStandardError = liveHandler(QStringLiteral("espflash (stderr) \u27f6"));
    const ProcessResult run = co_await espflash::runAt(
        *tool, espflash::writeBinArguments(port, binPath), std::move(runOptions));

    if (!run.started) {
        log(QStringLiteral("espflash: Failed to start process \u2014 error: ") + run.launchError
            + QStringLiteral(". Port present: ")
            + (exists(port) ? QStringLiteral("yes") : QStringLiteral("no")));
        // A file that is not there cannot be started; one that is there but refuses can.
        outcome.failure = exists(*tool) ? FlashFailure::toolNotStarted : FlashFailure::toolMissing;
        outcome.reason = run.launchError;
        co_return outcome;
    }
    const bool portGone = !exists(port);
    if (portGone) {
        log(QStringLiteral("espflash: Port '") + port
            + QStringLiteral("' disappeared during flashing (post-termination check)."));
    }
    log(QStringLiteral("espflash termination \u2014 reason: %1, status: %2")
            .arg(run.crashed ? QStringLiteral("uncaughtSignal") : QStringLiteral("exit"))
            .arg(run.status));
    log(QStringLiteral("espflash output (final)\n ") + QString::fromUtf8(accumulator.data()));

    if (run.crashed || run.status != 0) {
        outcome.failure = portGone ? FlashFailure::portVanished : FlashFailure::toolFailed;
        outcome.toolStatus = run.status;
        outcome.crashed = run.crashed;
        co_return outcome;
    }
    outcome.imageWritten = true;
    if (variant == CoilexVariant::universal) {
        outcome.variantDelivered = true;
        co_return outcome;
    }

    log(QStringLiteral("espflash: Applying variant config: ") + rawValue(variant));
    co_await runEspflash(espflash::resetArguments(port), options);
    co_await sleepFor(options.pauseBeforeVariant);
    outcome.variantDelivered = writeVariant(port, variant, log, &outcome.reason);
    if (!outcome.variantDelivered) {
        log(QStringLiteral("espflash: Warning \u2014 failed to write VAR over serial"));
        // The user chose a variant: a board that did not get it has not been installed properly.
        outcome.failure = FlashFailure::variantNotSent;
    }
    co_await sleepFor(options.pauseAfterVariant);
    co_await runEspflash(espflash::resetArguments(port), options);
    co_return outcome;
}

} // namespace vexlo
