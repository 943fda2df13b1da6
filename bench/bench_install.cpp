// A whole install through the window's state (download from a loopback server, a stand-in
// espflash that exits at once, the variant line to a pseudo-terminal board) against the sum of
// its parts measured on their own in the same run: the tool's three runs, the download by curl
// and the fixed waits around the variant line (650 ms). The difference is the program's own
// overhead.
#include "BenchSupport.h"
#include "PseudoTerminal.h"
#include "TestSupport.h"
#include "workflow/MainFlasherState.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int rounds = 9;

double timedRun(const QString &program, const QStringList &arguments)
{
    const double started = bench::wallMs();
    QProcess::execute(program, arguments);
    return bench::wallMs() - started;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const QString image = work.filePath(QStringLiteral("image.bin"));
    QFile file(image);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    QByteArray bytes(1 << 20, 'i');
    bytes[0] = char(0xe9);
    file.write(bytes);
    file.close();
    QProcess server;
    server.start(QStringLiteral(LOOPBACK_SERVER_PATH),
                 {QStringLiteral("/Firmware/ControlBoard_V4_latest.bin=file:") + image});
    if (!server.waitForReadyRead(10000))
        return 1;
    const QString origin = QStringLiteral("http://127.0.0.1:")
        + QString::fromUtf8(server.readLine()).trimmed().section(' ', -1);

    FakeEspflash tool;
    tool.setScenario({QStringLiteral("board-info.out=Chip type: esp32s3\\n")});
    PseudoTerminal board;
    const QString port = tool.filePath(QStringLiteral("ttyUSB0"));
    QFile::link(board.terminalPath(), port);
    QFile ports(tool.filePath(QStringLiteral("ports")));
    if (!ports.open(QIODevice::WriteOnly) || ports.write(port.toUtf8() + '\n') <= 0)
        return 1;
    ports.close();

    vexlo::SerialPortMonitorOptions monitor;
    monitor.listCommand = QStringLiteral("cat '%1'").arg(ports.fileName());
    monitor.toolSearchPath = tool.searchPath();
    monitor.log = [](const QString &) {};
    vexlo::FirmwareServer firmware;
    firmware.origin = origin;
    firmware.imageDirectory = work.filePath(QStringLiteral("images"));
    vexlo::FlasherOptions flasher;
    flasher.toolSearchPath = tool.searchPath();
    flasher.log = [](const QString &) {};
    vexlo::MainFlasherState state(monitor, vexlo::InstallSteps::real(firmware, flasher), firmware);
    if (!waitUntil([&] { return state.canInstall(); }))
        return 1;

    QList<double> overheads, installs, parts;
    for (int round = 0; round < rounds; ++round) {
        QEventLoop loop;
        double ended = 0;
        QObject::connect(&state, &vexlo::MainFlasherState::isInstallingChanged, &loop, [&] {
            if (!state.isInstalling()) {
                ended = bench::wallMs();
                loop.quit();
            }
        });
        const double started = bench::wallMs();
        state.downloadAndInstall();
        loop.exec();
        if (state.status() != vexlo::FlashStatus::flashed)
            return 1;
        const double install = ended - started;
        board.readAvailable(0);

        const QString espflash = tool.toolPath();
        double sum = 650.0;
        sum += timedRun(espflash,
                        {"-S", "write-bin", "--baud", "921600", "--port", port, "0x0",
                         firmware.imageDirectory + "/ControlBoard_V4_latest.bin"});
        sum += 2 * timedRun(espflash, {"-S", "reset", "--port", port});
        sum += timedRun(QStringLiteral("curl"),
                        {"-sS", "-o", work.filePath("curl.bin"),
                         origin + "/Firmware/ControlBoard_V4_latest.bin"});
        installs << install;
        parts << sum;
        overheads << install - sum;
    }
    server.kill();
    server.waitForFinished();
    std::printf("whole install of a 1 MiB image, %d rounds:\n", rounds);
    std::printf("  install: median %.1f ms; its parts on their own: median %.1f ms\n",
                bench::median(installs), bench::median(parts));
    std::printf("  overhead: median %.1f ms, best %.1f ms (target under 20 ms)\n",
                bench::median(overheads), bench::best(overheads));
    return 0;
}
