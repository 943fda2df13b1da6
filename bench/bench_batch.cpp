// vexlo-flash installing 8 simulated boards with --jobs 8 against the same program installing one
// board alone, side by side in one run. Each board is a pseudo-terminal, the stand-in espflash
// "writes" for a fixed time, the images come from a loopback server. When the runs overlap and
// the program adds no serial bottleneck, the 8 take about as long as the one (target: <= 1.3x).
#include "BenchSupport.h"
#include "LoopbackHttpServer.h"
#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

const QString root = QStringLiteral(E2E_CLI_ROOT);
constexpr int rounds = 5;
constexpr int writeMs = 1500;

// Installs on that many fresh boards; the wall time in ms, or a negative value on any failure.
double install(int boards, const QTemporaryDir &home)
{
    std::vector<std::unique_ptr<PseudoTerminal>> terminals;
    QStringList arguments{QStringLiteral("--variant"), QStringLiteral("v4"),
                          QStringLiteral("--jobs"), QString::number(boards)};
    for (int i = 0; i < boards; ++i) {
        terminals.push_back(std::make_unique<PseudoTerminal>());
        const QString port = root + QStringLiteral("/dev/ttyUSB%1").arg(i);
        QFile::remove(port);
        QFile::link(terminals.back()->terminalPath(), port);
        arguments << QStringLiteral("--port") << port;
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    program.setProcessEnvironment(env);
    program.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    program.start(root + QStringLiteral("/bin/vexlo-flash"), arguments);
    // The server answers from this thread's loop while the program runs.
    while (!program.waitForFinished(10))
        QCoreApplication::processEvents();
    const double elapsed = double(clock.elapsed());
    bool everyLine = true;
    for (const auto &terminal : terminals)
        everyLine = everyLine && terminal->readAvailable(200) == "{\"SET\":{\"VAR\":\"STD\"}}\n";
    return program.exitCode() == 0 && everyLine ? elapsed : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString resources = root + QStringLiteral("/lib/vexlo-utility");
    QDir(root + QStringLiteral("/dev")).removeRecursively();
    QDir().mkpath(root + QStringLiteral("/dev"));
    QFile::remove(resources + QStringLiteral("/espflash"));
    QFile scenario(resources + QStringLiteral("/espflash.scenario"));
    if (!QFile::copy(QStringLiteral(STAND_IN_ESPFLASH_PATH), resources + "/espflash")
        || !scenario.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    scenario.write("board-info.out=Chip type: esp32 (revision v3.1)\\n\n"
                   "write-bin.sleep_ms="
                   + QByteArray::number(writeMs) + "\n");
    scenario.close();
    LoopbackHttpServer server;
    QByteArray image(1 << 20, 'i');
    image[0] = char(0xe9);
    server.setRoute("/Firmware/ESP32-WROOM-32_latest.bin", {200, image});
    if (!server.listen(47617)) {
        std::printf("port 47617 is taken\n");
        return 1;
    }

    QList<double> one, eight;
    for (int round = 0; round < rounds; ++round) {
        one << install(1, home);
        eight << install(8, home);
        if (one.last() < 0 || eight.last() < 0) {
            std::printf("an install failed in round %d\n", round + 1);
            return 1;
        }
    }
    std::printf("one board alone:      best %.0f ms, median %.0f ms\n", bench::best(one),
                bench::median(one));
    std::printf("8 boards, --jobs 8:   best %.0f ms, median %.0f ms\n", bench::best(eight),
                bench::median(eight));
    const double ratio = bench::median(eight) / bench::median(one);
    std::printf("ratio (median 8 / median 1): %.2fx (target <= 1.3x): %s\n", ratio,
                ratio <= 1.3 ? "met" : "MISSED");
    QDir(root + QStringLiteral("/dev")).removeRecursively();
    return 0;
}
