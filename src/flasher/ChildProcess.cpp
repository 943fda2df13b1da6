#include "ChildProcess.h"

#include "platform/Async.h"

#include <QProcess>

namespace vexlo {

QString combinedOutput(const ProcessResult &result)
{
    return (QString::fromUtf8(result.standardOutput) + QLatin1Char('\n')
            + QString::fromUtf8(result.standardError))
        .trimmed();
}

QCoro::Task<ProcessResult> runProcess(ProcessRequest request)
{
    ProcessResult result;
    QProcess process;
    process.setProgram(request.program);
    process.setArguments(request.arguments);
    if (request.inheritStandardInput)
        process.setInputChannelMode(QProcess::ForwardedInputChannel);
    else
        process.setStandardInputFile(QProcess::nullDevice());

    const auto drainOutput = [&] {
        const QByteArray chunk = process.readAllStandardOutput();
        result.standardOutput += chunk;
        if (request.onStandardOutput && !chunk.isEmpty())
            request.onStandardOutput(chunk);
    };
    const auto drainError = [&] {
        const QByteArray chunk = process.readAllStandardError();
        result.standardError += chunk;
        if (request.onStandardError && !chunk.isEmpty())
            request.onStandardError(chunk);
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, drainOutput);
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, drainError);

    // QProcess reports a failed launch through errorOccurred() alone, without finished().
    OneShot ended;
    QObject::connect(&process, &QProcess::finished, &ended, &OneShot::fire);
    QObject::connect(&process, &QProcess::errorOccurred, &ended,
                     [&ended](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             ended.fire();
                     });
    process.start();
    if (process.state() != QProcess::NotRunning)
        co_await ended.wait();

    if (process.error() == QProcess::FailedToStart) {
        result.launchError = process.errorString();
        co_return result;
    }
    // Whatever arrived with the child's death but was not announced yet.
    drainOutput();
    drainError();
    result.started = true;
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.status = process.exitCode();
    co_return result;
}

} // namespace vexlo
