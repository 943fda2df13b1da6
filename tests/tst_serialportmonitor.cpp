#include "TestSupport.h"
#include "devices/BoardInfo.h"
#include "devices/SerialPortMonitor.h"

#include <QFile>
#include <QSignalSpy>

#include <memory>

using namespace std::chrono_literals;
using vexlo::DetectedBoardKind;
using vexlo::SerialPortMonitor;
using Kind = vexlo::DetectedBoardKind;
Q_DECLARE_METATYPE(Kind)

namespace {

const QString tag = QStringLiteral("[SerialPortMonitor] ");
const QString dash = QStringLiteral("\u2013");
const QString esp32Info = QStringLiteral("Chip type:         esp32 (revision v3.1)\\n"
                                         "Crystal frequency: 40 MHz\\nFlash size:        4MB\\n");
const QString esp32Text = QStringLiteral("Chip type:         esp32 (revision v3.1)\n"
                                         "Crystal frequency: 40 MHz\nFlash size:        4MB");

QString schedule(const QString &selected, const QString &last, const QString &kind)
{
    return QStringLiteral("scheduleBoardDetectionIfNeeded(force=false) selected=%1 "
                          "lastDetected=%2 currentKind=%3")
        .arg(selected, last, kind);
}

// A monitor whose listing prints a file the test writes (or hangs while a "hang" file exists),
// with the fake tool beside it.
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

    void start(std::chrono::milliseconds interval = 40ms, bool withTool = true)
    {
        vexlo::SerialPortMonitorOptions options;
        options.pollInterval = interval;
        options.detectionDelay = 20ms;
        options.listingTimeLimit = 300ms;
        options.detectionTimeLimit = 5s;
        options.listCommand =
            QStringLiteral("cd '%1' && echo run >> runs && "
                           "if [ -e hang ]; then sleep 60 & echo $! > sleeper; wait; fi; cat ports")
                .arg(tool.searchPath().constFirst());
        options.toolSearchPath = withTool ? tool.searchPath() : QStringList{};
        options.log = log.sink();
        monitor = std::make_unique<SerialPortMonitor>(options);
    }

    // Listings started so far: each appends a line to "runs" before it reads "ports".
    qsizetype runs() const
    {
        QFile file(tool.filePath(QStringLiteral("runs")));
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }

    // The lines, tag removed, of the first refresh whose listing starts after this call; one in
    // flight may still have read the listing as it was before.
    QStringList nextRefresh()
    {
        const qsizetype wanted = runs() + 1;
        const auto refreshStarts = [&] {
            QList<qsizetype> starts;
            for (qsizetype i = 0; i < log.lines.size(); ++i) {
                if (log.lines[i].startsWith(tag + "ports="))
                    starts << i;
            }
            return starts;
        };
        if (!waitUntil([&] { return refreshStarts().size() >= wanted; }))
            return {QStringLiteral("no refresh")};
        QStringList lines;
        for (qsizetype i = refreshStarts().at(wanted - 1); i < log.lines.size(); ++i) {
            const QString message = log.lines[i].mid(tag.size());
            if (!lines.isEmpty() && !message.startsWith(QLatin1String("selectedDevice"))
                && !message.startsWith(QLatin1String("schedule"))
                && !message.startsWith(QLatin1String("starting detection")))
                break;
            lines << message;
        }
        return lines;
    }

    bool waitForLine(const QString &line, std::chrono::milliseconds bound = 10s)
    {
        return waitUntil([&] { return log.lines.contains(tag + line); }, bound);
    }
};

} // namespace

class TestSerialPortMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { letLeftoverTasksEnd(); }
    void selectionFollowsTheListing()
    {
        Rig rig;
        rig.setPorts(QString());
        rig.start(200ms, false);
        // The constructor lists nothing; the first tick does.
        QCoreApplication::processEvents();
        QVERIFY(rig.log.lines.isEmpty());
        QSignalSpy selection(rig.monitor.get(), &SerialPortMonitor::selectedDeviceChanged);
        QCOMPARE(rig.nextRefresh(),
                 (QStringList{"ports=[]", "selectedDevice changed: nil -> nil",
                              schedule("nil", "nil", dash)}));
        QCOMPARE(selection.count(), 1); // notified although nothing changed

        const auto step = [&](const QString &listing) {
            rig.setPorts(listing);
            return rig.nextRefresh().filter(QRegularExpression("^(ports|selectedDevice)"));
        };
        QCOMPARE(step("/dev/ttyUSB7\n/dev/ttyACM3\n"),
                 (QStringList{"ports=[\"/dev/ttyUSB7\", \"/dev/ttyACM3\"]",
                              "selectedDevice changed: nil -> /dev/ttyUSB7"}));
        // Still listed but no longer first: it stays, and nothing is said about it.
        QCOMPARE(step("/dev/ttyACM3\n/dev/ttyUSB7\n"),
                 QStringList{"ports=[\"/dev/ttyACM3\", \"/dev/ttyUSB7\"]"});
        // The user's choice stays while it is listed.
        rig.monitor->setSelectedDevice(QStringLiteral("/dev/ttyACM3"));
        QCOMPARE(step("/dev/ttyUSB7\n/dev/ttyACM3\n").size(), 1);
        QCOMPARE(rig.monitor->selectedDevice(), QStringLiteral("/dev/ttyACM3"));
        // Unplugged: the first remaining device takes its place; an empty line is no entry.
        QCOMPARE(step("/dev/ttyUSB9\n\n/dev/ttyUSB7\n"),
                 (QStringList{"ports=[\"/dev/ttyUSB9\", \"/dev/ttyUSB7\"]",
                              "selectedDevice changed: /dev/ttyACM3 -> /dev/ttyUSB9"}));
        QCOMPARE(step("/dev/a\"b\\c\n"),
                 (QStringList{"ports=[\"/dev/a\\\"b\\\\c\"]",
                              "selectedDevice changed: /dev/ttyUSB9 -> "
                              "/dev/a\"b\\c"}));
        QCOMPARE(step(QString()),
                 (QStringList{"ports=[]", "selectedDevice changed: /dev/a\"b\\c -> nil"}));

        // A shell that cannot start lists nothing, and says nothing more.
        LogCapture log;
        vexlo::SerialPortMonitorOptions options;
        options.pollInterval = 30ms;
        options.shell = QStringLiteral("/nonexistent/shell");
        options.log = log.sink();
        SerialPortMonitor broken(options);
        QVERIFY(waitUntil([&] { return log.lines.size() >= 3; }));
        QCOMPARE(log.lines.mid(0, 3),
                 (QStringList{tag + "ports=[]", tag + "selectedDevice changed: nil -> nil",
                              tag + schedule("nil", "nil", dash)}));
    }

    // A listing that never ends is stopped at its limit and changes nothing, one at a time, and
    // the event loop runs on meanwhile.
    void aHungListingChangesNothingAndBlocksNothing()
    {
        Rig rig;
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(40ms, false);
        QVERIFY(rig.waitForLine("selectedDevice changed: nil -> /dev/ttyUSB7"));
        QFile hang(rig.tool.filePath(QStringLiteral("hang")));
        QVERIFY(hang.open(QIODevice::WriteOnly));
        const QString stopped =
            tag + "port listing did not end within 0.3 s and was stopped; ports unchanged";
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QVERIFY(waitUntil([&] { return rig.log.startingWith(stopped).size() == 2; }));
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QCOMPARE(rig.monitor->availableDevices(), QStringList{"/dev/ttyUSB7"});
        QCOMPARE(rig.monitor->selectedDevice(), QStringLiteral("/dev/ttyUSB7"));
        // The shell's own child went with it: gone, or a zombie waiting for init.
        QFile sleeper(rig.tool.filePath(QStringLiteral("sleeper")));
        QVERIFY(sleeper.open(QIODevice::ReadOnly));
        const QByteArray pid = sleeper.readAll().trimmed();
        QVERIFY(waitUntil([&] {
            QFile stat("/proc/" + pid + "/stat");
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        }));
        // Ticks during a running listing start no second one.
        const qsizetype lines = rig.log.lines.size();
        QVERIFY(QFile::remove(rig.tool.filePath(QStringLiteral("hang"))));
        QVERIFY(waitUntil([&] { return rig.log.lines.size() > lines; }));
        const qsizetype ended =
            rig.log.startingWith(tag + "ports=").size() + rig.log.startingWith(stopped).size();
        QVERIFY(rig.runs() - ended <= 1);
        QCOMPARE(rig.log.lines.mid(lines).first(), tag + "ports=[\"/dev/ttyUSB7\"]");
    }

    void successfulDetectionLogsTheWholeSequenceOnce()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=" + esp32Info,
                              "board-info.err=[INFO ] Serial port: '/dev/ttyUSB7'\\n"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(60ms);
        const QString output = esp32Text + "\n\n[INFO ] Serial port: '/dev/ttyUSB7'";
        QVERIFY(rig.waitForLine("lastDetectionLog:\n" + output));
        // Later refreshes do not probe the port again.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.nextRefresh().last(),
                     schedule("/dev/ttyUSB7", "/dev/ttyUSB7", QStringLiteral("ESP32 DevKit")));
        QCOMPARE(rig.log.lines.mid(0, 3),
                 (QStringList{tag + "ports=[\"/dev/ttyUSB7\"]",
                              tag + "selectedDevice changed: nil -> /dev/ttyUSB7",
                              tag + schedule("/dev/ttyUSB7", "nil", dash)}));
        QCOMPARE(rig.log.lines.filter(QRegularExpression("] (?!ports=|selectedDevice|schedule)")),
                 (QStringList{tag + "starting detection task for port=/dev/ttyUSB7",
                              tag + "running espflash board-info for /dev/ttyUSB7",
                              tag + "detectBoardKindViaEspflash: port=/dev/ttyUSB7",
                              tag + "espflash -S board-info --port /dev/ttyUSB7",
                              tag + "espflash exit status=0", tag + "espflash output:\n" + output,
                              tag + "detection result for /dev/ttyUSB7: ESP32 DevKit",
                              tag + "lastDetectionLog:\n" + output}));
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::esp32DevKit);
        QCOMPARE(rig.monitor->lastDetection().output, output);
        QVERIFY(!rig.monitor->isDetectingBoard());
        QCOMPARE(rig.tool.calls(), QStringList{"-S\tboard-info\t--port\t/dev/ttyUSB7"});
    }

    void failuresGiveUnknownAndAreNotRepeated_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<QString>("logStart");
        QTest::addColumn<int>("statusLines");
        QTest::newRow("exit 1 naming an esp32")
            << QStringList{"board-info.out=" + esp32Info, "board-info.exit=1"} << esp32Text << 1;
        // Megabytes that name nothing: kept whole, logged cut, invalid UTF-8 repaired.
        QTest::newRow("exit 0 naming nothing")
            << QStringList{"board-info.out=Flash \\xff\\n", "board-info.bulk=3000000"}
            << QStringLiteral("Flash \ufffd\nxxx") << 1;
        QTest::newRow("killed by a signal")
            << QStringList{"board-info.out=" + esp32Info, "board-info.signal=9"} << esp32Text << 1;
        QTest::newRow("hung past its limit")
            << QStringList{"board-info.out=" + esp32Info, "board-info.sleep_ms=60000"}
            << esp32Text + "\nespflash did not end within 5 s and was stopped" << 0;
        QTest::newRow("tool missing") << QStringList{"remove-tool"}
                                      << QStringLiteral("espflash not found; looked in: /") << 0;
        QTest::newRow("tool not a program")
            << QStringList{"spoil-tool"} << QStringLiteral("Failed to run espflash: ") << 0;
    }

    void failuresGiveUnknownAndAreNotRepeated()
    {
        QFETCH(QStringList, scenario);
        QFETCH(QString, logStart);
        QFETCH(int, statusLines);
        Rig rig;
        rig.tool.setScenario(scenario);
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start();
        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB7: " + dash));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rig.nextRefresh().last(), schedule("/dev/ttyUSB7", "/dev/ttyUSB7", dash));
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::unknown);
        QVERIFY(!rig.monitor->isDetectingBoard());
        QVERIFY2(rig.monitor->lastDetection().output.startsWith(logStart),
                 qPrintable(rig.monitor->lastDetection().output));
        QCOMPARE(rig.log.startingWith(tag + "starting detection task").size(), 1);
        QCOMPARE(rig.log.startingWith(tag + "espflash exit status=").size(), statusLines);
        const QString log = rig.monitor->lastDetection().output;
        if (log.size() > 900) {
            QCOMPARE(log.size(), 6000000 + 9);
            const QString cut = "\n" + log.left(900) + "\n\u2026(truncated)\u2026";
            QCOMPARE(rig.log.startingWith(tag + "espflash output:"),
                     QStringList{tag + "espflash output:" + cut});
            QCOMPARE(rig.log.startingWith(tag + "lastDetectionLog:"),
                     QStringList{tag + "lastDetectionLog:" + cut});
        }
    }

    // The user moves to another port while the tool still runs for the first: the first result
    // arrives before the next refresh and is never applied.
    void aStaleResultIsNeverApplied()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=" + esp32Info, "board-info.sleep_ms=300"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n/dev/ttyUSB8\n"));
        rig.start(1000ms);
        QVERIFY(rig.waitForLine("running espflash board-info for /dev/ttyUSB7"));
        rig.monitor->setSelectedDevice(QStringLiteral("/dev/ttyUSB8"));
        QVERIFY(rig.waitForLine("espflash exit status=0"));
        QCoreApplication::processEvents();
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::unknown);
        QVERIFY(rig.monitor->isDetectingBoard());
        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB8: ESP32 DevKit"));
        QVERIFY(rig.log.startingWith(tag + "detection result for /dev/ttyUSB7").isEmpty());
    }

    // Unplugged and plugged in again while the first probe runs: the unplugging resets the
    // detection and cancels that probe, which must not land, although its port is selected again
    // when it ends; the port is probed anew.
    void aProbeCancelledByUnpluggingNeverLands()
    {
        Rig rig;
        rig.tool.setScenario({"board-info.out=" + esp32Info, "board-info.sleep_ms=400"});
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        rig.start(30ms);
        QVERIFY(rig.waitForLine("running espflash board-info for /dev/ttyUSB7"));
        rig.setPorts(QString());
        QVERIFY(rig.waitForLine(schedule("nil", "nil", dash)));
        QCOMPARE(rig.monitor->detectedBoardKind(), DetectedBoardKind::unknown);
        QVERIFY(!rig.monitor->isDetectingBoard() && rig.monitor->lastDetection().output.isEmpty());
        rig.setPorts(QStringLiteral("/dev/ttyUSB7\n"));
        QVERIFY(waitUntil(
            [&] { return rig.log.startingWith(tag + "espflash exit status=").size() == 2; }));
        QVERIFY(rig.waitForLine("detection result for /dev/ttyUSB7: ESP32 DevKit"));
        QCOMPARE(rig.log.startingWith(tag + "detection result for").size(), 1);
        QCOMPARE(rig.log.startingWith(tag + "starting detection task").size(), 2);
    }

    void boardInfoGivesTheKindAndMac_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("mac");
        const auto row = [](const char *name, const char *output, Kind kind, const char *mac = "") {
            QTest::newRow(name) << QString::fromUtf8(output) << kind << QString::fromUtf8(mac);
        };
        row("esp32 4.x",
            "Chip type:         esp32 (revision v3.1)\nFlash size: 4MB\n"
            "MAC address:       A0:B7:65:12:34:5F\n",
            Kind::esp32DevKit, "a0:b7:65:12:34:5f");
        row("esp32s3", "Chip type: esp32s3 (rev 0.2)\nMAC: 7c:df:a1:00:00:01\n", Kind::controlBoard,
            "7c:df:a1:00:00:01");
        row("dash in name", "Chip type: esp32-c6\nMAC: 1", Kind::controlBoard);
        // A token that is no ESP32, or a chip line without a line feed: the words decide.
        row("other token, no words", "Chip type: XYZ\nFlash: 4MB", Kind::unknown);
        row("other token, words", "Chip type: XYZ\nModule WROOM", Kind::esp32DevKit);
        row("last line esp32", "Flash: 4MB\nChip type: esp32", Kind::esp32DevKit);
        row("last line esp32s3", "Flash: 4MB\nChip type: esp32s3", Kind::controlBoard);
        // CR LF is one character that is not a line feed: the chip line never ends.
        row("crlf", "Chip type: esp32s9\r\nFeatures: Xtensa\r\n", Kind::esp32DevKit);
        row("lf token wins", "Chip type: esp32s9\nFeatures: Xtensa\n", Kind::controlBoard);
        row("empty chip line", "Chip type:   \nXtensa LX6", Kind::esp32DevKit);
        row("no chip line, esp32-s2", "Detected ESP32-S2 chip", Kind::controlBoard);
        row("p4 before plain", "esp32 esp32p4", Kind::controlBoard);
        row("d-zero-wd", "ESP-D0WD-V3", Kind::esp32DevKit);
        row("d-oh-wd is not it", "package DOWD", Kind::unknown);
    }

    // The board's kind and its MAC address, from whatever board-info printed.
    void boardInfoGivesTheKindAndMac()
    {
        QFETCH(QString, output);
        QFETCH(Kind, kind);
        QFETCH(QString, mac);
        QCOMPARE(vexlo::classifyBoardInfo(output), kind);
        QCOMPARE(vexlo::macAddressFromBoardInfo(output).value_or(QString()), mac);
    }

    void longOutputIsCutForTheLog_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("cut");
        QTest::newRow("900 kept") << QStringLiteral("a") << 900 << false;
        QTest::newRow("901 cut") << QStringLiteral("a") << 901 << true;
        // Surrogate pairs, combining accents and CR LF pairs are one character each.
        QTest::newRow("surrogates kept") << QStringLiteral("\U0001F600") << 900 << false;
        QTest::newRow("surrogates cut") << QStringLiteral("\U0001F600") << 901 << true;
        QTest::newRow("combining cut") << QStringLiteral("e\u0301") << 901 << true;
        QTest::newRow("crlf cut") << QStringLiteral("\r\n") << 2000 << true;
    }

    // The log keeps the first 900 characters of a tool's output, as a reader counts them.
    void longOutputIsCutForTheLog()
    {
        QFETCH(QString, unit);
        QFETCH(int, count);
        QFETCH(bool, cut);
        const QString text = unit.repeated(count);
        QCOMPARE(vexlo::truncatedForLog(text),
                 cut ? unit.repeated(900) + QStringLiteral("\n\u2026(truncated)\u2026") : text);
    }
};

QTEST_GUILESS_MAIN(TestSerialPortMonitor)
#include "tst_serialportmonitor.moc"
