#include "ChildProcess.h"

#include "Async.h"

#include <QProcess>
#include <QSet>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace vexlo {

namespace {

// The children running now; touched on the GUI thread only.
QSet<pid_t> &runningChildren()
{
    static QSet<pid_t> children;
    return children;
}

void killGroup(pid_t pid)
{
    // The child may not have entered its own group yet; then it is alone to kill.
    if (pid > 0 && ::kill(-pid, SIGKILL) != 0)
        ::kill(pid, SIGKILL);
}

} // namespace

void killRunningChildProcessGroups()
{
    for (const pid_t pid : std::as_const(runningChildren()))
        killGroup(pid);
}

QString combinedOutput(const ProcessResult &result)
{
    return (QString::fromUtf8(result.standardOutput) + QLatin1Char('\n')
            + QString::fromUtf8(result.standardError))
        .trimmed();
}

QString secondsText(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0) + QStringLiteral(" s");
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
    if (request.forwardStandardError)
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A group of its own: a timeout's kill reaches what a shell forks, and the terminal's Ctrl+C
    // (sent to our group) never cuts a write in half; we decide when the child ends.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

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
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &process, [&] {
        result.timedOut = true;
        killGroup(static_cast<pid_t>(process.processId()));
    });
    process.start();
    if (process.state() != QProcess::NotRunning) {
        const auto pid = static_cast<pid_t>(process.processId());
        runningChildren().insert(pid);
        if (request.timeLimit)
            limit.start(*request.timeLimit);
        co_await ended.wait();
        runningChildren().remove(pid);
    }
    limit.stop();

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
