// Runs the built program against a simulated machine: a board on a pseudo-terminal that shows
// up as a USB serial port, a stand-in espflash in the program's resources directory, and a local
// firmware server at the program's built-in origin. It plugs the board in, lets the program
// detect it, unplugs it again and ends.
#include "PseudoTerminal.h"
#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

void say(const QString &text)
{
    std::printf("[demo] %s\n", qPrintable(text));
    std::fflush(stdout);
}

bool installTool(const QString &fake, const QString &resources)
{
    const QString tool = resources + QStringLiteral("/espflash");
    QFile::remove(tool);
    if (!QFile::copy(fake, tool))
        return false;
    QFile scenario(resources + QStringLiteral("/espflash.scenario"));
    if (!scenario.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    scenario.write("board-info.out=Chip type:         esp32 (revision v3.1)\\n"
                   "Crystal frequency: 40 MHz\\nFlash size:        4MB\\n"
                   "MAC address:       a0:b7:65:12:34:56\\n\n"
                   "board-info.err=[INFO ] Serial port: '/dev/ttyUSB0'\\n\n"
                   "board-info.sleep_ms=300\n"
                   "write-bin.chunks=e:Connecting...\\n|e:Flashing has completed!\\n\n"
                   "write-bin.chunk_delay_ms=700\n"
                   "reset.err=Resetting target device\\n\n");
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        say(QStringLiteral("usage: vexlo-demo PORTS_DIR"));
        return 2;
    }
    const QString portsDir = args[1];
    const QString bin = QCoreApplication::applicationDirPath();
    const QString program = bin + QStringLiteral("/vexlo-utility");
    const QString fake = bin + QStringLiteral("/stand-in-espflash");
    const QString resources = QDir::cleanPath(bin + QStringLiteral("/../share/vexlo-utility"));

    // The firmware server answers where the program was built to look for it.
    const QUrl origin(vexlo::build::firmwareOrigin());
    if (origin.scheme() != QLatin1String("http") || origin.port() <= 0) {
        say(QStringLiteral("build the demo with a loopback VEXLO_FIRMWARE_ORIGIN"));
        return 2;
    }
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(bin + QStringLiteral("/vexlo-loopback-server"),
                 {QStringLiteral("--port"), QString::number(origin.port()),
                  QStringLiteral("/Firmware/ESP32-WROOM-32_latest.bin=bytes:1048576"),
                  QStringLiteral("/Firmware/ControlBoard_V4_latest.bin=bytes:786432"),
                  QStringLiteral("/Firmware/latest_board_firmware.txt=text:1.4.2\n")});
    if (!server.waitForReadyRead(5000)) {
        say(QStringLiteral("the local firmware server did not start"));
        return 1;
    }
    say(QStringLiteral("firmware server ") + QString::fromUtf8(server.readAll()).trimmed());

    if (!installTool(fake, resources)) {
        say(QStringLiteral("cannot place the stand-in espflash in ") + resources);
        return 1;
    }
    PseudoTerminal board;
    if (!board.isOpen()) {
        say(QStringLiteral("cannot open a pseudo-terminal"));
        return 1;
    }
    // What the program sends to the board, as the board would receive it.
    QSocketNotifier wire(board.controllerDescriptor(), QSocketNotifier::Read);
    QObject::connect(&wire, &QSocketNotifier::activated, &app, [&board] {
        const QByteArray bytes = board.readAvailable(0);
        if (!bytes.isEmpty())
            say(QStringLiteral("board received: ") + QString::fromUtf8(bytes).trimmed());
    });
    QDir().mkpath(portsDir);
    const QString port = portsDir + QStringLiteral("/ttyUSB0");
    QFile::remove(port);

    QProcess utility;
    utility.setProcessChannelMode(QProcess::ForwardedChannels);
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        utility.setProcessEnvironment(env);
    }
    QObject::connect(&utility, &QProcess::finished, &app, [&](int code) {
        say(QStringLiteral("program ended with status %1").arg(code));
        app.exit(code == 0 ? 0 : 1);
    });
    say(QStringLiteral("starting ") + program);
    utility.start(program, {});

    QTimer::singleShot(1500, &app, [&] {
        say(QStringLiteral("plugging the board in as ") + port);
        QFile::link(board.terminalPath(), port);
    });
    QTimer::singleShot(4500, &app, [&] {
        say(QStringLiteral("unplugging the board"));
        QFile::remove(port);
    });
    QTimer::singleShot(6500, &app, [&] {
        say(QStringLiteral("done"));
        QObject::disconnect(&utility, nullptr, &app, nullptr);
        utility.terminate();
        utility.waitForFinished(3000);
        server.terminate();
        server.waitForFinished(3000);
        app.exit(0);
    });
    return QCoreApplication::exec();
}
