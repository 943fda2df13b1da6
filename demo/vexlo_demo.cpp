// Runs the built program through its whole job against a simulated machine: a board on a
// pseudo-terminal that shows up as a USB serial port, a stand-in espflash in the program's
// private tool folder that answers like an ESP32 and "writes" the image by copying it, and a
// local firmware server at the program's built-in origin. The demo plugs the board in, presses
// the install button once the board is detected, waits for the four steps to turn green, saves a
// screenshot and ends with a verdict.
//   vexlo-demo PORTS_DIR [--interactive]
#include "PseudoTerminal.h"
#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <limits>

namespace {

// Ctrl-C ends the demo through its usual cleanup, so nothing it started is left running.
volatile std::sig_atomic_t interrupted = 0;

void say(const QString &text)
{
    std::printf("[demo] %s\n", qPrintable(text));
    std::fflush(stdout);
}

// A firmware image as the boards take it: the magic byte first, then deterministic bytes.
QByteArray makeImage(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = char(seed >> 24);
    }
    bytes[0] = char(0xe9);
    return bytes;
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// Runs a helper to its end and returns what it printed.
QByteArray run(const QString &program, const QStringList &arguments, const QString &display = {})
{
    QProcess process;
    if (!display.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    process.waitForFinished(20000);
    return process.readAllStandardOutput();
}

// The step marks sit in the content's leftmost column: count the green ones, top to bottom.
int greenMarks(const QImage &window)
{
    int marks = 0;
    bool inMark = false;
    for (int y = 0; y < window.height(); ++y) {
        const QColor pixel = window.pixelColor(26, y);
        const bool green = pixel.green() > 150 && pixel.red() < 120 && pixel.blue() < 140;
        if (green && !inMark)
            ++marks;
        inMark = green;
    }
    return marks;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, [](int) { interrupted = 1; });
    const QStringList args = app.arguments();
    if (args.size() < 2 || (args.size() == 3 && args[2] != QLatin1String("--interactive"))
        || args.size() > 3) {
        say(QStringLiteral("usage: vexlo-demo PORTS_DIR [--interactive]"));
        return 2;
    }
    const QString portsDir = args[1];
    const bool interactive = args.size() == 3;
    const QString bin = QCoreApplication::applicationDirPath();
    const QString toolFolder = QDir::cleanPath(bin + QStringLiteral("/../lib/vexlo-utility"));
    const QString screenshot = QDir::cleanPath(bin + QStringLiteral("/../vexlo-demo.png"));
    const QUrl origin(vexlo::build::firmwareOrigin());
    if (origin.scheme() != QLatin1String("http") || origin.port() <= 0) {
        say(QStringLiteral("build the demo with a loopback VEXLO_FIRMWARE_ORIGIN"));
        return 2;
    }

    // The images the server serves, and what the stand-in tool writes to the board.
    QTemporaryDir work;
    const QByteArray esp32Image = makeImage(1 << 20, 1);
    const QString esp32File = work.filePath(QStringLiteral("ESP32-WROOM-32_latest.bin"));
    const QString controlFile = work.filePath(QStringLiteral("ControlBoard_V4_latest.bin"));
    const QString flashed = work.filePath(QStringLiteral("flash-contents.bin"));
    if (!writeFile(esp32File, esp32Image) || !writeFile(controlFile, makeImage(786432, 2))) {
        say(QStringLiteral("cannot write the demo images"));
        return 1;
    }
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(bin + QStringLiteral("/vexlo-loopback-server"),
                 {QStringLiteral("--port"), QString::number(origin.port()),
                  QStringLiteral("/Firmware/ESP32-WROOM-32_latest.bin=file:") + esp32File,
                  QStringLiteral("/Firmware/ControlBoard_V4_latest.bin=file:") + controlFile,
                  QStringLiteral("/Firmware/latest_board_firmware.txt=text:1.4.2\n")});
    if (!server.waitForReadyRead(5000)) {
        say(QStringLiteral("the local firmware server did not start"));
        return 1;
    }
    say(QStringLiteral("firmware server ") + QString::fromUtf8(server.readAll()).trimmed());

    const QString tool = toolFolder + QStringLiteral("/espflash");
    QFile::remove(tool);
    const QByteArray scenario =
        "board-info.out=Chip type:         esp32 (revision v3.1)\\nCrystal frequency: 40 MHz\\n"
        "Flash size:        4MB\\nMAC address:       a0:b7:65:12:34:56\\n\n"
        "board-info.err=[INFO ] Serial port: '/dev/ttyUSB0'\\n\n"
        "board-info.sleep_ms=300\n"
        "write-bin.copy_image="
        + QFile::encodeName(flashed)
        + "\n"
          "write-bin.chunks=e:Connecting...\\n|e:Writing 1048576 bytes at 0x0\\n|e:Flashing has "
          "completed!\\n\n"
          "write-bin.chunk_delay_ms=600\n"
          "reset.err=Resetting target device\\n\n";
    if (!QFile::copy(bin + QStringLiteral("/stand-in-espflash"), tool)
        || !writeFile(toolFolder + QStringLiteral("/espflash.scenario"), scenario)) {
        say(QStringLiteral("cannot place the stand-in espflash in ") + toolFolder);
        return 1;
    }

    PseudoTerminal board;
    if (!board.isOpen()) {
        say(QStringLiteral("cannot open a pseudo-terminal"));
        return 1;
    }
    // What the program sends to the board, byte for byte, as the board receives it.
    QByteArray wire;
    QSocketNotifier notifier(board.controllerDescriptor(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        const QByteArray bytes = board.readAvailable(0);
        wire += bytes;
        if (!bytes.isEmpty())
            say(QStringLiteral("board received %1 bytes: %2")
                    .arg(bytes.size())
                    .arg(QString::fromLatin1(bytes.toPercentEncoding(" {}\":,"))));
    });
    QDir().mkpath(portsDir);
    const QString port = portsDir + QStringLiteral("/ttyUSB0");
    QFile::remove(port);

    // The user's display, else a virtual one, else offscreen (where nobody can press the button).
    QString display = qEnvironmentVariable("DISPLAY");
    QProcess xvfb;
    if (display.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        int number = 97; // the first display number nobody holds
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            ++number;
        display = QStringLiteral(":%1").arg(number);
        xvfb.start(QStringLiteral("Xvfb"),
                   {display, QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("640x480x24"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp")});
        QThread::msleep(1000);
        say(QStringLiteral("no display: the window is shown on the virtual display ") + display);
    }
    QTemporaryDir runtime; // a private one: a running instance of the user's must not answer
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), work.filePath(QStringLiteral("cache")));
    if (display.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        env.insert(QStringLiteral("DISPLAY"), display);

    QProcess utility;
    utility.setProcessEnvironment(env);
    utility.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QByteArray log;
    QObject::connect(&utility, &QProcess::readyReadStandardOutput, &app, [&] {
        const QByteArray bytes = utility.readAllStandardOutput();
        log += bytes;
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    });
    const QString program = bin + QStringLiteral("/vexlo-utility");
    say(QStringLiteral("starting ") + program);
    utility.start(program, {});
    utility.waitForStarted(5000);
    const auto waitFor = [&](const std::function<bool()> &done, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms && utility.state() == QProcess::Running
               && !interrupted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return done();
    };
    const auto finish = [&](int status) {
        utility.terminate();
        utility.waitForFinished(3000);
        server.terminate();
        server.waitForFinished(3000);
        xvfb.terminate();
        xvfb.waitForFinished(3000);
        QFile::remove(port);
        return status;
    };

    waitFor([] { return false; }, 1500);
    say(QStringLiteral("plugging the board in as ") + port);
    QFile::link(board.terminalPath(), port);
    const QByteArray detected =
        "detection result for " + QFile::encodeName(port) + ": ESP32 DevKit";
    if (!waitFor([&] { return log.contains(detected); }, 15000)) {
        say(QStringLiteral("the board was not detected"));
        return finish(1);
    }
    if (interactive) {
        say(QStringLiteral(
            "the board is detected: press the button in the window, close it to end"));
        waitFor([] { return false; }, std::numeric_limits<int>::max());
        return finish(0);
    }
    if (display.isEmpty()) {
        say(QStringLiteral("without a display (and without Xvfb) the button cannot be pressed"));
        return finish(1);
    }

    const QString window = QString::fromUtf8(
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
             QStringLiteral("--pid"), QString::number(utility.processId()),
             QStringLiteral("--name"), QStringLiteral("^Vexlo Utility$")},
            display)
            .split('\n')
            .first());
    // The content is 336 x 338 at the window's bottom (under the menu bar); the install button
    // ends 20 points from the right and 22 from the bottom.
    const QString height = QString::fromUtf8(
        run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window}, display));
    const int windowHeight =
        height.section(QLatin1Char('x'), -1).section(QLatin1Char('\n'), 0, 0).toInt();
    say(QStringLiteral("pressing the install button"));
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("276"),
         QString::number(windowHeight - 34), QStringLiteral("click"), QStringLiteral("1")},
        display);

    const auto capture = [&] {
        return QImage::fromData(run(QStringLiteral("import"),
                                    {QStringLiteral("-window"), window, QStringLiteral("png:-")},
                                    display));
    };
    QImage shot;
    const bool allGreen = waitFor(
        [&] {
            shot = capture();
            return greenMarks(shot) == 4;
        },
        30000);
    // Whatever the program logged meanwhile comes before the verdict.
    waitFor([&] { return log.count("Resetting target device") == 2; }, 3000);
    if (!shot.isNull() && shot.save(screenshot))
        say(QStringLiteral("screenshot of the window: ") + screenshot);

    QFile written(flashed);
    const QByteArray onBoard = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    say(QStringLiteral("served image:  %1 bytes, SHA-256 %2")
            .arg(esp32Image.size())
            .arg(sha256(esp32Image)));
    say(QStringLiteral("written image: %1 bytes, SHA-256 %2")
            .arg(onBoard.size())
            .arg(sha256(onBoard)));
    const bool imageOk = onBoard == esp32Image;
    const bool lineOk = wire == QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n");
    const auto mark = [](bool ok) { return ok ? QStringLiteral("yes") : QStringLiteral("NO"); };
    say(QStringLiteral("verdict: %1 — image written byte for byte: %2; variant line received: %3; "
                       "install shown as successful: %4")
            .arg(imageOk && lineOk && allGreen ? QStringLiteral("PASS") : QStringLiteral("FAIL"),
                 mark(imageOk), mark(lineOk), mark(allGreen)));
    return finish(imageOk && lineOk && allGreen ? 0 : 1);
}
