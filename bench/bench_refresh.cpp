// The once-a-second port refresh against a bare spawn of the same listing command, side by side:
// the window thread's time per refresh (CPU spent on it, wall time from one refresh's start to
// its result) and the longest the window thread was held up while refreshes ran.
#include "BenchSupport.h"
#include "devices/SerialPortMonitor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

constexpr int rounds = 300;

struct Spawned {
    double wallMs, cpuMs;
};

// posix_spawn and waitpid on this thread, as lean as a listing can be.
Spawned bareSpawns(const QString &shell, const QString &command)
{
    QByteArray program = shell.toLocal8Bit(), dashC("-c"), script = command.toLocal8Bit();
    char *argv[] = {program.data(), dashC.data(), script.data(), nullptr};
    const double wall = bench::wallMs(), cpu = bench::threadCpuMs();
    for (int i = 0; i < rounds; ++i) {
        pid_t pid = 0;
        posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    return {(bench::wallMs() - wall) / rounds, (bench::threadCpuMs() - cpu) / rounds};
}

struct Refreshes {
    double wallMs, cpuMs, longestStallMs;
};

// Runs the monitor for a number of refreshes, ticks this far apart; with a 1 ms ticker, the
// window thread's longest hold-up is the ticker's greatest lateness.
Refreshes runMonitor(const vexlo::SerialPortMonitorOptions &base,
                     std::chrono::milliseconds interval, bool withTicker)
{
    QEventLoop loop;
    vexlo::SerialPortMonitorOptions options = base;
    options.pollInterval = interval;
    int refreshes = 0;
    options.log = [&](const QString &line) {
        if (line.startsWith(QLatin1String("[SerialPortMonitor] ports=")) && ++refreshes == rounds)
            loop.quit();
    };
    double longestStallMs = 0, lastTick = bench::wallMs();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = bench::wallMs();
        longestStallMs = std::max(longestStallMs, now - lastTick - 1.0);
        lastTick = now;
    });
    const double wall = bench::wallMs(), cpu = bench::threadCpuMs();
    vexlo::SerialPortMonitor monitor(options);
    if (withTicker)
        ticker.start(1);
    loop.exec();
    return {(bench::wallMs() - wall) / rounds, (bench::threadCpuMs() - cpu) / rounds,
            longestStallMs};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    vexlo::SerialPortMonitorOptions options;
    options.toolSearchPath = {};
    const Spawned bare = bareSpawns(options.shell, options.listCommand);
    // Back to back (each tick finds the last listing ended): the wall time of a refresh.
    const Refreshes backToBack = runMonitor(options, std::chrono::milliseconds(0), false);
    // Ticks 10 ms apart: what the window thread spends, and how long it is held up.
    const Refreshes spaced = runMonitor(options, std::chrono::milliseconds(10), false);
    const Refreshes watched = runMonitor(options, std::chrono::milliseconds(10), true);

    std::printf("port refresh (%s), %d refreshes each:\n", qPrintable(options.listCommand), rounds);
    std::printf("  bare spawn: %.2f ms wall, %.2f ms of the calling thread\n", bare.wallMs,
                bare.cpuMs);
    std::printf("  program:    %.2f ms wall, %.2f ms of the window thread\n", backToBack.wallMs,
                spaced.cpuMs);
    std::printf("  ratio program/bare spawn: %.2f wall (target under 1.3)\n",
                backToBack.wallMs / bare.wallMs);
    std::printf("  longest hold-up of the window thread: %.2f ms (target under 2 ms)\n",
                watched.longestStallMs);
    return 0;
}
