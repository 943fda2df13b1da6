#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "workflow/MainFlasherState.h"
#include "workflow/StepRows.h"

#include <QSignalSpy>

using namespace std::chrono_literals;
using namespace vexlo;
Q_DECLARE_METATYPE(FlashStatus)

namespace {

// A step of the install run that the test lets finish, with what it was called with.
struct Step {
    int calls = 0;
    QStringList arguments;
    bool succeeds = true;
    std::unique_ptr<OneShot> gate = std::make_unique<OneShot>();
};

QCoro::Task<std::optional<QString>> download(Step *step, BoardType type)
{
    ++step->calls;
    step->arguments = {imageFileName(type)};
    co_await step->gate->wait();
    co_return step->succeeds ? std::optional(QStringLiteral("/images/") + imageFileName(type))
                             : std::nullopt;
}

QCoro::Task<bool> flash(Step *step, QString image, QString port, CoilexVariant variant)
{
    ++step->calls;
    step->arguments = {image, port, rawValue(variant)};
    co_await step->gate->wait();
    co_return step->succeeds;
}

// The state over a real monitor; the download and the flash are the test's.
struct Rig : SimulatedBoards {
    Step downloading, flashing;
    std::unique_ptr<MainFlasherState> state;
    QList<FlashStatus> statuses;
    QList<double> progress;

    explicit Rig(const QString &chip = QStringLiteral("esp32s3"), FirmwareServer server = {})
    {
        tool.setScenario({"board-info.out=Chip type: " + chip + "\\n"});
        InstallSteps steps;
        steps.download = [this](BoardType type) { return ::download(&downloading, type); };
        steps.flash = [this](QString image, QString port, CoilexVariant variant) {
            return ::flash(&flashing, std::move(image), std::move(port), variant);
        };
        steps.progressTick = 20ms;
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
    void aFreshStateAndRefusedPresses()
    {
        Rig rig(QStringLiteral("rp2040"));
        QVERIFY(rig.state->latestFirmwareVersion() == "0.0.0" && rig.state->progress() == 0.0
                && rig.state->coilexVariant() == CoilexVariant::v4 && !rig.state->isFlashing()
                && rig.state->status() == FlashStatus::idle && rig.state->shouldRefreshLatest());
        QVERIFY(!rig.state->canInstall());
        rig.press(); // no port
        QVERIFY(rig.plugAndDetect());
        QVERIFY(!rig.state->canInstall());
        rig.press(); // a board that was not recognised
        QCOMPARE(rig.statuses, (QList{FlashStatus::flashFailed, FlashStatus::flashFailed}));
        QCOMPARE(rig.downloading.calls, 0);
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
        QVERIFY(!rig.state->shouldRefreshLatest());
        // The pause (a minute) ends at once; the cancelled poll's last query writes "0.0.0".
        QVERIFY(waitUntil([&] { return rig.state->latestFirmwareVersion() == "0.0.0"; }));
    }

    void stepRows_data()
    {
        QTest::addColumn<bool>("port");
        QTest::addColumn<FlashStatus>("status");
        QTest::addColumn<bool>("flashing");
        QTest::addColumn<QString>("marks"); // per row: Idle, Running, Success, Failure
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("progress");
        using F = FlashStatus;
        const QString no = "\u2013", file = "ESP32-WROOM-32_latest.bin", p = "Fortschritt: \u2013";
        QTest::newRow("no port") << false << F::idle << false << "FIII" << no << p;
        QTest::newRow("idle") << true << F::idle << false << "SIII" << no << p;
        QTest::newRow("downloading") << true << F::downloading << false << "SRII" << no << p;
        QTest::newRow("flashing") << true << F::downloaded << true << "SSRI" << file
                                  << "Fortschritt:";
        QTest::newRow("flashed") << true << F::flashed << false << "SSSS" << file
                                 << "Fortschritt: fertig!";
        QTest::newRow("download failed") << true << F::downloadFailed << false << "SFII" << no << p;
        QTest::newRow("flash failed") << true << F::flashFailed << false << "SFFF" << no << p;
    }

    void stepRows()
    {
        QFETCH(bool, port);
        QFETCH(FlashStatus, status);
        QFETCH(bool, flashing);
        QFETCH(QString, marks);
        QFETCH(QString, file);
        QFETCH(QString, progress);
        const QList<StepRow> rows =
            vexlo::stepRows({port ? std::optional<QString>("/dev/ttyUSB0") : std::nullopt, status,
                             flashing, QStringLiteral("ESP32-WROOM-32_latest.bin")});
        QString shown;
        for (const StepRow &row : rows)
            shown += QStringLiteral("IRSF").at(int(row.status));
        QCOMPARE(shown, marks);
        QCOMPARE(*rows[0].detail, port ? "Port: /dev/ttyUSB0" : "Port: \u2013");
        QCOMPARE(*rows[1].detail, "Datei: " + file);
        QCOMPARE(*rows[2].detail, progress);
        QVERIFY(!rows[3].detail);
        QCOMPARE(rows[2].showsProgressBar, flashing);
        // Without a table the titles are their keys.
        QCOMPARE(stepTitle(rows[3].titleKey), QStringLiteral("step_successful"));
    }
};

QTEST_GUILESS_MAIN(TestMainFlasherState)
#include "tst_mainflasherstate.moc"
