#include "FakeEspflash.h"
#include "LogCapture.h"
#include "Wait.h"
#include "devices/SerialPortMonitor.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace std::chrono_literals;
using vexlo::DetectedBoardKind;
using vexlo::SerialPortMonitor;

namespace {

const QString tag = QStringLiteral("[SerialPortMonitor] ");
const QString esp32Info = QStringLiteral("Chip type:         esp32 (revision v3.1)\\n"
                                         "Crystal frequency: 40 MHz\\nFlash size:        4MB\\n");
const QString esp32InfoText = QStringLiteral("Chip type:         esp32 (revision v3.1)\n"
                                             "Crystal frequency: 40 MHz\nFlash size:        4MB");
const QString connectLine = QStringLiteral("[INFO ] Serial port: '/dev/ttyUSB7'");

// A monitor whose listing reads a file the test writes, with the fake tool beside it.
struct Rig {
    FakeEspflash tool;
    LogCapture log;
    std::unique_ptr<SerialPortMonitor> monitor;

    void setPorts(const QString &listing)
    {
        QFile file(tool.filePath(QStringLiteral("ports")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(listing.toUtf8());
    }

    void start(std::chrono::milliseconds interval = 40ms, bool withResources = true)
    {
        vexlo::SerialPortMonitorOptions options;
        options.pollInterval = interval;
        options.detectionDelay = 20ms;
        options.listCommand =
            QStringLiteral("cat '%1'").arg(tool.filePath(QStringLiteral("ports")));
        options.resourcesDirectory =
            withResources ? std::optional(tool.resourcesDirectory()) : std::nullopt;
        options.log = log.sink();
        monitor = std::make_unique<SerialPortMonitor>(options);
    }

    // Waits for the next refresh to finish and returns the lines it logged, tag removed.
    QStringList nextRefresh()
    {
        QSignalSpy spy(monitor.get(), &SerialPortMonitor::availableDevicesChanged);
        const qsizetype before = log.lines.size();
        if (!spy.wait(5000))
            return {QStringLiteral("no refresh")};
        QStringList lines;
        for (qsizetype i = before; i < log.lines.size(); ++i)
            lines << log.lines.at(i).mid(tag.size());
        return lines;
    }

    bool waitForLine(const QString &line, std::chrono::milliseconds bound = 10s)
    {
        return waitUntil([&] { return log.lines.contains(tag + line); }, bound);
    }

    // Detection lines only: what is left without the lines every refresh writes.
    QStringList detectionLines() const
    {
        QStringList lines;
        for (const QString &line : log.lines) {
            const QString message = line.mid(tag.size());
            if (!message.startsWith(QLatin1String("ports="))
                && !message.startsWith(QLatin1String("selectedDevice changed"))
                && !message.startsWith(QLatin1String("scheduleBoardDetectionIfNeeded")))
                lines << message;
        }
        return lines;
    }
};

QString schedule(const QString &selected, const QString &last, const QString &kind)
{
    return QStringLiteral("scheduleBoardDetectionIfNeeded(force=false) selected=%1 "
                          "lastDetected=%2 currentKind=%3")
        .arg(selected, last, kind);
}

const QString dash = QStringLiteral("\u2013");

} // namespace

class TestSerialPortMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listsNothingBeforeTheFirstTick()
    {
        Rig rig;
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(300ms);
        QCoreApplication::processEvents();
        QVERIFY(rig.monitor->availableDevices().isEmpty());
        QVERIFY(!rig.monitor->selectedDevice());
        QVERIFY(rig.log.lines.isEmpty());
        QCOMPARE(rig.nextRefresh().first(), QStringLiteral("ports=[\"/dev/ttyUSB7\"]"));
    }

    void selectionFollowsTheListing()
    {
        Rig rig;
        rig.setPorts(QString());
        rig.start(40ms, false);

        QCOMPARE(rig.nextRefresh(),
                 (QStringList{QStringLiteral("ports=[]"),
                              QStringLiteral("selectedDevice changed: nil -> nil"),
                              schedule("nil", "nil", dash)}));

        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n/dev/ttyACM3\n"));
        QStringList lines = rig.nextRefresh();
        QCOMPARE(lines.filter(QRegularExpression("^(ports|selectedDevice)")),
                 (QStringList{QStringLiteral("ports=[\"/dev/ttyUSB7\", \"/dev/ttyACM3\"]"),
                              QStringLiteral("selectedDevice changed: nil -> /dev/ttyUSB7")}));
        QCOMPARE(rig.monitor->selectedDevice(), QStringLiteral("/dev/ttyUSB7"));

        // Still listed but no longer first: stays, and nothing is said about it.
        rig.setPorts(QStringLiteral("/dev/ttyACM3\n/dev/ttyUSB7\n"));
        lines = rig.nextRefresh();
        QCOMPARE(rig.monitor->selectedDevice(), QStringLiteral("/dev/ttyUSB7"));
        QVERIFY(!lines.join('\n').contains(QLatin1String("selectedDevice changed")));

        // The user's choice of the second device stays while it is listed.
        rig.monitor->setSelectedDevice(QStringLiteral("/dev/ttyUSB7"));
        rig.monitor->setSelectedDevice(QStringLiteral("/dev/ttyACM3"));
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n/dev/ttyACM3\n"));
        lines = rig.nextRefresh();
        lines += rig.nextRefresh();
        QCOMPARE(rig.monitor->selectedDevice(), QStringLiteral("/dev/ttyACM3"));
        QVERIFY(!lines.join('\n').contains(QLatin1String("selectedDevice changed")));

        // The selected device is unplugged: the first remaining one takes its place. An empty
        // line in the listing yields no entry.
        rig.setPorts(QStringLiteral("/dev/ttyUSB9\n\n/dev/ttyUSB7\n"));
        lines = rig.nextRefresh();
        QCOMPARE(rig.monitor->availableDevices(),
                 (QStringList{QStringLiteral("/dev/ttyUSB9"), QStringLiteral("/dev/ttyUSB7")}));
        QCOMPARE(
            lines.filter(QRegularExpression("^selectedDevice")),
            QStringList{QStringLiteral("selectedDevice changed: /dev/ttyACM3 -> /dev/ttyUSB9")});

        rig.setPorts(QString());
        lines = rig.nextRefresh().filter(QRegularExpression("^(ports|selectedDevice)"));
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("ports=[]"),
                              QStringLiteral("selectedDevice changed: /dev/ttyUSB9 -> nil")}));
        QVERIFY(!rig.monitor->selectedDevice());
    }

    void everyRefreshNotifiesEvenWhenNothingChanged()
    {
        Rig rig;
        rig.setPorts(QString());
        rig.start(30ms, false);
        QSignalSpy devices(rig.monitor.get(), &SerialPortMonitor::availableDevicesChanged);
        QSignalSpy selection(rig.monitor.get(), &SerialPortMonitor::selectedDeviceChanged);
        QSignalSpy kind(rig.monitor.get(), &SerialPortMonitor::detectedBoardKindChanged);
        QVERIFY(waitUntil([&] { return devices.count() >= 3; }));
        QVERIFY(selection.count() >= 2);
        QVERIFY(kind.count() >= 2);
    }

    void unusualPathsAreQuotedAndShellFailureListsNothing()
    {
        Rig rig;
        rig.setPorts(QStringLiteral("/dev/a\"b\\c\n"));
        rig.start(30ms, false);
        QCOMPARE(rig.nextRefresh().first(), QStringLiteral("ports=[\"/dev/a\\\"b\\\\c\"]"));

        LogCapture log;
        vexlo::SerialPortMonitorOptions options;
        options.pollInterval = 30ms;
        options.shell = QStringLiteral("/nonexistent/shell");
        options.resourcesDirectory = std::nullopt;
        options.log = log.sink();
        SerialPortMonitor broken(options);
        QVERIFY(waitUntil([&] { return log.lines.size() >= 3; }));
        QCOMPARE(log.lines.mid(0, 3),
                 (QStringList{tag + "ports=[]", tag + "selectedDevice changed: nil -> nil",
                              tag + schedule("nil", "nil", dash)}));
    }

    void successfulDetectionLogsTheWholeSequenceOnce()
    {
        Rig rig;
        rig.tool.setScenario(
            {"board-info.out=" + esp32Info, "board-info.err=" + connectLine + "\\n"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(60ms);
        // Standard output keeps its own final line feed before the joining one.
        const QString output = esp32InfoText + "\n\n" + connectLine;
        QVERIFY(rig.waitForLine("lastDetectionLog:\n" + output));
        // Let a few more refreshes pass: none of them probes the port again.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.nextRefresh().last(),
                     schedule("/dev/ttyUSB7", "/dev/ttyUSB7", QStringLiteral("ESP32 DevKit")));

        QCOMPARE(rig.log.lines.mid(0, 4),
                 (QStringList{tag + "ports=[\"/dev/ttyUSB7\"]",
                              tag + "selectedDevice changed: nil -> /dev/ttyUSB7",
                              tag + schedule("/dev/ttyUSB7", "nil", dash),
                              tag + "starting detection task for port=/dev/ttyUSB7"}));
        QCOMPARE(rig.detectionLines(),
                 (QStringList{"starting detection task for port=/dev/ttyUSB7",
                              "running espflash board-info for /dev/ttyUSB7",
                              "detectBoardKindViaEspflash: port=/dev/ttyUSB7",
                              "espflash -S board-info --port /dev/ttyUSB7",
                              "espflash exit status=0", "espflash output:\n" + output,
                              "detection result for /dev/ttyUSB7: ESP32 DevKit",
                              "lastDetectionLog:\n" + output}));
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::esp32DevKit);
        QCOMPARE(rig.monitor->lastDetectionLog(), output);
        QVERIFY(!rig.monitor->isDetectingBoard());
        QCOMPARE(rig.tool.calls(), QStringList{"-S\tboard-info\t--port\t/dev/ttyUSB7"});
    }

    void unpluggingResetsAndReplugDetectsAgain()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=Chip type: esp32s3 (revision v0.2)\\n"});
        rig.setPorts(QStringLiteral("/dev/ttyACM3\n"));
        rig.start();
        QVERIFY(waitUntil(
            [&] { return rig.monitor->detectedBoardKind() == DetectedBoardKind::controlBoard; }));

        rig.setPorts(QString());
        QCOMPARE(rig.nextRefresh(),
                 (QStringList{"ports=[]", "selectedDevice changed: /dev/ttyACM3 -> nil",
                              schedule("nil", "/dev/ttyACM3", QStringLiteral("Control Board"))}));
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::unknown);
        QVERIFY(rig.monitor->lastDetectionLog().isEmpty());
        QVERIFY(!rig.monitor->isDetectingBoard());
        QCOMPARE(rig.nextRefresh().last(), schedule("nil", "nil", dash));

        rig.setPorts(QStringLiteral("/dev/ttyACM3\n"));
        QVERIFY(waitUntil([&] { return rig.tool.calls().size() == 2; }));
        QVERIFY(waitUntil(
            [&] { return rig.monitor->detectedBoardKind() == DetectedBoardKind::controlBoard; }));
    }

    void failuresGiveUnknownAndAreNotRepeated_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<bool>("removeTool");
        QTest::addColumn<bool>("withResources");
        QTest::addColumn<QString>("logStart");
        QTest::addColumn<int>("toolRuns");

        QTest::newRow("exit 1 naming an esp32")
            << QStringList{"board-info.out=" + esp32Info, "board-info.exit=1"} << false << true
            << esp32InfoText << 1;
        QTest::newRow("exit 0 naming nothing")
            << QStringList{"board-info.out=Flash size: 4MB\\n"} << false << true
            << QStringLiteral("Flash size: 4MB") << 1;
        QTest::newRow("killed by a signal")
            << QStringList{"board-info.out=" + esp32Info, "board-info.signal=9"} << false << true
            << esp32InfoText << 1;
        QTest::newRow("tool missing")
            << QStringList{} << true << true << QStringLiteral("Failed to run espflash: ") << 0;
        QTest::newRow("no resources folder")
            << QStringList{} << false << false
            << QStringLiteral("espflash binary not found in app bundle") << 0;
    }

    void failuresGiveUnknownAndAreNotRepeated()
    {
        QFETCH(QStringList, scenario);
        QFETCH(bool, removeTool);
        QFETCH(bool, withResources);
        QFETCH(QString, logStart);
        QFETCH(int, toolRuns);

        Rig rig;
        rig.tool.setScenario(scenario);
        if (removeTool)
            rig.tool.removeTool();
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(40ms, withResources);
        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB7: " + dash));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.nextRefresh().last(), schedule("/dev/ttyUSB7", "/dev/ttyUSB7", dash));
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::unknown);
        QVERIFY(!rig.monitor->isDetectingBoard());
        QVERIFY2(rig.monitor->lastDetectionLog().startsWith(logStart),
                 qPrintable(rig.monitor->lastDetectionLog()));
        QCOMPARE(rig.tool.calls().size(), toolRuns);
        QCOMPARE(rig.log.linesStartingWith(tag + "starting detection task").size(), 1);
        // A run that never started has no status or output lines.
        QCOMPARE(rig.log.linesStartingWith(tag + "espflash exit status=").size(), toolRuns);
    }

    // The user moves to another port while the tool still runs for the first. The first
    // result arrives before the next refresh and must never be applied.
    void aStaleResultIsNeverApplied()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=" + esp32Info, "board-info.sleep_ms=300"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n/dev/ttyUSB8\n"));
        rig.start(1000ms);
        QVERIFY(rig.waitForLine("running espflash board-info for /dev/ttyUSB7"));
        rig.monitor->setSelectedDevice(QStringLiteral("/dev/ttyUSB8"));

        // The first run ends and logs its output, but its result is dropped.
        QVERIFY(rig.waitForLine("espflash exit status=0"));
        QCoreApplication::processEvents();
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::unknown);
        QVERIFY(rig.monitor->isDetectingBoard());

        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB8: ESP32 DevKit"));
        QVERIFY(rig.log.linesStartingWith(tag + "detection result for /dev/ttyUSB7").isEmpty());
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::esp32DevKit);
        QCOMPARE(rig.tool.calls(),
                 (QStringList{"-S\tboard-info\t--port\t/dev/ttyUSB7",
                              "-S\tboard-info\t--port\t/dev/ttyUSB8"}));
    }

    // The board is unplugged and plugged in again while the first probe still runs. The first
    // probe was cancelled by the unplugging: its result must not land, although its port is
    // selected again by the time it arrives.
    void aProbeCancelledByUnpluggingNeverLands()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=" + esp32Info, "board-info.sleep_ms=400"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(30ms);
        QVERIFY(rig.waitForLine("running espflash board-info for /dev/ttyUSB7"));
        rig.setPorts(QString());
        QVERIFY(rig.waitForLine(schedule("nil", "nil", dash)));
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        QVERIFY(waitUntil(
            [&] { return rig.log.linesStartingWith(tag + "espflash exit status=").size() == 2; }));
        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB7: ESP32 DevKit"));
        QTest::qWait(100);
        QCOMPARE(rig.log.linesStartingWith(tag + "detection result for").size(), 1);
        QCOMPARE(rig.log.linesStartingWith(tag + "starting detection task").size(), 2);
    }

    void megabytesOfOutputAreKeptWholeAndLoggedCut()
    {
        Rig rig;
        const int bulk = 3 * 1024 * 1024;
        rig.tool.setScenario({QStringLiteral("board-info.bulk=%1").arg(bulk)});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(200ms);
        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB7: " + dash, 20s));
        QCOMPARE(rig.monitor->lastDetectionLog().size(), 2 * bulk + 1);
        const QString cut = QString(900, QLatin1Char('x')) + "\n\u2026(truncated)\u2026";
        QCOMPARE(rig.log.linesStartingWith(tag + "espflash output:"),
                 QStringList{tag + "espflash output:\n" + cut});
        QCOMPARE(rig.log.linesStartingWith(tag + "lastDetectionLog:"),
                 QStringList{tag + "lastDetectionLog:\n" + cut});
    }

    void invalidUtf8IsRepaired()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=Chip type: esp32 (rev \\xff\\xfe)\\n"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start();
        QVERIFY(waitUntil(
            [&] { return rig.monitor->detectedBoardKind() == DetectedBoardKind::esp32DevKit; }));
        QVERIFY(rig.monitor->lastDetectionLog().contains(QChar(0xFFFD)));
    }
};

QTEST_GUILESS_MAIN(TestSerialPortMonitor)
#include "tst_serialportmonitor.moc"
