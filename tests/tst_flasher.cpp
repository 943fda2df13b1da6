#include "PseudoTerminal.h"
#include "TestSupport.h"
#include "flasher/CommandRunner.h"
#include "flasher/Flasher.h"
#include "flasher/SerialVariant.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <csignal>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using vexlo::CoilexVariant;
using vexlo::writeVariant;
Q_DECLARE_METATYPE(CoilexVariant)

namespace {

const QByteArray stdLine("{\"SET\":{\"VAR\":\"STD\"}}\n");
const QByteArray proLine("{\"SET\":{\"VAR\":\"PRO\"}}\n");
const QString arrow = QStringLiteral("espflash \u27f6 ");
const QString errArrow = QStringLiteral("espflash (stderr) \u27f6 ");
const QString finalDump = QStringLiteral("espflash output (final)\n ");

QString termination(const QString &reason, int status)
{
    return QStringLiteral("espflash termination \u2014 reason: %1, status: %2")
        .arg(reason)
        .arg(status);
}

// The fake tool, an image beside it, a board on a pseudo-terminal reachable through a
// device-like symlink, and the log.
struct Rig {
    FakeEspflash tool;
    PseudoTerminal board;
    LogCapture log;
    QString image = tool.filePath(QStringLiteral("ESP32-WROOM-32_latest.bin"));
    QString port = tool.filePath(QStringLiteral("ttyUSB0"));
    bool withResources = true;

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
        options.resourcesDirectory =
            withResources ? std::optional(tool.resourcesDirectory()) : std::nullopt;
        options.log = log.sink();
        options.pauseBeforeVariant = 120ms;
        options.pauseAfterVariant = 80ms;
        options.commandTimeLimit = 1500ms;
        return options;
    }

    bool flash(CoilexVariant variant, const QString &portPath = {})
    {
        return awaitTask(
            vexlo::flash(image, portPath.isEmpty() ? port : portPath, variant, options()));
    }
    int reset() { return awaitTask(vexlo::runEspflash({"reset", "--port", port}, options())); }

    QString writeBinCall(const QString &portPath = {}) const
    {
        return "-S\twrite-bin\t--baud\t921600\t--port\t" + (portPath.isEmpty() ? port : portPath)
            + "\t0x0\t" + image;
    }
    QString resetCall(const QString &portPath = {}) const
    {
        return "-S\treset\t--port\t" + (portPath.isEmpty() ? port : portPath);
    }
};

} // namespace

class TestFlasher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void refusedBeforeLaunch_data()
    {
        QTest::addColumn<bool>("resources");
        QTest::addColumn<bool>("image");
        QTest::addColumn<bool>("port");
        QTest::addColumn<bool>("portMessage");
        QTest::newRow("no resources folder") << false << true << true << false;
        QTest::newRow("image missing") << true << false << true << false;
        QTest::newRow("port missing") << true << true << false << true;
        QTest::newRow("both missing: the image is tested first") << true << false << false << false;
    }

    void refusedBeforeLaunch()
    {
        QFETCH(bool, resources);
        QFETCH(bool, image);
        QFETCH(bool, port);
        QFETCH(bool, portMessage);
        Rig rig;
        rig.withResources = resources;
        if (!image)
            QVERIFY(QFile::remove(rig.image));
        const QString portPath = port ? rig.port : QStringLiteral("/dev/ttyUSB-vexlo-absent");
        QVERIFY(!rig.flash(CoilexVariant::v4, portPath));
        QCOMPARE(rig.log.lines,
                 portMessage
                     ? QStringList{"espflash: Port '" + portPath + "' not present at launch time."}
                     : QStringList{});
        QVERIFY(rig.tool.calls().isEmpty());
    }

    void launchFailuresAreNamed()
    {
        Rig rig;
        rig.tool.removeTool();
        QVERIFY(!rig.flash(CoilexVariant::v4));
        QCOMPARE(rig.reset(), -1);
        QCOMPARE(rig.log.lines.size(), 2);
        QVERIFY2(rig.log.lines[0].startsWith("espflash: Failed to start process \u2014 error: ")
                     && rig.log.lines[0].contains("No such file or directory")
                     && rig.log.lines[0].endsWith(". Port present: yes"),
                 qPrintable(rig.log.lines[0]));
        QVERIFY2(rig.log.lines[1].startsWith("espflash: Failed to run command reset --port "
                                             + rig.port + " \u2014 "),
                 qPrintable(rig.log.lines[1]));
    }

    // Live lines keep each chunk's own line feed; a chunk that is not UTF-8 on its own (a split
    // "é", a stray byte) waits for the final dump.
    void universalWritesTheImageAndNothingElse()
    {
        Rig rig;
        const QString copy = rig.tool.filePath(QStringLiteral("written.bin"));
        rig.tool.setScenario({"write-bin.copy_image=" + copy,
                              "write-bin.chunks=o:Connecting...\\n|e:abc\\n|o:caf\\xc3|o:\\xa9 "
                              "ok\\n|e:\\xff bad\\n",
                              "write-bin.chunk_delay_ms=120"});
        QVERIFY(rig.flash(CoilexVariant::universal));
        QCOMPARE(rig.tool.calls(), QStringList{rig.writeBinCall()});
        QFile written(copy), original(rig.image);
        QVERIFY(written.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), original.readAll());
        QCOMPARE(rig.log.lines,
                 (QStringList{arrow + "Connecting...\n", errArrow + "abc\n", termination("exit", 0),
                              finalDump + "Connecting...\nabc\ncaf\u00e9 ok\n\ufffd bad\n"}));
        QVERIFY(rig.board.readAvailable(100).isEmpty());
    }

    void failedWritesEndTheRun_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exit 2") << QStringLiteral("write-bin.exit=2") << termination("exit", 2);
        QTest::newRow("killed") << QStringLiteral("write-bin.signal=%1").arg(SIGKILL)
                                << termination("uncaughtSignal", SIGKILL);
    }

    void failedWritesEndTheRun()
    {
        QFETCH(QString, ending);
        QFETCH(QString, expected);
        Rig rig;
        rig.tool.setScenario({ending});
        QVERIFY(!rig.flash(CoilexVariant::v4));
        QCOMPARE(rig.log.lines, (QStringList{expected, finalDump}));
        QCOMPARE(rig.tool.calls(), QStringList{rig.writeBinCall()});
        QVERIFY(rig.board.readAvailable(100).isEmpty());
    }

    void variantsAreSentBetweenTheResets_data()
    {
        QTest::addColumn<CoilexVariant>("variant");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("v4") << CoilexVariant::v4 << stdLine << QStringLiteral("Coilex V4");
        QTest::newRow("pro") << CoilexVariant::pro << proLine << QStringLiteral("Coilex Pro");
    }

    void variantsAreSentBetweenTheResets()
    {
        QFETCH(CoilexVariant, variant);
        QFETCH(QByteArray, line);
        QFETCH(QString, name);
        Rig rig;
        rig.tool.setScenario({"reset.out=Resetting target device\\n"});
        // How many tool runs have been made when the line reaches the board.
        qsizetype runsWhenLineArrived = -1;
        QByteArray wire;
        QSocketNotifier notifier(rig.board.controllerDescriptor(), QSocketNotifier::Read);
        connect(&notifier, &QSocketNotifier::activated, this, [&] {
            char buffer[256];
            const ssize_t n = ::read(rig.board.controllerDescriptor(), buffer, sizeof buffer);
            if (n > 0 && wire.isEmpty())
                runsWhenLineArrived = rig.tool.calls().size();
            if (n > 0)
                wire.append(buffer, n);
        });
        QVERIFY(rig.flash(variant));
        QCOMPARE(wire, line);
        QCOMPARE(runsWhenLineArrived, 2);
        QCOMPARE(rig.tool.calls(),
                 (QStringList{rig.writeBinCall(), rig.resetCall(), rig.resetCall()}));
        const QString resetOutput =
            QStringLiteral("espflash (cmd output)\n Resetting target device");
        QCOMPARE(
            rig.log.lines,
            (QStringList{termination("exit", 0), finalDump,
                         "espflash: Applying variant config: " + name, resetOutput, resetOutput}));
    }

    // The board did not get the chosen variant: the resets still happen, but the run fails.
    void aVariantThatCannotBeSentFailsTheRun()
    {
        Rig rig;
        const QString plainFile = rig.tool.filePath(QStringLiteral("ttyUSB1"));
        QFile file(plainFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!rig.flash(CoilexVariant::v4, plainFile));
        QCOMPARE(rig.tool.calls(),
                 (QStringList{rig.writeBinCall(plainFile), rig.resetCall(plainFile),
                              rig.resetCall(plainFile)}));
        QCOMPARE(rig.log.lines.mid(2),
                 (QStringList{"espflash: Applying variant config: Coilex V4",
                              "serial: Failed to configure " + plainFile + " at 115200",
                              "espflash: Warning \u2014 failed to write VAR over serial"}));
    }

    // A reset that hangs is stopped at its limit; the run goes on and the line still goes out.
    void aHungResetIsStopped()
    {
        Rig rig;
        rig.tool.setScenario({"reset.sleep_ms=60000", "reset.err=Connecting...\\n"});
        QVERIFY(rig.flash(CoilexVariant::pro));
        const QString stopped = "espflash: Command reset --port " + rig.port
            + " did not end within 1.5 s and was stopped";
        QCOMPARE(rig.log.startingWith("espflash: Command"), (QStringList{stopped, stopped}));
        QCOMPARE(rig.log.startingWith("espflash (cmd output)").size(), 2);
        QCOMPARE(rig.board.readAvailable(), proLine);
    }

    void aPortThatVanishesDuringTheWriteIsReported()
    {
        Rig rig;
        rig.tool.setScenario({"write-bin.remove=" + rig.port});
        QVERIFY(rig.flash(CoilexVariant::universal));
        QCOMPARE(rig.log.lines.first(),
                 "espflash: Port '" + rig.port
                     + "' disappeared during flashing (post-termination check).");
    }

    void commandRunsLogTheirCollectedOutput_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("stdout") << QStringList{"reset.out=ok\\n"} << 0
                                << QStringList{"espflash (cmd output)\n ok"};
        QTest::newRow("stderr only, no empty first line")
            << QStringList{"reset.err=  warn\\n", "reset.exit=5"} << 5
            << QStringList{"espflash (cmd output)\n warn"};
        QTest::newRow("both") << QStringList{"reset.out=a\\n", "reset.err=b"} << 0
                              << QStringList{"espflash (cmd output)\n a\n\nb"};
        QTest::newRow("blanks only")
            << QStringList{"reset.out= \\n\\n", "reset.err=\\t\\n"} << 0 << QStringList{};
        QTest::newRow("killed") << QStringList{QStringLiteral("reset.signal=%1").arg(SIGTERM)}
                                << int(SIGTERM) << QStringList{};
    }

    void commandRunsLogTheirCollectedOutput()
    {
        QFETCH(QStringList, scenario);
        QFETCH(int, status);
        QFETCH(QStringList, lines);
        Rig rig;
        rig.tool.setScenario(scenario);
        QCOMPARE(rig.reset(), status);
        QCOMPARE(rig.log.lines, lines);
        QCOMPARE(rig.tool.calls(), QStringList{rig.resetCall()});
    }

    void linesOnTheWire_data()
    {
        QTest::addColumn<CoilexVariant>("variant");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("v4") << CoilexVariant::v4 << stdLine;
        QTest::newRow("pro") << CoilexVariant::pro << proLine;
    }

    // Exactly the 22 bytes, raw at 115200 8N1, whatever the line's settings were before.
    void linesOnTheWire()
    {
        QFETCH(CoilexVariant, variant);
        QFETCH(QByteArray, bytes);
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
        QVERIFY(writeVariant(board.terminalPath(), variant, log.sink()));
        QCOMPARE(board.readAvailable(), bytes);
        QCOMPARE(bytes.size(), 22);
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
        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("ttyUSB0"));
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!writeVariant(plain, CoilexVariant::pro, log.sink()));
        QCOMPARE(
            log.lines,
            (QStringList{"serial: Failed to open " + missing + " \u2014 No such file or directory",
                         "serial: Failed to configure " + plain + " at 115200"}));
        QCOMPARE(QFileInfo(plain).size(), 0);
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
