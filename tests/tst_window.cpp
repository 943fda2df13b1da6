#include "LoopbackHttpServer.h"
#include "PseudoTerminal.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/Translations.h"
#include "app/Updater.h"
#include "workflow/FlashStepView.h"
#include "workflow/MainFlasherView.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTranslator>

using namespace std::chrono_literals;
using namespace vexlo;

namespace {

// The real window over a real monitor (ports listed from a file, boards answered by the stand-in
// tool), downloading from a loopback server and flashing with the stand-in tool.
struct Rig {
    FakeEspflash tool;
    LoopbackHttpServer server;
    LogCapture log;
    std::unique_ptr<MainFlasherState> state;
    Updater updater{{QUrl(), QString(), 1s, [](const UpdateCheckResult &) {}}};
    std::unique_ptr<MainWindow> window;
    MainFlasherView *view = nullptr;

    explicit Rig(const QStringList &scenario = {"board-info.out=Chip type: esp32s3\\n"})
    {
        QVERIFY(server.listen());
        tool.setScenario(scenario);
        setPorts({});
        SerialPortMonitorOptions monitor;
        monitor.pollInterval = 30ms;
        monitor.detectionDelay = 10ms;
        monitor.listCommand = QStringLiteral("cat '%1'").arg(tool.filePath("ports"));
        monitor.resourcesDirectory = tool.resourcesDirectory();
        monitor.log = log.sink();
        FirmwareServer firmware;
        firmware.origin = server.origin();
        firmware.imageDirectory = tool.filePath("images");
        FlasherOptions flasher;
        flasher.resourcesDirectory = tool.resourcesDirectory();
        flasher.log = log.sink();
        state = std::make_unique<MainFlasherState>(monitor, InstallSteps::real(firmware, flasher),
                                                   firmware);
        window = std::make_unique<MainWindow>(*state, updater);
        view = window->content();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void setPorts(const QStringList &ports)
    {
        QFile file(tool.filePath("ports"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ports.join('\n').toUtf8() + '\n');
    }
    bool detected(const QString &port)
    {
        return waitUntil([&] {
            return state->portMonitor().selectedDevice() == port
                && !log.startingWith("[SerialPortMonitor] detection result for " + port).isEmpty();
        });
    }
    QPushButton *button() const { return view->installButton(); }
    StepStatus mark(int row) const { return view->step(row)->mark()->status(); }
    void screenshot(const QString &name) const
    {
        const QString dir = QCoreApplication::applicationDirPath() + "/../screenshots";
        QDir().mkpath(dir);
        QVERIFY(window->grab().save(dir + '/' + name + ".png"));
    }
};

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { letLeftoverTasksEnd(); }
    void initTestCase() { installTranslations(*QCoreApplication::instance()); }

    void layoutAndTexts()
    {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Vexlo Utility"));
        QCOMPARE(rig.view->size(), QSize(336, 338));
        QCOMPARE(rig.window->minimumSize(), rig.window->maximumSize());
        QCOMPARE(rig.view->versionLine()->text(), QStringLiteral("Neuste Firmware Version: 0.0.0"));
        QCOMPARE(rig.view->versionLine()->pos(), QPoint(20, 20));
        QStringList segments;
        for (QAbstractButton *segment : rig.view->variantPicker()->buttons())
            segments << segment->text();
        QCOMPARE(segments, (QStringList{"Coilex V4", "Coilex Pro", "U"}));
        QVERIFY(rig.view->variantPicker()->buttons()[0]->isChecked());
        QTest::mouseClick(rig.view->variantPicker()->buttons()[1], Qt::LeftButton);
        QCOMPARE(rig.state->coilexVariant(), CoilexVariant::pro);

        const FlashStepView *first = rig.view->step(0), *second = rig.view->step(1);
        QCOMPARE(first->mark()->size(), QSize(12, 12));
        QCOMPARE(first->title()->x() - first->mark()->geometry().right() - 1, 10);
        QCOMPARE(second->y() - first->geometry().bottom() - 1, 14);
        QCOMPARE(first->title()->text(), QStringLiteral("Gerät gefunden"));
        QCOMPARE(rig.view->step(2)->progressBar()->geometry(), QRect(60, 5, 179, 4));
        QCOMPARE(rig.view->step(2)->progressBar()->parentWidget(), rig.view->step(2)->detail());
        QCOMPARE(rig.view->portPicker()->focusPolicy(), Qt::NoFocus);
        QCOMPARE(rig.button()->geometry().bottom(), 338 - 20 - 2 - 1);

        const QList<QAction *> menu = rig.window->menuBar()->actions().first()->menu()->actions();
        QCOMPARE(menu.size(), 2);
        QCOMPARE(menu[0]->menuRole(), QAction::AboutRole);
        QCOMPARE(menu[1]->text(), QStringLiteral("Check for Updates\u2026"));
        QVERIFY(menu[1]->isEnabled() && !menu[1]->icon().isNull());

        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/i18n/vexlo_en")));
        QCOMPARE(english.translate("vexlo::MainFlasherView", "Herunterladen und installieren"),
                 QStringLiteral("Download and install"));
        QCOMPARE(english.translate("StepRows", "step_device_found"),
                 QStringLiteral("Device found"));
    }

    // The picker is there only with two or more ports and follows the selection both ways; the
    // button reads and enables as the ports and the detection say.
    void portsAndTheInstallButton()
    {
        Rig rig({"board-info.out=Chip type: esp32\\n", "board-info.sleep_ms=300"});
        const QString longLabel = QStringLiteral("Herunterladen und installieren");
        QVERIFY(!rig.view->portPicker()->isVisible() && !rig.button()->isEnabled());
        QCOMPARE(rig.button()->text(), longLabel);
        QCOMPARE(rig.mark(0), StepStatus::failure);
        QCOMPARE(rig.view->step(0)->detail()->text(), QStringLiteral("Port: \u2013"));

        rig.setPorts({"/dev/ttyUSB0"});
        QVERIFY(waitUntil([&] { return rig.state->portMonitor().isDetectingBoard(); }));
        QVERIFY(!rig.button()->isEnabled() && !rig.view->portPicker()->isVisible());
        QVERIFY(rig.detected("/dev/ttyUSB0"));
        QVERIFY(rig.button()->isEnabled());
        QCOMPARE(rig.mark(0), StepStatus::success);
        QCOMPARE(rig.view->step(0)->detail()->text(), QStringLiteral("Port: /dev/ttyUSB0"));
        QCOMPARE(rig.view->step(0)->accessibleDescription(),
                 QStringLiteral("erfolgreich, Port: /dev/ttyUSB0"));
        QVERIFY(rig.view->step(0)->toolTip().contains("Chip type: esp32"));

        rig.setPorts({"/dev/ttyUSB0", "/dev/ttyACM1"});
        QVERIFY(waitUntil([&] { return rig.view->portPicker()->isVisible(); }));
        QCOMPARE(rig.button()->text(), QStringLiteral("Installieren"));
        QCOMPARE(rig.view->portPicker()->itemText(1), QStringLiteral("/dev/ttyACM1"));
        rig.view->portPicker()->setCurrentIndex(1);
        Q_EMIT rig.view->portPicker()->activated(1);
        QCOMPARE(rig.state->portMonitor().selectedDevice(), QStringLiteral("/dev/ttyACM1"));
        QVERIFY(!rig.button()->isEnabled()); // detecting the board on the new port
        QVERIFY(rig.detected("/dev/ttyACM1"));
        rig.state->portMonitor().setSelectedDevice(QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(rig.view->portPicker()->currentIndex(), 0);

        rig.setPorts({"/dev/ttyACM1"});
        QVERIFY(waitUntil([&] { return !rig.view->portPicker()->isVisible(); }));
        QCOMPARE(rig.button()->text(), longLabel);
    }

    // The whole job through the window: a click, the rows turning green, the image written and
    // the variant line on the wire. A screenshot of each phase goes into the build tree.
    void aWholeInstallThroughTheWindow()
    {
        PseudoTerminal board;
        Rig rig({"board-info.out=Chip type: esp32s3 (revision v0.2)\\n",
                 "write-bin.chunks=e:Connecting...\\n|e:Flashing has completed!\\n",
                 "write-bin.chunk_delay_ms=300"});
        LoopbackHttpServer::Response image;
        image.generatedSize = 300000;
        image.delayMs = 500;
        rig.server.setRoute("/Firmware/ControlBoard_V4_latest.bin", image);
        const QString port = rig.tool.filePath("ttyUSB0");
        QVERIFY(QFile::link(board.terminalPath(), port));
        rig.setPorts({port});
        QVERIFY(rig.detected(port));
        rig.screenshot("1-detected");

        QTest::mouseClick(rig.button(), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return rig.mark(1) == StepStatus::inProgress; }));
        QVERIFY(!rig.button()->isEnabled());
        rig.screenshot("2-downloading");
        QVERIFY(waitUntil([&] { return rig.mark(2) == StepStatus::inProgress; }));
        QVERIFY(rig.view->step(2)->progressBar()->isVisible());
        QCOMPARE(rig.view->step(1)->detail()->text(),
                 QStringLiteral("Datei: ControlBoard_V4_latest.bin"));
        rig.screenshot("3-installing");
        QVERIFY(waitUntil([&] { return rig.mark(3) == StepStatus::success; }));
        rig.screenshot("4-done");
        for (int row = 0; row < 4; ++row)
            QCOMPARE(rig.mark(row), StepStatus::success);
        QCOMPARE(rig.view->step(2)->detail()->text(), QStringLiteral("Fortschritt: fertig!"));
        QCOMPARE(board.readAvailable(), QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n"));
        QVERIFY(rig.button()->isEnabled());
    }

    // Closing during an install asks first; no keeps the window, yes closes it.
    void closingDuringAnInstallAsks()
    {
        Rig rig;
        LoopbackHttpServer::Response slow{200, "no image"};
        slow.delayMs = 500;
        rig.server.setRoute("/Firmware/ControlBoard_V4_latest.bin", slow);
        rig.setPorts({"/dev/ttyUSB0"});
        QVERIFY(rig.detected("/dev/ttyUSB0"));
        QTest::mouseClick(rig.button(), Qt::LeftButton);
        QVERIFY(rig.state->isInstalling());
        int asked = 0;
        bool answer = false;
        rig.window->confirmCloseDuringInstall = [&] {
            ++asked;
            return answer;
        };
        QVERIFY(!rig.window->close());
        QVERIFY(rig.window->isVisible());
        answer = true;
        QVERIFY(rig.window->close());
        QCOMPARE(asked, 2);
        QVERIFY(!rig.state->shouldRefreshLatest());
        // The run goes on to its end after the window has gone.
        QVERIFY(waitUntil([&] { return rig.state->status() == FlashStatus::downloadFailed; }));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
