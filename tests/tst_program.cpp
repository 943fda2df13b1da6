#include "LoopbackHttpServer.h"
#include "PseudoTerminal.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString root = QStringLiteral(E2E_ROOT);
const QString port = root + QStringLiteral("/dev/ttyUSB0");
const QString tag = QStringLiteral("[SerialPortMonitor] ");
const QString tools = root + QStringLiteral("/lib/vexlo-utility");
const QByteArray esp32s3 =
    "board-info.out=Chip type:         esp32s3 (revision v0.2)\\nFlash size: 8MB\\n\n";

// The stand-in espflash in the program's private tool folder, acting as the scenario says.
void setScenario(const QByteArray &scenario)
{
    QFile::remove(tools + QStringLiteral("/espflash.calls"));
    QFile::remove(tools + QStringLiteral("/espflash"));
    QVERIFY(QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), tools + "/espflash"));
    QFile file(tools + QStringLiteral("/espflash.scenario"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(scenario);
}

// The built program as a user runs it, with private runtime and state folders (where an
// instance finds the running one, where its log file goes) of the test's; on a virtual display
// when one is given.
void startProgram(QProcess &program, const QTemporaryDir &home, const QString &display = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    // No session bus on the virtual display: Qt's attempts to reach one leave allocations behind.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    program.setProcessEnvironment(env);
    program.start(root + QStringLiteral("/bin/vexlo-utility"), {});
    QVERIFY(program.state() != QProcess::NotRunning);
}

// The living (not zombie) processes among these, their children and their process groups.
QList<qint64> livingKin(const QList<qint64> &pids)
{
    QList<qint64> kin;
    for (const ProcessEntry &process : processes()) {
        if (!process.zombie
            && (pids.contains(process.pid) || pids.contains(process.parent)
                || pids.contains(process.group)))
            kin << process.pid;
    }
    return kin;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setScenario(esp32s3); }
    // A board plugged in at start is detected, with the whole sequence on standard output.
    void detectsABoardPluggedInAtStart()
    {
        QFile::remove(port);
        PseudoTerminal board;
        QVERIFY(QFile::link(board.terminalPath(), port));
        QProcess program;
        QByteArray output;
        connect(&program, &QProcess::readyReadStandardOutput,
                [&] { output += program.readAllStandardOutput(); });
        QTemporaryDir runtime;
        startProgram(program, runtime);
        // The whole sequence is the monitor's test; here: the program's own wiring finds the
        // port of its build-time listing and the tool in its private tool folder.
        QVERIFY(waitUntil([&] { return output.contains("lastDetectionLog:"); }));
        QVERIFY2(output.startsWith("[SerialPortMonitor] ports=[\"" + port.toUtf8() + "\"]"),
                 output.constData());
        QVERIFY(output.contains("detection result for " + port.toUtf8() + ": Control Board"));
        // The log file begins with the same line after its time.
        QByteArray logged = readFile(runtime.filePath("vexlo-utility/vexlo-utility.log"));
        logged.truncate(logged.indexOf('\n') + 1);
        QVERIFY2(logged.startsWith("20")
                     && logged.endsWith(" " + output.left(output.indexOf('\n') + 1)),
                 logged);

        // A second start finds this one, asks it to come forward and ends.
        QProcess second;
        startProgram(second, runtime);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().isEmpty());
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished(5000);
        QFile::remove(port);
    }

    // Twenty double starts at the same moment: each time one opens its window, and the other
    // asks it to come forward and ends. All at once, so that the machine is busy as on a slow
    // day.
    void oneWindowPerDoubleStart()
    {
        QTemporaryDir runtimes[20];
        QProcess programs[2 * std::size(runtimes)];
        for (int i = 0; i < int(std::size(programs)); ++i)
            startProgram(programs[i], runtimes[i / 2]);
        for (int trial = 0; trial < int(std::size(runtimes)); ++trial) {
            QProcess *pair = programs + 2 * trial;
            QVERIFY(waitUntil([&] {
                return pair[0].state() == QProcess::NotRunning
                    || pair[1].state() == QProcess::NotRunning;
            }));
            QProcess &second = pair[0].state() == QProcess::NotRunning ? pair[0] : pair[1];
            QProcess &first = &second == pair ? pair[1] : pair[0];
            QCOMPARE(second.exitCode(), 0);
            QCOMPARE(first.state(), QProcess::Running);
            first.kill();
        }
        for (QProcess &program : programs)
            program.waitForFinished(5000);
    }

    // Ended by SIGTERM while the tool hangs in a detection: the program exits with 0, and
    // nothing it started remains.
    void leavesNoChildBehind()
    {
        QFile::remove(port);
        PseudoTerminal board;
        QVERIFY(QFile::link(board.terminalPath(), port));
        QTemporaryDir home;
        QProcess program;
        setScenario("board-info.sleep_ms=60000\n");
        startProgram(program, home);
        QVERIFY(
            waitUntil([&] { return readFile(tools + "/espflash.calls").contains("board-info"); }));
        const qint64 pid = program.processId();
        const QList<qint64> children = livingKin({pid});
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(waitUntil([&] { return livingKin(children).isEmpty(); }));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QFile::remove(port);
    }

    // Its log goes to a FIFO whose reader goes away: the program carries on, and its log file
    // goes on getting every line.
    void outlivesTheReaderOfItsLog()
    {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("log")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        QProcess program;
        program.setStandardOutputFile(QFile::decodeName(fifo));
        startProgram(program, dir);
        char byte;
        QVERIFY(waitUntil([&] { return ::read(reader, &byte, 1) == 1; }));
        ::close(reader);
        const auto listings = [&] {
            return readFile(dir.filePath("vexlo-utility/vexlo-utility.log")).count("ports=[]\n");
        };
        const qsizetype before = listings();
        QVERIFY(waitUntil([&] { return listings() >= before + 2; }));
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished(5000);
    }

    void terminationSignalsDuringAWrite_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one: the run ends, then the program") << 1;
        QTest::newRow("two: at once") << 2;
    }

    // SIGTERM in the middle of a write: the board still gets its image, its resets and its
    // variant line, and the program exits 0 afterwards. A second one ends the tool and the
    // program at once. The button is pressed on a virtual display, as a user would.
    void terminationSignalsDuringAWrite()
    {
        QFETCH(int, count);
        QFile::remove(port);
        PseudoTerminal board;
        QVERIFY(QFile::link(board.terminalPath(), port));
        LoopbackHttpServer server;
        QVERIFY(server.listen(47616));
        server.setRoute("/Firmware/ControlBoard_V4_latest.bin", {.generatedSize = 300000});
        QProcess xvfb;
        int number = 90; // the first display nobody holds
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            ++number;
        const QString display = QStringLiteral(":%1").arg(number);
        xvfb.start("Xvfb", {display, "-screen", "0", "640x480x24", "-nolisten", "tcp"});
        QVERIFY(waitUntil([&] { return QFile::exists("/tmp/.X11-unix/X" + display.mid(1)); }));
        const auto xdotool = [&](const QStringList &arguments) {
            QProcess tool;
            tool.setEnvironment(QProcess::systemEnvironment() << "DISPLAY=" + display);
            tool.start(QStringLiteral("xdotool"), arguments);
            tool.waitForFinished(20000);
            return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
        };
        QProcess program;
        QByteArray output;
        connect(&program, &QProcess::readyReadStandardOutput,
                [&] { output += program.readAllStandardOutput(); });
        QTemporaryDir runtime;
        setScenario(esp32s3
                    + "write-bin.chunks=e:Connecting...\\n|e:Writing...\\n|e:Done\\n\n"
                      "write-bin.chunk_delay_ms=700\nreset.out=Resetting\\n\n");
        startProgram(program, runtime, display);
        QVERIFY(
            waitUntil([&] { return output.contains("detection result for " + port.toUtf8()); }));
        const QString geometry = xdotool({"search", "--sync", "--onlyvisible", "--pid",
                                          QString::number(program.processId()), "--name",
                                          "^Vexlo Utility$", "getwindowgeometry"});
        const QString window = geometry.section('\n', 0, 0).section(' ', 1);
        const int height = geometry.section('x', -1).toInt();
        // The install button ends 20 points from the content's right and 22 from its bottom.
        xdotool(
            {"mousemove", "--window", window, "276", QString::number(height - 34), "click", "1"});
        QVERIFY(waitUntil([&] { return output.contains("espflash (stderr) \u27f6 Connecting"); }));
        // One after the other: a signal sent while the same one is still pending merges with it.
        for (int i = 0; i < count; ++i) {
            ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
            QVERIFY(waitUntil([&] { return output.count("signal 15 received") == i + 1; }));
        }
        QVERIFY(waitUntil([&] { return program.state() == QProcess::NotRunning; },
                          std::chrono::milliseconds(count == 1 ? 20000 : 2000)));
        const QByteArray line = count == 1 ? "{\"SET\":{\"VAR\":\"STD\"}}\n" : "";
        QCOMPARE(board.readAvailable(300), line);
        QCOMPARE(output.count("espflash (cmd output)\n Resetting"), count == 1 ? 2 : 0);
        QCOMPARE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
                 count == 1);
        QCOMPARE(output.contains("Vexlo Utility: quitting once the install under way has ended"),
                 true);
        xvfb.terminate();
        xvfb.waitForFinished(5000);
        QFile::remove(port);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
