#include "PseudoTerminal.h"
#include "Wait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString root = QStringLiteral(E2E_ROOT);
const QString port = root + QStringLiteral("/dev/ttyUSB0");
const QString chipInfo = QStringLiteral("Chip type:         esp32s3 (revision v0.2)\n"
                                        "Crystal frequency: 40 MHz\nFlash size:        8MB");

// The built program, run as a user runs it, with its standard output on a pipe.
struct Program {
    QProcess process;
    QByteArray output;
    QElapsedTimer sinceStart;

    void start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { output += process.readAllStandardOutput(); });
        process.start(root + QStringLiteral("/bin/vexlo-utility"), {});
        sinceStart.start();
        QVERIFY(process.waitForStarted(5000));
    }

    ~Program()
    {
        process.kill();
        process.waitForFinished(5000);
    }

    QStringList linesFrom(qsizetype offset) const
    {
        return QString::fromUtf8(output.mid(offset)).split('\n');
    }
};

void installTool()
{
    const QString resources = root + QStringLiteral("/share/vexlo-utility");
    QFile::remove(resources + QStringLiteral("/espflash"));
    QVERIFY(
        QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), resources + QStringLiteral("/espflash")));
    QFile scenario(resources + QStringLiteral("/espflash.scenario"));
    QVERIFY(scenario.open(QIODevice::WriteOnly | QIODevice::Truncate));
    scenario.write("board-info.out=Chip type:         esp32s3 (revision v0.2)\\n"
                   "Crystal frequency: 40 MHz\\nFlash size:        8MB\\n\n");
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        installTool();
        QFile::remove(port);
    }

    void detectsABoardPluggedInAtStart()
    {
        PseudoTerminal board;
        QVERIFY(QFile::link(board.terminalPath(), port));
        Program program;
        program.start();
        const QByteArray lastLine = "[SerialPortMonitor] lastDetectionLog:\n" + chipInfo.toUtf8();
        QVERIFY(
            waitUntil([&] { return program.output.contains(lastLine); }, std::chrono::seconds(10)));
        const qint64 detectedAfter = program.sinceStart.elapsed();

        const QString tag = QStringLiteral("[SerialPortMonitor] ");
        const QString expected =
            QStringList{tag + "ports=[\"" + port + "\"]",
                        tag + "selectedDevice changed: nil -> " + port,
                        tag + "scheduleBoardDetectionIfNeeded(force=false) selected=" + port
                            + " lastDetected=nil currentKind=\u2013",
                        tag + "starting detection task for port=" + port,
                        tag + "running espflash board-info for " + port,
                        tag + "detectBoardKindViaEspflash: port=" + port,
                        tag + "espflash -S board-info --port " + port,
                        tag + "espflash exit status=0",
                        tag + "espflash output:\n" + chipInfo,
                        tag + "detection result for " + port + ": Control Board",
                        tag + "lastDetectionLog:\n" + chipInfo}
                .join('\n');
        QVERIFY2(QString::fromUtf8(program.output).startsWith(expected),
                 program.output.constData());
        // The first listing comes a second after the start and the probe 0.35 s later: about
        // 1.4 s in all, 1.7 s on a loaded machine with sanitizers. The bound catches a stall.
        QVERIFY2(detectedAfter < 3000, qPrintable(QString::number(detectedAfter)));
    }

    void unpluggingResetsTheDetection()
    {
        PseudoTerminal board;
        QVERIFY(QFile::link(board.terminalPath(), port));
        Program program;
        program.start();
        QVERIFY(waitUntil([&] { return program.output.contains("detection result for"); },
                          std::chrono::seconds(10)));
        QVERIFY(QFile::remove(port));
        const qsizetype unplugged = program.output.size();
        const QString tag = QStringLiteral("[SerialPortMonitor] ");
        const QString reset = tag
            + "scheduleBoardDetectionIfNeeded(force=false) selected=nil lastDetected=nil "
              "currentKind=\u2013";
        QVERIFY(waitUntil([&] { return program.output.mid(unplugged).contains(reset.toUtf8()); },
                          std::chrono::seconds(10)));

        QStringList lines = program.linesFrom(unplugged);
        // Refreshes that ran before the unplugging was seen repeat the steady state; skip them.
        while (!lines.isEmpty() && !lines.first().startsWith(tag + "ports=[]"))
            lines.removeFirst();
        QCOMPARE(
            lines.mid(0, 6),
            (QStringList{tag + "ports=[]", tag + "selectedDevice changed: " + port + " -> nil",
                         tag
                             + "scheduleBoardDetectionIfNeeded(force=false) selected=nil "
                               "lastDetected="
                             + port + " currentKind=Control Board",
                         tag + "ports=[]", tag + "selectedDevice changed: nil -> nil", reset}));
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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.setStandardOutputFile(QFile::decodeName(fifo));
        program.start(root + QStringLiteral("/bin/vexlo-utility"), {});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(waitUntil([&] {
            char byte;
            return ::read(reader, &byte, 1) == 1;
        }));
        ::close(reader);
        // The next refreshes write into a pipe nobody reads.
        QTest::qWait(2200);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
