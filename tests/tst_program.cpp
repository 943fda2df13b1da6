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

// The built program as a user runs it, with the stand-in espflash in its private tool folder and
// a private runtime folder (where an instance finds the running one) of the test's.
void startProgram(QProcess &program, const QTemporaryDir &runtime,
                  const QByteArray &moreScenario = {}, const QString &display = {})
{
    const QString tools = root + QStringLiteral("/lib/vexlo-utility");
    QFile::remove(tools + QStringLiteral("/espflash"));
    QFile::remove(tools + QStringLiteral("/espflash.calls"));
    QVERIFY(QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), tools + "/espflash"));
    QFile scenario(tools + QStringLiteral("/espflash.scenario"));
    QVERIFY(scenario.open(QIODevice::WriteOnly | QIODevice::Truncate));
    scenario.write(
        "board-info.out=Chip type:         esp32s3 (revision v0.2)\\nFlash size: 8MB\\n\n"
        + moreScenario);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    // No session bus on the virtual display: Qt's attempts to reach one leave allocations behind.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    program.setProcessEnvironment(env);
    program.start(root + QStringLiteral("/bin/vexlo-utility"), {});
    QVERIFY(program.waitForStarted(5000));
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { letLeftoverTasksEnd(); }
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

    // Its log goes to a FIFO whose reader goes away: the program must carry on.
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
        // Two more refreshes write their six lines into the pipe nobody reads, and live on.
        const auto writeCalls = [&] {
            QFile io(QStringLiteral("/proc/%1/io").arg(program.processId()));
            const QByteArray text = io.open(QIODevice::ReadOnly) ? io.readAll() : "syscw: -1";
            return text.mid(text.indexOf("syscw:") + 6).split('\n').first().trimmed().toLongLong();
        };
        const qint64 before = writeCalls();
        QVERIFY(waitUntil([&] { return writeCalls() >= before + 6; }));
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
        startProgram(program, runtime,
                     "write-bin.chunks=e:Connecting...\\n|e:Writing...\\n|e:Done\\n\n"
                     "write-bin.chunk_delay_ms=700\nreset.out=Resetting\\n\n",
                     display);
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
