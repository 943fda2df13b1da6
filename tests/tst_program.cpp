#include "PseudoTerminal.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString root = QStringLiteral(E2E_ROOT);
const QString port = root + QStringLiteral("/dev/ttyUSB0");
const QString tag = QStringLiteral("[SerialPortMonitor] ");

// The built program as a user runs it, with the stand-in espflash in its private tool folder and
// a private runtime folder (where an instance finds the running one) of the test's.
void startProgram(QProcess &program, const QTemporaryDir &runtime)
{
    const QString tools = root + QStringLiteral("/lib/vexlo-utility");
    QFile::remove(tools + QStringLiteral("/espflash"));
    QVERIFY(QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), tools + "/espflash"));
    QFile scenario(tools + QStringLiteral("/espflash.scenario"));
    QVERIFY(scenario.open(QIODevice::WriteOnly | QIODevice::Truncate));
    scenario.write(
        "board-info.out=Chip type:         esp32s3 (revision v0.2)\\nFlash size: 8MB\\n\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
