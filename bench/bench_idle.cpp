// The running program over 30 s with one board plugged in: its share of a core and its resident
// memory, once the board is detected. The listing shells it starts every second are counted
// apart.
#include "BenchSupport.h"
#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

namespace {

const QString root = QStringLiteral(E2E_ROOT);

// utime + stime, and cutime + cstime (children waited for), in seconds.
std::pair<double, double> cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {0, 0};
    const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
    const double tick = double(sysconf(_SC_CLK_TCK));
    return {(fields[11].toDouble() + fields[12].toDouble()) / tick,
            (fields[13].toDouble() + fields[14].toDouble()) / tick};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString tools = root + QStringLiteral("/lib/vexlo-utility");
    QFile::remove(tools + QStringLiteral("/espflash"));
    QFile::copy(QStringLiteral(STAND_IN_ESPFLASH_PATH), tools + QStringLiteral("/espflash"));
    QFile scenario(tools + QStringLiteral("/espflash.scenario"));
    if (!scenario.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    scenario.write("board-info.out=Chip type: esp32 (revision v3.1)\\n\n");
    scenario.close();
    PseudoTerminal board;
    const QString port = root + QStringLiteral("/dev/ttyUSB0");
    QFile::remove(port);
    QFile::link(board.terminalPath(), port);

    QTemporaryDir runtime;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), runtime.path());
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(root + QStringLiteral("/bin/vexlo-utility"), {});
    QByteArray log;
    while (!log.contains("lastDetectionLog:")) {
        if (!program.waitForReadyRead(10000))
            return 1;
        log += program.readAllStandardOutput();
    }
    const qint64 pid = program.processId();
    const auto [ownBefore, childrenBefore] = cpuSeconds(pid);
    qint64 peakKiB = 0;
    constexpr int seconds = 30;
    for (int i = 0; i < seconds; ++i) {
        QThread::sleep(1);
        program.readAllStandardOutput();
        peakKiB = std::max(peakKiB, bench::statusKiB(pid, "VmRSS:"));
    }
    const auto [ownAfter, childrenAfter] = cpuSeconds(pid);
    program.kill();
    program.waitForFinished();
    QFile::remove(port);

    std::printf("idle with one board plugged in, %d s:\n", seconds);
    std::printf("  program: %.2f%% of a core (target under 0.5%%)\n",
                100.0 * (ownAfter - ownBefore) / seconds);
    std::printf("  its listing shells: %.2f%% of a core\n",
                100.0 * (childrenAfter - childrenBefore) / seconds);
    std::printf("  resident memory: %.1f MB at most (target under 45 MB)\n",
                double(peakKiB) * 1024.0 / 1e6);
    return 0;
}
