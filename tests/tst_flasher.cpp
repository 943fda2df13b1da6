#include "PseudoTerminal.h"
#include "TestSupport.h"
#include "flasher/CommandRunner.h"
#include "flasher/EspflashTool.h"
#include "flasher/Flasher.h"
#include "flasher/SerialVariant.h"

#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using vexlo::CoilexVariant;
using vexlo::writeVariant;
Q_DECLARE_METATYPE(CoilexVariant)
Q_DECLARE_METATYPE(vexlo::FlashFailure)

namespace {

const QByteArray stdLine("{\"SET\":{\"VAR\":\"STD\"}}\n");
const QByteArray proLine("{\"SET\":{\"VAR\":\"PRO\"}}\n");
const QString finalDump = QStringLiteral("espflash output (final)\n ");
const QString applying = QStringLiteral("espflash: Applying variant config: ");
const QString resetOutput = QStringLiteral("espflash (cmd output)\n Resetting target device");

QString termination(const QString &reason, int status)
{
    return QStringLiteral("espflash termination \u2014 reason: %1, status: %2")
        .arg(reason)
        .arg(status);
}

enum Setup { normal, noPort, plainFilePort };

// The stand-in tool, an image beside it, a board on a pseudo-terminal reachable through a
// device-like symlink, and the log.
struct Rig {
    FakeEspflash tool;
    PseudoTerminal board;
    LogCapture log;
    QString image = tool.filePath(QStringLiteral("ESP32-WROOM-32_latest.bin"));
    QString port = tool.filePath(QStringLiteral("ttyUSB0"));

    Rig()
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\xe9\x03\x02\x20 firmware image"));
        file.close();
        QVERIFY(QFile::link(board.terminalPath(), port));
    }
    vexlo::FlasherOptions options()
    {
        vexlo::FlasherOptions options;
        options.toolSearchPath = tool.searchPath();
        options.log = log.sink();
        options.pauseBeforeVariant = 120ms;
        options.pauseAfterVariant = 80ms;
        options.commandTimeLimit = 1500ms;
        return options;
    }
    int reset() { return awaitTask(vexlo::runEspflash({"reset", "--port", port}, options())); }
    // The tool's runs, as W (write-bin) and R (reset), checking their arguments on the way.
    QString runs(const QString &portPath) const
    {
        QString kinds;
        for (const QString &call : tool.calls()) {
            if (call == "-S\twrite-bin\t--baud\t921600\t--port\t" + portPath + "\t0x0\t" + image)
                kinds += 'W';
            else
                kinds += call == "-S\treset\t--port\t" + portPath ? 'R' : '?';
        }
        return kinds;
    }
};

// Expected lines may hold "*" for a system's own text.
void compareLines(const QStringList &actual, const QStringList &expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        QStringList pieces = expected[i].split('*');
        for (QString &piece : pieces)
            piece = QRegularExpression::escape(piece);
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(pieces.join(".*")),
                                         QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(pattern.match(actual[i]).hasMatch(), qPrintable(actual[i] + " <> " + expected[i]));
    }
}

} // namespace

class TestFlasher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void flashRuns_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<int>("setup");
        QTest::addColumn<CoilexVariant>("variant");
        QTest::addColumn<vexlo::FlashFailure>("failure");
        QTest::addColumn<QStringList>("log"); // %PORT% stands for the port
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QByteArray>("wire");
        using F = vexlo::FlashFailure;
        const auto v4 = CoilexVariant::v4, pro = CoilexVariant::pro, u = CoilexVariant::universal;
        QTest::newRow("port missing")
            << QStringList{} << int(noPort) << v4 << F::portMissing
            << QStringList{"espflash: Port '%PORT%' not present at launch time."} << ""
            << QByteArray();
        QTest::newRow("tool missing")
            << QStringList{"remove-tool"} << int(normal) << v4 << F::toolMissing
            << QStringList{"espflash not found; looked in: /*"} << "" << QByteArray();
        QTest::newRow("tool not a program")
            << QStringList{"spoil-tool"} << int(normal) << v4 << F::toolNotStarted
            << QStringList{"espflash: Failed to start process \u2014 error: *. Port present: yes"}
            << "" << QByteArray();
        QTest::newRow("exit 2") << QStringList{"write-bin.exit=2"} << int(normal) << v4
                                << F::toolFailed << QStringList{termination("exit", 2), finalDump}
                                << "W" << QByteArray();
        QTest::newRow("killed") << QStringList{QStringLiteral("write-bin.signal=%1").arg(SIGKILL)}
                                << int(normal) << v4 << F::toolFailed
                                << QStringList{termination("uncaughtSignal", SIGKILL), finalDump}
                                << "W" << QByteArray();
        // Live lines keep each chunk's own line feed; a chunk that is not UTF-8 on its own (a
        // split "é", a stray byte) waits for the final dump.
        QTest::newRow("universal, live output")
            << QStringList{"write-bin.chunks=o:Connecting...\\n|e:abc\\n|o:caf\\xc3|o:\\xa9 "
                           "ok\\n|e:\\xff bad\\n",
                           "write-bin.chunk_delay_ms=120"}
            << int(normal) << u << F::none
            << QStringList{"espflash \u27f6 Connecting...\n", "espflash (stderr) \u27f6 abc\n",
                           termination("exit", 0),
                           finalDump + "Connecting...\nabc\ncaf\u00e9 ok\n\ufffd bad\n"}
            << "W" << QByteArray();
        const QStringList resets{"reset.out=Resetting target device\\n"};
        QTest::newRow("v4") << resets << int(normal) << v4 << F::none
                            << QStringList{termination("exit", 0), finalDump,
                                           applying + "Coilex V4", resetOutput, resetOutput}
                            << "WRR" << stdLine;
        QTest::newRow("pro") << resets << int(normal) << pro << F::none
                             << QStringList{termination("exit", 0), finalDump,
                                            applying + "Coilex Pro", resetOutput, resetOutput}
                             << "WRR" << proLine;
        // The board did not get the chosen variant: the resets still happen, the run fails.
        QTest::newRow("variant not sent")
            << QStringList{} << int(plainFilePort) << v4 << F::variantNotSent
            << QStringList{termination("exit", 0), finalDump, applying + "Coilex V4",
                           "serial: Failed to configure %PORT% at 115200",
                           "espflash: Warning \u2014 failed to write VAR over serial"}
            << "WRR" << QByteArray();
        // A reset that hangs is stopped at its limit; the run goes on.
        const QString stopped =
            "espflash: Command reset --port %PORT% did not end within 1.5 s and was stopped";
        QTest::newRow("hung resets")
            << QStringList{"reset.sleep_ms=60000", "reset.err=Connecting...\\n"} << int(normal)
            << pro << F::none
            << QStringList{termination("exit", 0),
                           finalDump,
                           applying + "Coilex Pro",
                           "espflash (cmd output)\n Connecting...",
                           stopped,
                           "espflash (cmd output)\n Connecting...",
                           stopped}
            << "WRR" << proLine;
        QTest::newRow("port vanishes, write failed")
            << QStringList{"write-bin.remove=%PORT%", "write-bin.exit=1"} << int(normal) << v4
            << F::portVanished
            << QStringList{"espflash: Port '%PORT%' disappeared during flashing "
                           "(post-termination check).",
                           termination("exit", 1), finalDump}
            << "W" << QByteArray();
        QTest::newRow("port vanishes")
            << QStringList{"write-bin.remove=%PORT%"} << int(normal) << u << F::none
            << QStringList{"espflash: Port '%PORT%' disappeared during flashing "
                           "(post-termination check).",
                           termination("exit", 0), finalDump}
            << "W" << QByteArray();
    }

    // The runs of write-bin and the resets, the log, and the bytes on the wire; the variant line
    // reaches the board after exactly two tool runs (the write and the first reset).
    void flashRuns()
    {
        QFETCH(QStringList, scenario);
        QFETCH(int, setup);
        QFETCH(CoilexVariant, variant);
        QFETCH(vexlo::FlashFailure, failure);
        QFETCH(QStringList, log);
        QFETCH(QString, runs);
        QFETCH(QByteArray, wire);
        Rig rig;
        QString port = rig.port;
        if (setup == plainFilePort) {
            port = rig.tool.filePath(QStringLiteral("ttyUSB1"));
            QFile file(port);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (setup == noPort)
            port = QStringLiteral("/dev/ttyUSB-vexlo-absent");
        rig.tool.setScenario(scenario.replaceInStrings("%PORT%", port)
                             << "write-bin.copy_image=" + rig.tool.filePath("written.bin"));

        qsizetype runsWhenLineArrived = -1;
        QByteArray received;
        QSocketNotifier notifier(rig.board.controllerDescriptor(), QSocketNotifier::Read);
        connect(&notifier, &QSocketNotifier::activated, this, [&] {
            char buffer[256];
            const ssize_t n = ::read(rig.board.controllerDescriptor(), buffer, sizeof buffer);
            if (n > 0 && received.isEmpty())
                runsWhenLineArrived = rig.tool.calls().size();
            if (n > 0)
                received.append(buffer, n);
        });
        const auto outcome = awaitTask(vexlo::flash(rig.image, port, variant, rig.options()));
        QCOMPARE(outcome.failure, failure);
        QCOMPARE(outcome.imageWritten, runs.startsWith('W') && outcome.toolStatus == 0);
        QCOMPARE(outcome.variantDelivered, outcome.succeeded());
        QCoreApplication::processEvents();
        compareLines(rig.log.lines, log.replaceInStrings("%PORT%", port));
        QCOMPARE(rig.runs(port), runs);
        QCOMPARE(received, wire);
        if (!wire.isEmpty())
            QCOMPARE(runsWhenLineArrived, 2);
        if (runs.startsWith('W')) {
            QFile written(rig.tool.filePath("written.bin")), original(rig.image);
            QVERIFY(written.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll(), original.readAll());
        }
    }

    void commandRuns_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("stdout") << QStringList{"reset.out=ok\\n"} << 0
                                << QStringList{"espflash (cmd output)\n ok"};
        QTest::newRow("stderr only, no empty first line")
            << QStringList{"reset.err=  warn\\n", "reset.exit=5"} << 5
            << QStringList{"espflash (cmd output)\n warn"};
        QTest::newRow("blanks only")
            << QStringList{"reset.out= \\n\\n", "reset.err=\\t\\n"} << 0 << QStringList{};
        QTest::newRow("tool missing")
            << QStringList{"remove-tool"} << -1 << QStringList{"espflash not found; looked in: *"};
        QTest::newRow("tool not a program") << QStringList{"spoil-tool"} << -1
                                            << QStringList{"espflash: Failed to run command reset "
                                                           "--port %PORT% \u2014 *"};
    }

    void commandRuns()
    {
        QFETCH(QStringList, scenario);
        QFETCH(int, status);
        QFETCH(QStringList, lines);
        Rig rig;
        rig.tool.setScenario(scenario);
        QCOMPARE(rig.reset(), status);
        compareLines(rig.log.lines, lines.replaceInStrings("%PORT%", rig.port));
        QCOMPARE(rig.runs(rig.port), status == -1 ? "" : "R");
    }

    // Folders a, then b: the first executable file ("+") is the tool.
    void toolLocation_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("first folder first") << QStringList{"a/espflash+", "b/espflash+"};
        QTest::newRow("not executable") << QStringList{"a/espflash", "b/espflash+"};
    }
    void toolLocation()
    {
        QFETCH(QStringList, files);
        QTemporaryDir root;
        for (const QString &name : files) {
            QFile file(root.filePath(QString(name).remove('+')));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            QVERIFY(!name.endsWith('+') || file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        }
        QCOMPARE(vexlo::espflash::location({root.filePath("a"), root.filePath("b")}).value_or(""),
                 root.filePath(files.filter("+").constFirst().chopped(1)));
    }

    // Exactly the 22 bytes, raw at 115200 8N1, whatever the line's settings were before.
    void theLineOnTheWire()
    {
        PseudoTerminal board;
        termios before{};
        QCOMPARE(tcgetattr(board.terminalDescriptor(), &before), 0);
        before.c_cflag |= PARENB | CSTOPB;
        before.c_lflag |= ICANON | ECHO;
        before.c_oflag |= OPOST | ONLCR;
        cfsetispeed(&before, B9600);
        cfsetospeed(&before, B9600);
        QCOMPARE(tcsetattr(board.terminalDescriptor(), TCSANOW, &before), 0);

        LogCapture log;
        QVERIFY(writeVariant(board.terminalPath(), CoilexVariant::v4, log.sink()));
        QCOMPARE(board.readAvailable(), stdLine);
        QVERIFY(log.lines.isEmpty());
        termios after{};
        QCOMPARE(tcgetattr(board.terminalDescriptor(), &after), 0);
        QCOMPARE(cfgetispeed(&after), speed_t(B115200));
        QCOMPARE(cfgetospeed(&after), speed_t(B115200));
        QCOMPARE(after.c_cflag & (CSIZE | PARENB | CSTOPB | CREAD | CLOCAL),
                 tcflag_t(CS8 | CREAD | CLOCAL));
        QCOMPARE(after.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
        QCOMPARE(after.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(after.c_cc[VMIN], cc_t(0));
        QCOMPARE(after.c_cc[VTIME], cc_t(0));
    }

    void serialFailuresAreNamed()
    {
        LogCapture log;
        const QString missing = QStringLiteral("/dev/vexlo-no-such-port");
        // Universal sends nothing and opens nothing.
        QVERIFY(writeVariant(missing, CoilexVariant::universal, log.sink()));
        QVERIFY(!writeVariant(missing, CoilexVariant::v4, log.sink()));
        QCOMPARE(
            log.lines,
            QStringList{"serial: Failed to open " + missing + " \u2014 No such file or directory"});
    }

    void aStalledLine_data()
    {
        QTest::addColumn<int>("resumeAfterMs");
        QTest::newRow("resumes") << 200;
        QTest::newRow("stays stalled") << -1;
    }

    // Output held off: a line that resumes within the bound gets the whole line; one that does
    // not is a failure within about a second, and nothing of the line is left queued.
    void aStalledLine()
    {
        QFETCH(int, resumeAfterMs);
        PseudoTerminal board;
        QCOMPARE(tcflow(board.terminalDescriptor(), TCOOFF), 0);
        std::thread resume([&] {
            if (resumeAfterMs < 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(resumeAfterMs));
            tcflow(board.terminalDescriptor(), TCOON);
        });
        LogCapture log;
        QElapsedTimer clock;
        clock.start();
        const bool written = writeVariant(board.terminalPath(), CoilexVariant::pro, log.sink());
        resume.join();
        QCOMPARE(written, resumeAfterMs >= 0);
        QVERIFY(clock.elapsed() < 3000);
        if (written) {
            QCOMPARE(board.readAvailable(), proLine);
            QVERIFY(log.lines.isEmpty());
            return;
        }
        QCOMPARE(log.lines,
                 QStringList{"serial: Write failed on " + board.terminalPath()
                             + " \u2014 Resource temporarily unavailable"});
        tcflow(board.terminalDescriptor(), TCOON);
        QVERIFY(board.readAvailable(200).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFlasher)
#include "tst_flasher.moc"
