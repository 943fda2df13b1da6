#include "ChildProcess.h"

#include "Async.h"

#include <QProcess>
#include <QTimer>

#include <array>
#include <atomic>
#include <csignal>
#include <unistd.h>

namespace vexlo {

namespace {

// The process groups of the running children. A fixed table of atomics: ending them needs no
// lock and no allocation, so a terminate handler may do it at any moment.
std::array<std::atomic<pid_t>, 1024> liveGroups{};

void endGroup(pid_t group)
{
    ::kill(-group, SIGKILL);
}

// Keeps a started child's process group in the table until the child has ended. A run abandoned
// while its child still runs (its coroutine destroyed) ends the group with it.
class LiveGroup
{
public:
    explicit LiveGroup(QProcess &process)
        : m_group(static_cast<pid_t>(process.processId()))
    {
        // The child does the same before it runs the program; whichever comes first, the group
        // exists from here on, so a kill of the group cannot miss the child.
        ::setpgid(m_group, m_group);
        for (auto &slot : liveGroups) {
            pid_t free = 0;
            if (slot.compare_exchange_strong(free, m_group)) {
                m_slot = &slot;
                break;
            }
        }
        m_ended = QObject::connect(&process, &QProcess::finished, [this] { release(); });
    }
    ~LiveGroup()
    {
        QObject::disconnect(m_ended);
        if (release())
            endGroup(m_group);
    }
    LiveGroup(const LiveGroup &) = delete;
    LiveGroup &operator=(const LiveGroup &) = delete;

private:
    // True when the group was still listed as running.
    bool release()
    {
        pid_t group = m_group;
        return m_slot && m_slot->compare_exchange_strong(group, 0);
    }

    pid_t m_group;
    std::atomic<pid_t> *m_slot = nullptr;
    QMetaObject::Connection m_ended;
};

} // namespace

void endAllChildProcesses()
{
    for (auto &slot : liveGroups) {
        if (const pid_t group = slot.exchange(0); group > 0)
            endGroup(group);
    }
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
        if (process.state() == QProcess::NotRunning)
            return; // ended and reaped; its number may already belong to another
        result.timedOut = true;
        endGroup(static_cast<pid_t>(process.processId()));
    });
    process.start();
    std::optional<LiveGroup> group;
    if (process.state() != QProcess::NotRunning) {
        group.emplace(process);
        if (request.timeLimit)
            limit.start(*request.timeLimit);
        co_await ended.wait();
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
