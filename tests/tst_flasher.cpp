#include "AwaitTask.h"
#include "FakeEspflash.h"
#include "LogCapture.h"
#include "PseudoTerminal.h"
#include "flasher/Flasher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;
using vexlo::CoilexVariant;

Q_DECLARE_METATYPE(CoilexVariant)

namespace {

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
        file.write(QByteArray("\xe9\x03\x02\x20"
                              "firmware image",
                              18));
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
        return options;
    }

    bool flash(CoilexVariant variant, const QString &portPath = {})
    {
        return awaitTask(
            vexlo::flash(image, portPath.isEmpty() ? port : portPath, variant, options()));
    }

    QString writeBinCall(const QString &portPath = {}) const
    {
        return "-S\twrite-bin\t--baud\t921600\t--port\t" + (portPath.isEmpty() ? port : portPath)
            + "\t0x0\t" + image;
    }
    QString resetCall() const { return "-S\treset\t--port\t" + port; }
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

    void launchFailureSaysWhetherThePortIsThere()
    {
        Rig rig;
        rig.tool.removeTool();
        QVERIFY(!rig.flash(CoilexVariant::v4));
        QCOMPARE(rig.log.lines.size(), 1);
        const QString line = rig.log.lines.first();
        QVERIFY2(line.startsWith("espflash: Failed to start process \u2014 error: "),
                 qPrintable(line));
        QVERIFY2(line.endsWith(". Port present: yes"), qPrintable(line));
        QVERIFY(line.contains("No such file or directory"));
    }

    void universalWritesTheImageAndNothingElse()
    {
        Rig rig;
        const QString copy = rig.tool.filePath(QStringLiteral("written.bin"));
        rig.tool.setScenario({"write-bin.copy_image=" + copy,
                              "write-bin.chunks=o:Connecting...\\n|e:abc\\n",
                              "write-bin.chunk_delay_ms=120"});
        QVERIFY(rig.flash(CoilexVariant::universal));
        QCOMPARE(rig.tool.calls(), QStringList{rig.writeBinCall()});
        QFile written(copy), original(rig.image);
        QVERIFY(written.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), original.readAll());
        // Each live line keeps the chunk's own line feed; the sink adds the print's.
        QCOMPARE(rig.log.lines,
                 (QStringList{arrow + "Connecting...\n", errArrow + "abc\n", termination("exit", 0),
                              finalDump + "Connecting...\nabc\n"}));
        QVERIFY(rig.board.readAvailable(100).isEmpty());
    }

    void failedWritesAreReportedAndEndTheRun_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exit 2") << QStringLiteral("write-bin.exit=2") << termination("exit", 2);
        QTest::newRow("killed") << QStringLiteral("write-bin.signal=%1").arg(SIGKILL)
                                << termination("uncaughtSignal", SIGKILL);
    }

    void failedWritesAreReportedAndEndTheRun()
    {
        QFETCH(QString, ending);
        QFETCH(QString, expected);
        Rig rig;
        rig.tool.setScenario({ending});
        QVERIFY(!rig.flash(CoilexVariant::v4));
        // Nothing printed: the final dump is a line holding one space.
        QCOMPARE(rig.log.lines, (QStringList{expected, finalDump}));
        QCOMPARE(rig.tool.calls(), QStringList{rig.writeBinCall()});
        QVERIFY(rig.board.readAvailable(100).isEmpty());
    }

    void chunksThatAreNotUtf8OnTheirOwnWaitForTheFinalDump()
    {
        Rig rig;
        // "é" split across two chunks, then a chunk that is not UTF-8 at all.
        rig.tool.setScenario({"write-bin.chunks=o:caf\\xc3|o:\\xa9 ok\\n|e:\\xff bad\\n|o:done\\n",
                              "write-bin.chunk_delay_ms=150"});
        QVERIFY(rig.flash(CoilexVariant::universal));
        QCOMPARE(rig.log.lines,
                 (QStringList{arrow + "done\n", termination("exit", 0),
                              finalDump + "caf\u00e9 ok\n\ufffd bad\ndone\n"}));
    }

    void v4ResetsSendsTheLineBetweenTheResetsAndResetsAgain()
    {
        Rig rig;
        rig.tool.setScenario({"reset.out=Resetting target device\\n"});
        // Note, at the moment the line reaches the board, how many tool runs have been made.
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
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.flash(CoilexVariant::v4));
        QVERIFY(clock.elapsed() >= 200);

        QCOMPARE(wire, QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n"));
        QCOMPARE(runsWhenLineArrived, 2);
        QCOMPARE(rig.tool.calls(),
                 (QStringList{rig.writeBinCall(), rig.resetCall(), rig.resetCall()}));
        const QString resetOutput =
            QStringLiteral("espflash (cmd output)\n Resetting target device");
        QCOMPARE(rig.log.lines,
                 (QStringList{termination("exit", 0), finalDump,
                              "espflash: Applying variant config: Coilex V4", resetOutput,
                              resetOutput}));
    }

    void proSendsItsOwnLine()
    {
        Rig rig;
        QVERIFY(rig.flash(CoilexVariant::pro));
        QCOMPARE(rig.board.readAvailable(), QByteArray("{\"SET\":{\"VAR\":\"PRO\"}}\n"));
        QVERIFY(rig.log.lines.contains("espflash: Applying variant config: Coilex Pro"));
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
        const QString reset = "-S\treset\t--port\t" + plainFile;
        QCOMPARE(rig.tool.calls(), (QStringList{rig.writeBinCall(plainFile), reset, reset}));
        QCOMPARE(rig.log.lines.mid(2),
                 (QStringList{"espflash: Applying variant config: Coilex V4",
                              "serial: Failed to configure " + plainFile + " at 115200",
                              "espflash: Warning \u2014 failed to write VAR over serial"}));
    }

    void aPortThatVanishesDuringTheWriteIsReported()
    {
        Rig rig;
        rig.tool.setScenario({"write-bin.remove=" + rig.port});
        QVERIFY(rig.flash(CoilexVariant::universal));
        QCOMPARE(rig.log.lines,
                 (QStringList{"espflash: Port '" + rig.port
                                  + "' disappeared during flashing (post-termination check).",
                              termination("exit", 0), finalDump}));
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
        QCOMPARE(awaitTask(vexlo::runEspflash({"reset", "--port", rig.port}, rig.options())),
                 status);
        QCOMPARE(rig.log.lines, lines);
        QCOMPARE(rig.tool.calls(), QStringList{rig.resetCall()});
    }

    void commandRunsThatCannotStart()
    {
        Rig rig;
        rig.tool.removeTool();
        QCOMPARE(awaitTask(vexlo::runEspflash({"reset", "--port", rig.port}, rig.options())), -1);
        QCOMPARE(rig.log.lines.size(), 1);
        QVERIFY2(rig.log.lines.first().startsWith("espflash: Failed to run command reset --port "
                                                  + rig.port + " \u2014 "),
                 qPrintable(rig.log.lines.first()));

        rig.log.lines.clear();
        rig.withResources = false;
        QCOMPARE(awaitTask(vexlo::runEspflash({"reset", "--port", rig.port}, rig.options())), -1);
        QVERIFY(rig.log.lines.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFlasher)
#include "tst_flasher.moc"
