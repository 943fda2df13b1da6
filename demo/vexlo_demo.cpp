// Runs the built program through its whole job against a simulated machine: a board on a
// pseudo-terminal that shows up as a USB serial port, a stand-in espflash in the program's
// private tool folder that answers like an ESP32 and "writes" the image by copying it, and a
// local firmware server at the program's built-in origin. The demo plugs the board in, presses
// the install button once the board is detected, waits for the four steps to turn green, saves a
// screenshot and ends with a verdict.
//   vexlo-demo PORTS_DIR [--interactive]
#include "DemoSupport.h"
#include "PseudoTerminal.h"
#include "WindowDriver.h"
#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>

namespace {

using demo::say;
using demo::writeFile;

// Ctrl-C ends the demo through its usual cleanup, so nothing it started is left running.
volatile std::sig_atomic_t interrupted = 0;

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

// The simulated machine, the program under test and what the demo saw of it. Members are
// declared in the order the demo sets them up, so they are torn down in reverse.
class Demo
{
public:
    Demo(QString portsDir, QUrl origin)
        : m_portsDir(std::move(portsDir))
        , m_origin(std::move(origin))
    {
    }

    int run(bool interactive)
    {
        if (!serveFirmware() || !placeStandInTool() || !listenToBoard())
            return 1;
        m_driver.chooseDisplay();
        startUtility();
        if (!plugInBoard())
            return finish(1);
        if (interactive) {
            say(QStringLiteral(
                "the board is detected: press the button in the window, close it to end"));
            waitFor([] { return false; }, std::numeric_limits<int>::max());
            return finish(0);
        }
        if (m_driver.display().isEmpty()) {
            say(QStringLiteral(
                "without a display (and without Xvfb) the button cannot be pressed"));
            return finish(1);
        }
        m_driver.pressInstallButton(m_utility.processId());
        const bool allGreen = waitForGreenSteps();
        return finish(judge(allGreen) ? 0 : 1);
    }

private:
    // The images the server serves, and the server.
    bool serveFirmware()
    {
        const QString esp32File = m_work.filePath(QStringLiteral("ESP32-WROOM-32_latest.bin"));
        const QString controlFile = m_work.filePath(QStringLiteral("ControlBoard_V4_latest.bin"));
        if (!writeFile(esp32File, m_esp32Image) || !writeFile(controlFile, makeImage(786432, 2))) {
            say(QStringLiteral("cannot write the demo images"));
            return false;
        }
        return demo::startFirmwareServer(
            m_server, m_bin,
            {QStringLiteral("--port"), QString::number(m_origin.port()),
             QStringLiteral("/Firmware/ESP32-WROOM-32_latest.bin=file:") + esp32File,
             QStringLiteral("/Firmware/ControlBoard_V4_latest.bin=file:") + controlFile,
             QStringLiteral("/Firmware/latest_board_firmware.txt=text:1.4.2\n")});
    }

    // The stand-in espflash in the program's private tool folder, and what it answers.
    bool placeStandInTool()
    {
        const QByteArray scenario =
            "board-info.out=Chip type:         esp32 (revision v3.1)\\nCrystal frequency: 40 MHz\\n"
            "Flash size:        4MB\\nMAC address:       a0:b7:65:12:34:56\\n\n"
            "board-info.err=[INFO ] Serial port: '/dev/ttyUSB0'\\n\n"
            "board-info.sleep_ms=300\n"
            "write-bin.copy_image="
            + QFile::encodeName(m_flashed)
            + "\n"
              "write-bin.chunks=e:Connecting...\\n|e:Writing 1048576 bytes at 0x0\\n|e:Flashing "
              "has completed!\\n\n"
              "write-bin.chunk_delay_ms=600\n"
              "reset.err=Resetting target device\\n\n";
        return demo::placeStandInTool(m_bin, scenario);
    }

    // What the program sends to the board, byte for byte, as the board receives it.
    bool listenToBoard()
    {
        if (!m_board.isOpen()) {
            say(QStringLiteral("cannot open a pseudo-terminal"));
            return false;
        }
        m_notifier.emplace(m_board.controllerDescriptor(), QSocketNotifier::Read);
        QObject::connect(&*m_notifier, &QSocketNotifier::activated, qApp, [this] {
            const QByteArray bytes = m_board.readAvailable(0);
            m_wire += bytes;
            if (!bytes.isEmpty())
                say(QStringLiteral("board received %1 bytes: %2")
                        .arg(bytes.size())
                        .arg(QString::fromLatin1(bytes.toPercentEncoding(" {}\":,"))));
        });
        QDir().mkpath(m_portsDir);
        QFile::remove(m_port);
        return true;
    }

    // The program, its log echoed here and kept for the waits.
    void startUtility()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_work.filePath(QStringLiteral("cache")));
        if (m_driver.display().isEmpty())
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else
            env.insert(QStringLiteral("DISPLAY"), m_driver.display());
        m_utility.setProcessEnvironment(env);
        m_utility.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_utility, &QProcess::readyReadStandardOutput, qApp, [this] {
            const QByteArray bytes = m_utility.readAllStandardOutput();
            m_log += bytes;
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
            std::fflush(stdout);
        });
        const QString program = m_bin + QStringLiteral("/vexlo-utility");
        say(QStringLiteral("starting ") + program);
        m_utility.start(program, {});
        m_utility.waitForStarted(5000);
    }

    bool plugInBoard()
    {
        waitFor([] { return false; }, 1500);
        say(QStringLiteral("plugging the board in as ") + m_port);
        QFile::link(m_board.terminalPath(), m_port);
        const QByteArray detected =
            "detection result for " + QFile::encodeName(m_port) + ": ESP32 DevKit";
        if (!waitFor([&] { return m_log.contains(detected); }, 15000)) {
            say(QStringLiteral("the board was not detected"));
            return false;
        }
        return true;
    }

    // Waits for the four step marks to turn green, and saves the last screenshot.
    bool waitForGreenSteps()
    {
        QImage shot;
        const bool allGreen = waitFor(
            [&] {
                shot = m_driver.capture();
                return greenMarks(shot) == 4;
            },
            30000);
        // Whatever the program logged meanwhile comes before the verdict.
        waitFor([&] { return m_log.count("Resetting target device") == 2; }, 3000);
        const QString screenshot = QDir::cleanPath(m_bin + QStringLiteral("/../vexlo-demo.png"));
        if (!shot.isNull() && shot.save(screenshot))
            say(QStringLiteral("screenshot of the window: ") + screenshot);
        return allGreen;
    }

    bool judge(bool allGreen)
    {
        QFile written(m_flashed);
        const QByteArray onBoard =
            written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
        say(QStringLiteral("served image:  %1 bytes, SHA-256 %2")
                .arg(m_esp32Image.size())
                .arg(sha256(m_esp32Image)));
        say(QStringLiteral("written image: %1 bytes, SHA-256 %2")
                .arg(onBoard.size())
                .arg(sha256(onBoard)));
        const bool imageOk = onBoard == m_esp32Image;
        const bool lineOk = m_wire == QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n");
        const auto mark = [](bool ok) { return ok ? QStringLiteral("yes") : QStringLiteral("NO"); };
        const bool pass = imageOk && lineOk && allGreen;
        say(QStringLiteral("verdict: %1 — image written byte for byte: %2; variant line received: "
                           "%3; install shown as successful: %4")
                .arg(pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"), mark(imageOk),
                     mark(lineOk), mark(allGreen)));
        return pass;
    }

    bool waitFor(const std::function<bool()> &done, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms && m_utility.state() == QProcess::Running
               && !interrupted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return done();
    }

    int finish(int status)
    {
        m_utility.terminate();
        m_utility.waitForFinished(3000);
        m_server.terminate();
        m_server.waitForFinished(3000);
        m_driver.stop();
        QFile::remove(m_port);
        return status;
    }

    const QString m_portsDir;
    const QUrl m_origin;
    const QString m_bin = QCoreApplication::applicationDirPath();
    const QString m_port = m_portsDir + QStringLiteral("/ttyUSB0");
    QTemporaryDir m_work;
    const QByteArray m_esp32Image = makeImage(1 << 20, 1);
    const QString m_flashed = m_work.filePath(QStringLiteral("flash-contents.bin"));
    QProcess m_server;
    PseudoTerminal m_board;
    QByteArray m_wire;
    std::optional<QSocketNotifier> m_notifier;
    demo::WindowDriver m_driver;
    QTemporaryDir m_runtime; // a private one: a running instance of the user's must not answer
    QProcess m_utility;
    QByteArray m_log;
};

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
    const QUrl origin(vexlo::build::firmwareOrigin());
    if (origin.scheme() != QLatin1String("http") || origin.port() <= 0) {
        say(QStringLiteral("build the demo with a loopback VEXLO_FIRMWARE_ORIGIN"));
        return 2;
    }
    Demo demo(args[1], origin);
    return demo.run(args.size() == 3);
}
