#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "platform/PortLock.h"
#include "workflow/MainFlasherStateTestAccess.h"
#include "workflow/StepRows.h"

#include <QSignalSpy>

using namespace std::chrono_literals;
using namespace vexlo;
Q_DECLARE_METATYPE(FlashStatus)
Q_DECLARE_METATYPE(StepInputs)

namespace {

// A step of the install run that the test lets finish, with what it was called with.
struct Step {
    int calls = 0;
    QStringList arguments;
    bool succeeds = true;
    std::unique_ptr<OneShot> gate = std::make_unique<OneShot>();
};

QCoro::Task<DownloadResult> download(Step *step, BoardType type)
{
    ++step->calls;
    step->arguments = {imageFileName(type)};
    co_await step->gate->wait();
    if (!step->succeeds)
        co_return DownloadResult{std::nullopt, DownloadFailure::httpStatus, 404, {}};
    co_return DownloadResult{QStringLiteral("/images/") + imageFileName(type)};
}

QCoro::Task<FlashOutcome> flash(Step *step, QString image, QString port, CoilexVariant variant)
{
    ++step->calls;
    step->arguments = {image, port, rawValue(variant)};
    co_await step->gate->wait();
    if (!step->succeeds)
        co_return FlashOutcome{false, false, FlashFailure::toolFailed, 2};
    co_return FlashOutcome{true, true};
}

// The state over a real monitor; the download and the flash are the test's.
struct Rig : SimulatedBoards {
    Step downloading, flashing;
    std::unique_ptr<MainFlasherState> state;
    QList<FlashStatus> statuses;
    QList<double> progress;

    explicit Rig(const QString &chip = QStringLiteral("esp32s3"), FirmwareServer server = {})
    {
        tool.setScenario({"board-info.out=Chip type: " + chip + "\\nMAC: aa:bb:cc:dd:ee:01\\n"});
        InstallSteps steps;
        steps.download = [this](BoardType type) { return ::download(&downloading, type); };
        steps.flash = [this](QString image, QString port, CoilexVariant variant) {
            return ::flash(&flashing, std::move(image), std::move(port), variant);
        };
        steps.progressTick = 20ms;
        steps.log = log.sink();
        steps.expectedFlashDuration = [](BoardType type) {
            return type == BoardType::control ? 100ms : 200ms;
        };
        state = std::make_unique<MainFlasherState>(monitorOptions(), steps, server);
        QObject::connect(state.get(), &MainFlasherState::statusChanged,
                         [this] { statuses << state->status(); });
        QObject::connect(state.get(), &MainFlasherState::progressChanged,
                         [this] { progress << state->progress(); });
    }
    bool plugAndDetect(const QString &port = QStringLiteral("/dev/ttyUSB0"))
    {
        setPorts({port});
        return detected(state->portMonitor(), port);
    }
    MainFlasherStateTestAccess inside() const { return {*state}; }
    void press() { state->downloadAndInstall(); }
    bool waitForStatus(FlashStatus status)
    {
        return waitUntil([&] { return state->status() == status; });
    }
};

} // namespace

class TestMainFlasherState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { letLeftoverTasksEnd(); }
    // A press without a port, or with a board that was not recognised, starts nothing and says
    // why on the last row and in the log.
    void pressesWithoutARecognisedBoardAreRefused()
    {
        Rig rig(QStringLiteral("rp2040"));
        QCOMPARE(rig.state->installBlockedReason(), QStringLiteral("Kein Gerät angeschlossen."));
        rig.press();
        QVERIFY(rig.plugAndDetect());
        QCOMPARE(rig.state->installBlockedReason(),
                 QStringLiteral("Das Gerät wurde nicht erkannt."));
        rig.press();
        QCOMPARE(rig.statuses, (QList{FlashStatus::flashFailed, FlashStatus::flashFailed}));
        QCOMPARE(rig.log.startingWith("install: "),
                 (QStringList{"install: not started \u2014 no port selected",
                              "install: not started \u2014 the board on /dev/ttyUSB0 was not "
                              "recognised"}));
        QCOMPARE(rig.downloading.calls, 0);
    }

    // A port that another Vexlo program works on is neither probed nor written, and both rows
    // say why.
    void aPortHeldByAnotherProgram()
    {
        Rig rig;
        const QString port = QStringLiteral("/dev/ttyUSB7");
        QVERIFY(rig.plugAndDetect(port));
        QLockFile other(PortLock::lockFilePath(port)); // as another program holds it
        QVERIFY(other.tryLock(0));
        rig.press();
        QVERIFY(rig.waitForStatus(FlashStatus::flashFailed));
        QCOMPARE(rig.downloading.calls, 0);
        const QString why = QStringLiteral("ein anderes Vexlo Utility verwendet diesen Port");
        QVERIFY(rig.log.lines.contains("install: not started \u2014 another Vexlo program is using "
                                       + port));
        QCOMPARE(vexlo::stepRows(rig.state->stepInputs()).at(2).detail, why);
        const qsizetype probes = rig.tool.calls().size();
        QSignalSpy finished(&rig.state->portMonitor(), &SerialPortMonitor::detectionFinished);
        rig.state->retryDetection();
        QVERIFY(finished.wait(5000));
        const StepRow device = vexlo::stepRows(rig.state->stepInputs()).at(0);
        QCOMPARE(device.status, StepStatus::failure);
        QCOMPARE(device.detail, "Port: " + port + " \u00b7 " + why);
        QCOMPARE(rig.tool.calls().size(), probes);
    }

    void runs_data()
    {
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<bool>("flashes");
        QTest::addColumn<QList<FlashStatus>>("statuses");
        QTest::addColumn<double>("progress");
        using S = FlashStatus;
        QTest::newRow("download failed")
            << false << true << QList{S::downloading, S::downloadFailed} << 0.0;
        QTest::newRow("flash failed")
            << true << false << QList{S::downloading, S::downloaded, S::flashFailed} << 0.0;
        QTest::newRow("fast flash")
            << true << true << QList{S::downloading, S::downloaded, S::flashed} << 1.0;
    }

    // A whole run against a detected control board: the image of its family, the port of the
    // run's start, the variant; every outcome lands in the status.
    void runs()
    {
        QFETCH(bool, downloads);
        QFETCH(bool, flashes);
        QFETCH(QList<FlashStatus>, statuses);
        QFETCH(double, progress);
        Rig rig;
        rig.downloading.succeeds = downloads;
        rig.flashing.succeeds = flashes;
        rig.downloading.gate->fire();
        rig.flashing.gate->fire();
        QVERIFY(rig.plugAndDetect());
        QVERIFY(rig.state->canInstall());
        rig.press();
        QVERIFY(rig.waitForStatus(statuses.last()));
        QCOMPARE(rig.statuses, statuses);
        QCOMPARE(rig.state->progress(), progress);
        QVERIFY(!rig.state->isFlashing() && !rig.state->isInstalling());
        QCOMPARE(rig.downloading.arguments, QStringList{"ControlBoard_V4_latest.bin"});
        QCOMPARE(rig.flashing.calls, downloads ? 1 : 0);
        if (downloads)
            QCOMPARE(
                rig.flashing.arguments,
                (QStringList{"/images/ControlBoard_V4_latest.bin", "/dev/ttyUSB0", "Coilex V4"}));
        QVERIFY(rig.state->canInstall());
    }

    void anOutcomeBelongsToItsBoard_data()
    {
        QTest::addColumn<QString>("change"); // the MAC address detected after the run, or an act
        QTest::addColumn<bool>("kept");
        QTest::newRow("same board seen again") << "aa:bb:cc:dd:ee:01" << true;
        QTest::newRow("another board") << "aa:bb:cc:dd:ee:02" << false;
        QTest::newRow("no MAC address") << "" << false;
        QTest::newRow("another port chosen during the run") << "choose" << false;
        QTest::newRow("the port vanished during the run") << "unplug" << true;
    }

    // A run's outcome stays while its board is on screen: the same MAC address seen again, or
    // the board merely unplugged; another board, or the user's choice of another port, clears it.
    void anOutcomeBelongsToItsBoard()
    {
        QFETCH(QString, change);
        QFETCH(bool, kept);
        Rig rig;
        rig.downloading.gate->fire();
        QVERIFY(rig.plugAndDetect());
        rig.press();
        QVERIFY(waitUntil([&] { return rig.state->isFlashing(); }));
        SerialPortMonitor &monitor = rig.state->portMonitor();
        if (change == "choose") {
            rig.setPorts({"/dev/ttyUSB0", "/dev/ttyACM1"});
            QVERIFY(waitUntil([&] { return monitor.availableDevices().size() == 2; }));
            monitor.setSelectedDevice(QStringLiteral("/dev/ttyACM1"));
        }
        if (change == "unplug") {
            rig.setPorts({});
            QVERIFY(waitUntil([&] { return !monitor.selectedDevice(); }));
        }
        rig.flashing.gate->fire();
        QVERIFY(waitUntil([&] { return !rig.state->isInstalling(); }));
        if (change != "choose" && change != "unplug") {
            QCOMPARE(rig.inside().lastRun()->macAddress, QStringLiteral("aa:bb:cc:dd:ee:01"));
            rig.tool.setScenario({"board-info.out=Chip type: esp32s3\\nMAC: " + change + "\\n"});
            rig.state->retryDetection();
            QVERIFY(monitor.isDetectingBoard() && !rig.state->canRetryDetection());
            QVERIFY(
                waitUntil([&] { return rig.log.startingWith("detection result").size() == 2; }));
        }
        QCOMPARE(rig.inside().lastRun().has_value(), kept);
        QCOMPARE(rig.state->status(), kept ? FlashStatus::flashed : FlashStatus::idle);
    }

    // While the flash runs, the estimate rises step by step to 1.0 and stays there; a variant
    // chosen during the download is the one flashed; a second press starts nothing.
    void aLongRun()
    {
        Rig rig(QStringLiteral("esp32"));
        QVERIFY(rig.plugAndDetect());
        rig.press();
        QVERIFY(rig.waitForStatus(FlashStatus::downloading));
        QVERIFY(!rig.state->canInstall());
        rig.state->setCoilexVariant(CoilexVariant::pro);
        rig.press();
        rig.downloading.gate->fire();
        QVERIFY(waitUntil([&] { return rig.state->progress() == 1.0; }));
        // Four more ticks of the estimate's (three listings, 30 ms apart): it writes nothing more.
        const qsizetype listings = rig.log.startingWith("[SerialPortMonitor] ports=").size();
        QVERIFY(waitUntil([&] {
            return rig.log.startingWith("[SerialPortMonitor] ports=").size() >= listings + 3;
        }));
        rig.press();
        rig.flashing.gate->fire();
        QVERIFY(rig.waitForStatus(FlashStatus::flashed));
        QList<double> expected{0.0};
        for (int step = 1; step <= 10; ++step)
            expected << step / 10.0;
        expected << 1.0; // the run's final value
        QCOMPARE(rig.progress.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY(qFuzzyCompare(rig.progress[i] + 1, expected[i] + 1));
        QCOMPARE(rig.downloading.calls, 1);
        QCOMPARE(rig.downloading.arguments, QStringList{"ESP32-WROOM-32_latest.bin"});
        QCOMPARE(rig.flashing.arguments.last(), QStringLiteral("Coilex Pro"));
    }

    // A run that ends while its estimate sleeps, followed at once by another: the old estimate
    // never writes into the new run, whose progress only rises.
    void anEstimateBelongsToItsRun()
    {
        Rig rig;
        rig.downloading.gate->fire();
        QVERIFY(rig.plugAndDetect());
        rig.flashing.succeeds = false;
        rig.press();
        QVERIFY(waitUntil([&] { return rig.progress.size() >= 2; })); // ticked, sleeps again
        rig.flashing.gate->fire();
        QVERIFY(rig.waitForStatus(FlashStatus::flashFailed));
        rig.flashing.gate = std::make_unique<OneShot>();
        rig.progress.clear();
        rig.press();
        QVERIFY(waitUntil([&] { return rig.state->progress() == 1.0; }));
        for (qsizetype i = 1; i < rig.progress.size(); ++i)
            QVERIFY2(rig.progress[i] > rig.progress[i - 1], qPrintable(QString::number(i)));
        rig.flashing.gate->fire();
        QVERIFY(waitUntil([&] { return !rig.state->isInstalling(); }));
    }

    // A board that comes back under another name during the run is not probed until the run
    // has ended: board-info must not open the port in the middle of the variant line.
    void noDetectionDuringARun()
    {
        Rig rig;
        rig.downloading.gate->fire();
        QVERIFY(rig.plugAndDetect());
        rig.press();
        QVERIFY(waitUntil([&] { return rig.state->isFlashing(); }));
        rig.setPorts({"/dev/ttyACM0"});
        const QString decided = "[SerialPortMonitor] scheduleBoardDetectionIfNeeded(force=false) "
                                "selected=/dev/ttyACM0";
        QVERIFY(waitUntil([&] { return rig.log.startingWith(decided).size() >= 3; }));
        QCOMPARE(rig.tool.calls().size(), 1);
        rig.flashing.gate->fire();
        QVERIFY(rig.waitForStatus(FlashStatus::flashed));
        // The detection's end, not just its start: its last line goes to the rig's log.
        QVERIFY(rig.detected(rig.state->portMonitor(), "/dev/ttyACM0"));
        QCOMPARE(rig.tool.calls().size(), 2);
        QCOMPARE(rig.tool.calls().last(), QStringLiteral("-S\tboard-info\t--port\t/dev/ttyACM0"));
    }

    void theVersionIsPolledWhileTheWindowIsShown()
    {
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        server.setRoute("/Firmware/latest_board_firmware.txt", {200, "1.4.2\n"});
        FirmwareServer settings;
        settings.origin = server.origin();
        Rig rig(QStringLiteral("esp32"), settings);
        rig.state->windowShown();
        QVERIFY(waitUntil([&] { return rig.state->latestFirmwareVersion() == "1.4.2"; }));
        rig.state->windowHidden();
        QVERIFY(!rig.inside().shouldRefreshLatest());
        // The pause (a minute) ends at once; the cancelled poll's last query writes "0.0.0".
        QVERIFY(waitUntil([&] { return rig.state->latestFirmwareVersion() == "0.0.0"; }));
    }

    void stepRows_data()
    {
        QTest::addColumn<StepInputs>("facts");
        QTest::addColumn<QString>("marks");   // per row: Idle, Running, Success, Failure
        QTest::addColumn<QString>("details"); // the four second lines, joined by "|"
        using F = FlashStatus;
        const QString usb = "/dev/ttyUSB0", port = "Port: /dev/ttyUSB0 \u00b7 ";
        const QString idle = "|Datei: \u2013|Fortschritt: \u2013|", found = port + "ESP32 DevKit";
        const QString file = "|Datei: ESP32-WROOM-32_latest.bin|", done = "Fortschritt: fertig!|";
        const auto row = [](const char *name, StepInputs facts, const char *marks, QString lines) {
            QTest::newRow(name) << facts << QString(marks) << lines;
        };
        StepInputs board{usb, {usb}}, detecting{usb, {usb}, true};
        board.detection.kind = DetectedBoardKind::esp32DevKit;
        row("no port", {}, "FIII", "Port: \u2013" + idle);
        row("detecting", detecting, "RIII", "Port: " + usb + idle);
        row("detected", board, "SIII", found + idle);
        using D = DetectionFailure;
        for (const auto &[name, failure, status, reason] :
             {std::tuple{"tool missing", D::toolMissing, 0, "espflash nicht gefunden"},
              std::tuple{"hung", D::timedOut, 9, "keine Antwort in 30 s"},
              std::tuple{"tool error", D::toolError, 2, "espflash-Fehler (Status 2)"},
              std::tuple{"not recognised", D::notRecognised, 0, "Antwort nicht erkannt"}}) {
            StepInputs facts{usb, {usb}};
            facts.detection = {DetectedBoardKind::unknown, {}, failure, status, false, "out"};
            row(name, facts, "FIII", port + reason + idle);
        }

        const auto ran = [&](F status, DownloadResult download, FlashOutcome flash,
                             const StepInputs &base = {}) {
            StepInputs facts = base;
            facts.status = status;
            facts.run = InstallRecord{
                usb, {}, DetectedBoardKind::esp32DevKit, CoilexVariant::pro, download, flash};
            facts.isInstalling = status == F::downloading || status == F::downloaded;
            facts.isFlashing = status == F::downloaded;
            return facts;
        };
        const DownloadResult image{"/cache/ESP32-WROOM-32_latest.bin"};
        const FlashOutcome written{true, true};
        row("downloading", ran(F::downloading, {}, {}, board), "SRII", found + idle);
        row("flashing", ran(F::downloaded, image, {}, board), "SSRI",
            found + file + "Fortschritt:|");
        row("flashed", ran(F::flashed, image, written, board), "SSSS",
            found + file + done + "Variante: Coilex Pro");
        for (const auto &[name, failure, status, reason] :
             {std::tuple{"404", DownloadFailure::httpStatus, 404, "Server antwortet 404"},
              std::tuple{"no answer", DownloadFailure::noAnswer, 0, "keine Antwort"},
              std::tuple{"no image", DownloadFailure::notAnImage, 200, "keine Firmware-Datei"}})
            row(name, ran(F::downloadFailed, {std::nullopt, failure, status}, {}, board), "SFII",
                found + '|' + reason + "|Fortschritt: \u2013|");
        const auto writeFailed = [&](FlashFailure failure, int status, bool crashed) {
            return ran(F::flashFailed, image, {false, false, failure, status, crashed}, board);
        };
        row("write failed", writeFailed(FlashFailure::toolFailed, 2, false), "SSFF",
            found + file + "espflash-Fehler (Status 2)|");
        row("write killed", writeFailed(FlashFailure::toolFailed, 9, true), "SSFF",
            found + file + "espflash-Fehler (Signal 9)|");
        row("port gone while writing", writeFailed(FlashFailure::portVanished, 1, false), "SSFF",
            found + file + "Port beim Schreiben getrennt|");
        const FlashOutcome notSent{true, false, FlashFailure::variantNotSent, 0, false, "EACCES"};
        row("variant not sent", ran(F::flashFailed, image, notSent, board), "SSSF",
            found + file + done + "Variante nicht gesendet: EACCES");
        StepInputs otherPort{"/dev/ttyACM1", {usb, "/dev/ttyACM1"}};
        otherPort.detection.kind = DetectedBoardKind::controlBoard;
        row("flashed, another port chosen", ran(F::flashed, image, written, otherPort), "SIII",
            "Port: /dev/ttyACM1 \u00b7 Control Board" + idle);
        row("flashed, unplugged", ran(F::flashed, image, written), "FSSS",
            "Port: \u2013" + file + done + "Variante: Coilex Pro");
        row("flashing, another port chosen", ran(F::downloaded, image, {}, otherPort), "SSRI",
            found + file + "Fortschritt:|");
        row("flashing, unplugged", ran(F::downloaded, image, {}), "FSRI",
            port + "getrennt" + file + "Fortschritt:|");
    }

    // What the rows show, from the facts alone.
    void stepRows()
    {
        QFETCH(StepInputs, facts);
        QFETCH(QString, marks);
        QFETCH(QString, details);
        const QList<StepRow> rows = vexlo::stepRows(facts);
        QString shown;
        QStringList lines;
        for (const StepRow &row : rows) {
            shown += QStringLiteral("IRSF").at(int(row.status));
            lines << row.detail.value_or(QString());
        }
        QCOMPARE(shown, marks);
        QCOMPARE(lines.join('|'), details);
        QCOMPARE(rows[2].showsProgressBar, lines[2] == "Fortschritt:");
        // A failed detection offers to check again and shows the tool's whole output.
        const bool failedDetection = !facts.isInstalling && facts.selectedDevice && marks[0] == 'F';
        QCOMPARE(rows[0].offersRetry, failedDetection);
        QCOMPARE(rows[0].toolTip, failedDetection ? "out" : "");
        // Without a table the titles are their keys.
        QCOMPARE(stepTitle(rows[3].titleKey), QStringLiteral("step_successful"));
    }
};

QTEST_GUILESS_MAIN(TestMainFlasherState)
#include "tst_mainflasherstate.moc"
