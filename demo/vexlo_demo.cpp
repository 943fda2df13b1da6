// Runs the built program against a simulated machine: a board on a pseudo-terminal that shows
// up as a USB serial port, and a stand-in espflash in the program's resources directory. It
// plugs the board in, lets the program detect it, unplugs it again and ends.
#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

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
    if (args.size() != 5) {
        say(QStringLiteral("usage: vexlo-demo PROGRAM FAKE_ESPFLASH RESOURCES_DIR PORTS_DIR"));
        return 2;
    }
    const QString program = args[1], fake = args[2], resources = args[3], portsDir = args[4];

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
        app.exit(0);
    });
    return QCoreApplication::exec();
}
