// Runs vexlo-flash against a simulated production bench: three boards on pseudo-terminals that
// show up as USB serial ports (two answer as ESP32 DevKits, one as a Control Board), a stand-in
// espflash beside the program that "writes" each image by copying it, and a local firmware server
// at the program's built-in origin. The three are installed at once; the demo then checks what
// each board got and ends with a verdict.
//   vexlo-batch-demo PORTS_DIR
#include "DemoSupport.h"
#include "PseudoTerminal.h"
#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <array>
#include <memory>

namespace {

using demo::say;
using demo::writeFile;

QByteArray makeImage(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + seed) >> 3);
    bytes[0] = char(0xe9);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Board {
    QString chip, kind, image;
    std::unique_ptr<PseudoTerminal> terminal = std::make_unique<PseudoTerminal>();
    QString port, written;
};

// The local firmware server with the images at their routes; false when it did not start.
bool serveImages(QProcess &server, const QString &bin, const QUrl &origin,
                 const QTemporaryDir &work, const QMap<QString, QByteArray> &images)
{
    QStringList routes{QStringLiteral("--port"), QString::number(origin.port())};
    for (auto it = images.begin(); it != images.end(); ++it) {
        if (!writeFile(work.filePath(it.key()), it.value()))
            return false;
        routes << QStringLiteral("/Firmware/%1=file:%2").arg(it.key(), work.filePath(it.key()));
    }
    return demo::startFirmwareServer(server, bin, routes);
}

// Plugs each board in as a port and places the stand-in tool that answers for them all.
bool plugInBoards(std::array<Board, 3> &boards, const QString &portsDir, const QString &bin,
                  const QTemporaryDir &work)
{
    // Each board answers board-info as its chip; each write takes a few seconds to show progress.
    QByteArray scenario = "write-bin.chunks=e:Connecting...\\n|e:Writing at 0x0\\n|e:Flashing has "
                          "completed!\\n\nwrite-bin.chunk_delay_ms=1500\n"
                          "reset.err=Resetting target device\\n\n";
    QDir().mkpath(portsDir);
    for (size_t i = 0; i < boards.size(); ++i) {
        Board &board = boards[i];
        board.port = portsDir + QStringLiteral("/ttyUSB%1").arg(i);
        board.written = work.filePath(QStringLiteral("flash-%1.bin").arg(i));
        const QByteArray at = '@' + QFile::encodeName(board.port) + '.';
        scenario += "board-info" + at + "out=Chip type:         " + board.chip.toUtf8()
            + "\\nMAC address:       a0:b7:65:12:34:5" + QByteArray::number(int(i)) + "\\n\n"
            + "write-bin" + at + "copy_image=" + QFile::encodeName(board.written) + "\n";
        QFile::remove(board.port);
        QFile::link(board.terminal->terminalPath(), board.port);
        say(QStringLiteral("plugged in a simulated %1 as %2").arg(board.kind, board.port));
    }
    return demo::placeStandInTool(bin, scenario);
}

// The installer as a service technician runs it, its report straight on this terminal. True
// when it ended well.
bool runInstaller(const QString &bin, const QTemporaryDir &work)
{
    QTemporaryDir runtime;
    QProcess flash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), work.filePath(QStringLiteral("cache")));
    flash.setProcessEnvironment(env);
    flash.setProcessChannelMode(QProcess::ForwardedChannels);
    flash.setInputChannelMode(QProcess::ForwardedInputChannel);
    const QStringList arguments{QStringLiteral("--variant"), QStringLiteral("v4")};
    say(QStringLiteral("running: vexlo-flash ") + arguments.join(QLatin1Char(' ')));
    flash.start(bin + QStringLiteral("/vexlo-flash"), arguments);
    flash.waitForFinished(120000);
    say(QStringLiteral("vexlo-flash exit status: %1").arg(flash.exitCode()));
    return flash.exitStatus() == QProcess::NormalExit && flash.exitCode() == 0;
}

// Says what the board got, unplugs it, and tells whether it got its image and its variant line.
bool checkBoard(const Board &board, const QMap<QString, QByteArray> &images)
{
    const QByteArray onBoard = readFile(board.written);
    const QByteArray wire = board.terminal->readAvailable(300);
    const bool imageOk = onBoard == images.value(board.image);
    const bool lineOk = wire == QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n");
    const auto mark = [](bool ok) { return ok ? QStringLiteral("yes") : QStringLiteral("NO"); };
    say(QStringLiteral("%1 (%2): image %3 written byte for byte: %4 (SHA-256 %5); "
                       "variant line received: %6")
            .arg(board.port, board.kind, board.image, mark(imageOk),
                 QString::fromLatin1(
                     QCryptographicHash::hash(onBoard, QCryptographicHash::Sha256).toHex()),
                 mark(lineOk)));
    QFile::remove(board.port);
    return imageOk && lineOk;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        say(QStringLiteral("usage: vexlo-batch-demo PORTS_DIR"));
        return 2;
    }
    const QString portsDir = app.arguments()[1];
    const QString bin = QCoreApplication::applicationDirPath();
    const QUrl origin(vexlo::build::firmwareOrigin());
    if (origin.scheme() != QLatin1String("http") || origin.port() <= 0) {
        say(QStringLiteral("build the demo with a loopback VEXLO_FIRMWARE_ORIGIN"));
        return 2;
    }

    QTemporaryDir work;
    const QString esp32 = QStringLiteral("ESP32-WROOM-32_latest.bin");
    const QString control = QStringLiteral("ControlBoard_V4_latest.bin");
    const QMap<QString, QByteArray> images{{esp32, makeImage(1 << 20, 1)},
                                           {control, makeImage(786432, 2)}};
    QProcess server;
    if (!serveImages(server, bin, origin, work, images))
        return 1;
    std::array<Board, 3> boards{
        Board{QStringLiteral("esp32"), QStringLiteral("ESP32 DevKit"), esp32},
        Board{QStringLiteral("esp32"), QStringLiteral("ESP32 DevKit"), esp32},
        Board{QStringLiteral("esp32s3"), QStringLiteral("Control Board"), control}};
    if (!plugInBoards(boards, portsDir, bin, work))
        return 1;

    bool allOk = runInstaller(bin, work);
    for (const Board &board : boards)
        allOk = checkBoard(board, images) && allOk;
    server.terminate();
    server.waitForFinished(3000);
    say(QStringLiteral("verdict: %1 — three boards installed at once, each with its image and "
                       "its variant line")
            .arg(allOk ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    return allOk ? 0 : 1;
}
