#include "LoopbackHttpServer.h"
#include "PseudoTerminal.h"
#include "TestSupport.h"
#include "app/AppTestAccess.h"
#include "app/Appcast.h"
#include "app/QuitAfterRun.h"
#include "app/Updater.h"
#include "platform/SessionLog.h"
#include "platform/Translations.h"
#include "workflow/MainFlasherViewTestAccess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QTranslator>

#include <thread>

using namespace std::chrono_literals;
using namespace vexlo;
using Response = LoopbackHttpServer::Response;
using Outcome = UpdateCheckResult::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

// The real window over a real monitor, downloading from a loopback server and flashing with the
// stand-in tool.
struct Rig : SimulatedBoards {
    LoopbackHttpServer server;
    std::unique_ptr<MainFlasherState> state;
    Updater updater{{QUrl(), QString(), 1s, [](const UpdateCheckResult &) {}}};
    std::unique_ptr<MainWindow> window;
    MainFlasherView *view = nullptr;

    explicit Rig(const QStringList &scenario = {"board-info.out=Chip type: esp32s3\\n"})
    {
        QVERIFY(server.listen());
        tool.setScenario(scenario);
        FirmwareServer firmware;
        firmware.origin = server.origin();
        firmware.imageDirectory = tool.filePath("images");
        FlasherOptions flasher;
        flasher.toolSearchPath = tool.searchPath();
        flasher.log = log.sink();
        state = std::make_unique<MainFlasherState>(monitorOptions(),
                                                   InstallSteps::real(firmware, flasher), firmware);
        window = std::make_unique<MainWindow>(*state, updater);
        view = MainWindowTestAccess{*window}.content();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    bool detected(const QString &port)
    {
        return SimulatedBoards::detected(state->portMonitor(), port);
    }
    MainFlasherViewTestAccess content() const { return {*view}; }
    QPushButton *button() const { return content().installButton(); }
    StepStatus mark(int row) const { return content().row(row).status(); }
    // The marks (Idle, Running, Success, Failure) and the second lines of the four rows.
    QString shown() const
    {
        QString marks;
        QStringList lines;
        for (int row = 0; row < 4; ++row) {
            const QLabel *detail = content().row(row).detail();
            marks += QStringLiteral("IRSF").at(int(mark(row)));
            lines << (detail->isVisible() ? detail->text() : QString());
        }
        return marks + '|' + lines.join('|');
    }
    void screenshot(const QString &name) const
    {
        QVERIFY(
            window->grab().save(QCoreApplication::applicationDirPath() + "/../" + name + ".png"));
    }
};

// The first text with less room than it asks for, or smaller than a caption of the application's
// font; nothing when all fit.
QString clipped(const QWidget &window)
{
    for (const QWidget *w : window.findChildren<QWidget *>()) {
        const QSize need = w->sizeHint();
        if (w->isVisible()
            && (w->inherits("QLabel") || w->inherits("QAbstractButton") || w->inherits("QComboBox"))
            && (w->width() < need.width() || w->height() < need.height()
                || w->font().pointSizeF() < 0.79 * QApplication::font().pointSizeF()))
            return QString(w->metaObject()->className()) + ' ' + w->property("text").toString();
    }
    return {};
}

// How many pixels differ clearly: by more than a third of the range in a channel.
int clearlyChanged(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            count += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                               std::abs(p.blue() - q.blue())})
                > 80;
        }
    return count;
}

QByteArray feed(const QByteArray &items)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<title>Vexlo Utility</title><link>https://vexlo.example/</link>"
        + items + "</channel></rss>";
}

QByteArray item(const QByteArray &version, const QByteArray &extra = {})
{
    return "<item><title>" + version + "</title><sparkle:version>" + version
        + "</sparkle:version><enclosure url=\"https://dl.example/" + version
        + ".tar.gz\" length=\"1\" type=\"application/octet-stream\"/>" + extra + "</item>";
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT
    QFont m_defaultFont;
    QUrl m_opened;

public Q_SLOTS:
    void openUrl(const QUrl &url) { m_opened = url; }

private Q_SLOTS:
    void cleanupTestCase() { letLeftoverTasksEnd(); }
    void initTestCase()
    {
        installTranslations(*QCoreApplication::instance());
        m_defaultFont = QApplication::font();
    }

    void init() { QApplication::setFont(m_defaultFont); }

    // The window's texts in German at the size it is drawn for, each row where the drawing puts
    // it, and the English table for every text.
    void layoutAndTexts()
    {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Vexlo Utility"));
        QCOMPARE(rig.content().versionLine()->text(),
                 QStringLiteral("Neuste Firmware Version: 0.0.0"));
        QCOMPARE(rig.content().versionLine()->pos(), QPoint(20, 20));
        QStringList segments;
        for (QAbstractButton *segment : rig.content().variantPicker()->buttons())
            segments << segment->text();
        QCOMPARE(segments, (QStringList{"Coilex V4", "Coilex Pro", "U"}));
        QVERIFY(rig.content().variantPicker()->buttons()[0]->isChecked());
        QTest::mouseClick(rig.content().variantPicker()->buttons()[1], Qt::LeftButton);
        QCOMPARE(rig.state->coilexVariant(), CoilexVariant::pro);

        const FlashStepViewTestAccess first = rig.content().row(0);
        QCOMPARE(first.mark()->size(), QSize(12, 12));
        QCOMPARE(first.title()->x() - first.mark()->geometry().right() - 1, 10);
        QCOMPARE(rig.content().step(1)->y() - first.row.geometry().bottom() - 1, 14);
        QCOMPARE(first.title()->text(), QStringLiteral("Gerät gefunden"));
        QCOMPARE(rig.button()->geometry().bottom(), 338 - 20 - 2 - 1);

        // Texts without their mnemonics, each menu item with a mnemonic of its own.
        const QList<QAction *> menu = rig.window->menuBar()->actions().first()->menu()->actions();
        QStringList texts;
        QSet<QKeySequence> mnemonics;
        for (const QAction *action : menu) {
            texts << QString(action->text()).remove('&');
            mnemonics << QKeySequence::mnemonic(action->text());
        }
        QCOMPARE(texts,
                 (QStringList{"Über Vexlo Utility", "Nach Updates suchen\u2026", "",
                              "Protokoll anzeigen\u2026", "", "Beenden"}));
        QCOMPARE(mnemonics.size(), 5); // four of their own and the separators' none
        QCOMPARE(menu[0]->menuRole(), QAction::AboutRole);
        QCOMPARE(rig.content().versionLine()->textFormat(), Qt::PlainText);
        QVERIFY(menu[1]->isEnabled() && !menu[1]->icon().isNull());
        QCOMPARE(menu[5]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/i18n/vexlo_en")));
        QCOMPARE(english.translate("vexlo::MainFlasherView", "Herunterladen und installieren"),
                 QStringLiteral("Download and install"));
        QCOMPARE(english.translate("StepRows", "step_device_found"),
                 QStringLiteral("Device found"));
        QCOMPARE(english.translate("vexlo::MainWindow", "Check for Updates\u2026"),
                 QStringLiteral("Check for Updates\u2026"));
    }

    void textsFit_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("default font") << 0;
        QTest::newRow("11 pt") << 11;
        QTest::newRow("16 pt") << 16;
    }

    // At the default font the content keeps its size; a larger desktop font, set while the
    // window is open, gets the room its texts need, with the progress bar beside its word.
    void textsFit()
    {
        QFETCH(int, points);
        Rig rig({"board-info.out=Chip type: esp32\\n", "write-bin.sleep_ms=400"});
        if (points == 0)
            QCOMPARE(rig.view->size(), QSize(336, 338));
        rig.server.setRoute("/Firmware/ESP32-WROOM-32_latest.bin", {200, {}, {}, 20000});
        if (points > 0)
            QApplication::setFont(QFont(m_defaultFont.family(), points));
        rig.state->setCoilexVariant(CoilexVariant::universal); // no variant line to send
        const QStringList ports{rig.tool.filePath("ttyUSB0"), rig.tool.filePath("ttyACM1")};
        for (const QString &port : ports)
            QVERIFY(QFile(port).open(QIODevice::WriteOnly));
        rig.setPorts(ports);
        QVERIFY(rig.detected(ports[0]));
        QTest::mouseClick(rig.button(), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return rig.content().row(2).progressBar()->isVisible(); }));
        QTRY_COMPARE_WITH_TIMEOUT(clipped(*rig.window), QString(), 2000);
        const QLabel *word = rig.content().row(2).detail();
        const QRect bar = rig.content().row(2).progressBar()->geometry();
        if (points == 0)
            QCOMPARE(bar.topLeft() - word->pos(), QPoint(60, (word->height() - 4) / 2));
        QVERIFY(bar.left() > word->x() + word->fontMetrics().horizontalAdvance(word->text()));
        QVERIFY(waitUntil([&] { return rig.mark(3) == StepStatus::success; }));
        QTRY_COMPARE_WITH_TIMEOUT(clipped(*rig.window), QString(), 2000);
        QCOMPARE(rig.window->minimumSize(), rig.window->maximumSize());
    }

    // Every control in reading order with Tab, each with a frame that stands out while it has the
    // focus. The variant picker is one stop whose arrow keys choose; Ctrl+Q closes the window.
    void keyboard()
    {
        Rig rig;
        rig.setPorts({"/dev/ttyUSB0", "/dev/ttyACM1"});
        QVERIFY(rig.detected("/dev/ttyUSB0"));
        QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
        const QList<QWidget *> expected{
            rig.content().variantPicker()->button(int(CoilexVariant::pro)),
            rig.content().portPicker(), rig.button()};
        rig.content().variantPicker()->buttons().first()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(rig.state->coilexVariant(), CoilexVariant::pro);
        // Tab from the last control: the focus frames show once the keyboard moved the focus.
        rig.button()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(rig.button(), Qt::Key_Tab);
        for (QWidget *control : expected) {
            QCOMPARE(QApplication::focusWidget(), control);
            const QImage withFocus = control->grab().toImage();
            QTest::keyClick(control, Qt::Key_Tab);
            QVERIFY(clearlyChanged(control->grab().toImage(), withFocus) >= control->width());
        }
        QCOMPARE(QApplication::focusWidget(), expected.first());
        QTest::keyClick(rig.window.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!rig.window->isVisible());
    }

    // The session's log, from the program's sink on any thread, shown as it grows; copied whole;
    // its folder opened. The log window keeps no program alive whose main window has closed.
    void theLogWindow()
    {
        QTemporaryDir state;
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        SessionLog &log = SessionLog::instance();
        for (int i = 0; i <= SessionLog::maximumLines; ++i)
            log.append(QString::number(i));
        QCOMPARE(log.lines().first(), QStringLiteral("1"));
        Rig rig;
        rig.window->menuBar()->actions().first()->menu()->actions()[3]->trigger();
        LogWindow *window = MainWindowTestAccess{*rig.window}.logWindow();
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QPlainTextEdit *text = LogWindowTestAccess{*window}.text();
        QVERIFY(text->isReadOnly() && text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        QCOMPARE(text->blockCount(), SessionLog::maximumLines);
        std::thread([] {
            standardOutputLog()(QStringLiteral("[test] from another thread"));
        }).join();
        QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().endsWith("\n[test] from another thread"),
                                 5000);
        QCOMPARE(text->verticalScrollBar()->value(), text->verticalScrollBar()->maximum());
        QTest::mouseClick(LogWindowTestAccess{*window}.copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), log.lines().join('\n'));

        QDesktopServices::setUrlHandler("file", this, "openUrl");
        QTest::mouseClick(LogWindowTestAccess{*window}.openFolderButton(), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("file");
        const QString folder = state.filePath("vexlo-utility");
        QCOMPARE(m_opened, QUrl::fromLocalFile(folder));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
        // A window with a transient parent does not count as the program's last window.
        QCOMPARE(window->windowHandle()->transientParent(), rig.window->windowHandle());
        qunsetenv("XDG_STATE_HOME");
    }

    // The picker is there only with two or more ports and follows the selection both ways; the
    // button reads and enables as the ports and the detection say.
    void portsAndTheInstallButton()
    {
        Rig rig({"board-info.out=Chip type: esp32\\n", "board-info.sleep_ms=300"});
        const QString longLabel = QStringLiteral("Herunterladen und installieren");
        QVERIFY(!rig.content().portPicker()->isVisible() && !rig.button()->isEnabled());
        QCOMPARE(rig.button()->text(), longLabel);
        QCOMPARE(rig.button()->toolTip(), QStringLiteral("Kein Gerät angeschlossen."));

        rig.setPorts({"/dev/ttyUSB0"});
        QVERIFY(rig.detected("/dev/ttyUSB0"));
        QVERIFY(rig.button()->isEnabled() && !rig.content().portPicker()->isVisible());
        QCOMPARE(rig.content().step(0)->accessibleDescription(),
                 QStringLiteral("erfolgreich, Port: /dev/ttyUSB0 \u00b7 ESP32 DevKit"));

        rig.setPorts({"/dev/ttyUSB0", "/dev/ttyACM1"});
        QVERIFY(waitUntil([&] { return rig.content().portPicker()->isVisible(); }));
        QCOMPARE(rig.button()->text(), QStringLiteral("Installieren"));
        QCOMPARE(rig.content().portPicker()->itemText(1), QStringLiteral("/dev/ttyACM1"));
        rig.content().portPicker()->setCurrentIndex(1);
        Q_EMIT rig.content().portPicker()->activated(1);
        QCOMPARE(rig.state->portMonitor().selectedDevice(), QStringLiteral("/dev/ttyACM1"));
        QVERIFY(!rig.button()->isEnabled()); // detecting the board on the new port
        QVERIFY(rig.detected("/dev/ttyACM1"));
        rig.state->portMonitor().setSelectedDevice(QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(rig.content().portPicker()->currentIndex(), 0);

        rig.setPorts({"/dev/ttyACM1"});
        QVERIFY(waitUntil([&] { return !rig.content().portPicker()->isVisible(); }));
        QCOMPARE(rig.button()->text(), longLabel);
    }

    void installsThroughTheWindow_data()
    {
        QTest::addColumn<QStringList>("scenario");
        QTest::addColumn<int>("imageStatus");
        QTest::addColumn<QString>("rows"); // marks: Idle, Running, Success, Failure; second lines
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("logLine");
        const QString found = "|Port: %PORT% \u00b7 Control Board|", done = "Fortschritt: fertig!|";
        const QString file = found + "Datei: ControlBoard_V4_latest.bin|";
        QTest::newRow("installed")
            << QStringList{} << 200 << "SSSS" + file + done + "Variante: Coilex V4"
            << QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n") << "";
        QTest::newRow("image missing")
            << QStringList{} << 404 << "SFII" + found + "Server antwortet 404|Fortschritt: \u2013|"
            << QByteArray() << "install: download failed \u2014 server answered 404";
        QTest::newRow("write failed")
            << QStringList{"write-bin.exit=2"} << 200
            << "SSFF" + file + "espflash-Fehler (Status 2)|" << QByteArray()
            << "install: write failed \u2014 espflash exit status 2";
        QTest::newRow("variant not sent")
            << QStringList{"reset.remove=%PORT%"} << 200
            << "SSSF" + file + done + "Variante nicht gesendet: No such file or directory"
            << QByteArray() << "install: variant failed \u2014 No such file or directory";
    }

    // The whole job through the window: a click, the rows turning green or red on the step that
    // failed, the image written and the variant line on the wire. Screenshots of the successful
    // run's phases go into the build tree.
    void installsThroughTheWindow()
    {
        QFETCH(QStringList, scenario);
        QFETCH(int, imageStatus);
        QFETCH(QString, rows);
        QFETCH(QByteArray, wire);
        QFETCH(QString, logLine);
        PseudoTerminal board;
        Rig rig;
        const QString port = rig.tool.filePath("ttyUSB0");
        rig.tool.setScenario(
            QStringList{"board-info.out=Chip type: esp32s3 (revision v0.2)\\n",
                        "write-bin.chunks=e:Connecting...\\n|e:Flashing has completed!\\n",
                        "write-bin.chunk_delay_ms=300"}
            + scenario.replaceInStrings("%PORT%", port));
        const LoopbackHttpServer::Response image{
            .status = imageStatus, .generatedSize = 300000, .delayMs = 500};
        rig.server.setRoute("/Firmware/ControlBoard_V4_latest.bin", image);
        QVERIFY(QFile::link(board.terminalPath(), port));
        rig.setPorts({port});
        QVERIFY(rig.detected(port));
        const bool shots = rows.startsWith("SSSS");
        if (shots)
            rig.screenshot("1-detected");
        QTest::mouseClick(rig.button(), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return rig.mark(1) == StepStatus::inProgress; }));
        QVERIFY(!rig.button()->isEnabled());
        QCOMPARE(rig.button()->toolTip(), QStringLiteral("Die Installation läuft."));
        if (shots) {
            rig.screenshot("2-downloading");
            QVERIFY(waitUntil([&] { return rig.content().row(2).progressBar()->isVisible(); }));
            rig.screenshot("3-installing");
        }
        QVERIFY(waitUntil([&] { return !rig.state->isInstalling(); }));
        if (shots)
            rig.screenshot("4-done");
        QCOMPARE(rig.shown(), rows.replace("%PORT%", port));
        QCOMPARE(board.readAvailable(200), wire);
        QCOMPARE(rig.log.startingWith("install: "),
                 logLine.isEmpty() ? QStringList{} : QStringList{logLine});
    }

    // A detection that found no board is red with its reason and its output; "Erneut prüfen"
    // (or Ctrl+R) runs it again, and only then.
    void aFailedDetectionCanBeRetried()
    {
        Rig rig({"board-info.err=Error: port busy\\n", "board-info.exit=2"});
        rig.setPorts({"/dev/ttyUSB0"});
        QVERIFY(rig.detected("/dev/ttyUSB0"));
        const FlashStepViewTestAccess row = rig.content().row(0);
        QCOMPARE(rig.shown(),
                 "FIII|Port: /dev/ttyUSB0 \u00b7 espflash-Fehler (Status 2)|Datei: "
                 "\u2013|Fortschritt: \u2013|");
        QVERIFY(row.row.toolTip() == "Error: port busy" && row.retryButton()->isVisible());
        QCOMPARE(rig.button()->toolTip(), QStringLiteral("Das Gerät wurde nicht erkannt."));
        QTest::qWait(200); // nothing retries by itself
        QCOMPARE(rig.tool.calls().size(), 1);

        rig.tool.setScenario({"board-info.out=Chip type: esp32\\n", "board-info.sleep_ms=200"});
        QTest::keyClick(rig.window.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(waitUntil([&] { return rig.mark(0) == StepStatus::inProgress; })
                && !row.retryButton()->isVisible());
        QCOMPARE(rig.button()->toolTip(), QStringLiteral("Das Gerät wird noch geprüft."));
        QVERIFY(waitUntil([&] { return rig.mark(0) == StepStatus::success; }));
        QCOMPARE(row.detail()->text(), QStringLiteral("Port: /dev/ttyUSB0 \u00b7 ESP32 DevKit"));
        QVERIFY(rig.button()->isEnabled() && rig.button()->toolTip().isEmpty());
    }

    // Closing during an install asks, "Nein" first: Enter and Escape keep the window, and the
    // question goes away by itself when the run ends. "Ja" hides the window and quits once the
    // run has ended; nothing new starts meanwhile.
    void closingDuringAnInstallWaitsForIt()
    {
        Rig rig;
        QuitAfterRun quitter(*rig.state, rig.log.sink());
        connect(rig.window.get(), &MainWindow::quitRequested, &quitter, &QuitAfterRun::request);
        QSignalSpy ready(&quitter, &QuitAfterRun::readyToQuit);
        LoopbackHttpServer::Response slow{200, "no image"};
        slow.delayMs = 700;
        rig.server.setRoute("/Firmware/ControlBoard_V4_latest.bin", slow);
        rig.setPorts({"/dev/ttyUSB0"});
        QVERIFY(rig.detected("/dev/ttyUSB0"));
        const auto question = [&] { return MainWindowTestAccess{*rig.window}.closeQuestion(); };
        const auto ask = [&] {
            QTest::mouseClick(rig.button(), Qt::LeftButton);
            QVERIFY(rig.state->isInstalling());
            QVERIFY(!rig.window->close());
            QVERIFY(question() && question()->isVisible());
        };
        // Enter, Escape, or no answer until the run ends: the window stays.
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_unknown}) {
            ask();
            if (key != Qt::Key_unknown)
                QTest::keyClick(question(), key);
            QVERIFY(waitUntil([&] { return !question(); }));
            QVERIFY(rig.window->isVisible() && ready.isEmpty());
            QVERIFY(waitUntil([&] { return !rig.state->isInstalling(); }));
        }
        ask();
        question()->button(QMessageBox::Yes)->click();
        QVERIFY(!rig.window->isVisible() && rig.state->isInstalling() && !rig.state->canInstall());
        QCOMPARE(rig.log.startingWith("Vexlo Utility: "),
                 QStringList{"Vexlo Utility: quitting once the install under way has ended"});
        QVERIFY(ready.wait(5000));
        QCOMPARE(rig.state->status(), FlashStatus::downloadFailed);
        rig.state->downloadAndInstall();
        QCOMPARE(rig.server.requestPaths().count("/Firmware/ControlBoard_V4_latest.bin"), 4);
        QVERIFY(ready.size() == 1 && !rig.window->isVisible());
    }

    void versions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        const auto row = [](const char *name, const char *a, const char *b, int order) {
            QTest::newRow(name) << QString(a) << QString(b) << order;
        };
        row("numbers, not text", "1.10", "1.9", 1);
        row("pre-release is older", "2.0b1", "2.0", -1);
        row("more numbers are newer", "1.0.1", "1.0", 1);
        row("pre-releases by number", "2.0b2", "2.0b10", -1);
        row("missing segments are zero", "1.0", "1.0.0", 0);
        row("pre-release of a longer equal", "1.0.0b1", "1.0", -1);
        row("a leading v", "v1.2", "1.2", 0);
    }

    void versions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(compareVersions(a, b), order);
        QCOMPARE(compareVersions(b, a), -order);
    }

    void feeds_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QStringList>("newest"); // version, display version, link; empty: none
        QTest::addColumn<QString>("error");      // its start
        QTest::newRow("out of order")
            << feed(item("1.2") + item("1.10") + item("1.9"))
            << QStringList{"1.10", "1.10", "https://dl.example/1.10.tar.gz"} << QString();
        QTest::newRow("attribute style")
            << feed("<item><enclosure url=\"https://dl.example/a.zip\" sparkle:version=\"7\" "
                    "sparkle:shortVersionString=\"1.7\"/></item>")
            << QStringList{"7", "1.7", "https://dl.example/a.zip"} << QString();
        QTest::newRow("element style, link without enclosure")
            << feed("<item><sparkle:version>8</sparkle:version><sparkle:shortVersionString>1.8"
                    "</sparkle:shortVersionString><link>https://vexlo.example/1.8</link></item>")
            << QStringList{"8", "1.8", "https://vexlo.example/1.8"} << QString();
        QTest::newRow("by display version, not build")
            << feed("<item><enclosure url=\"https://dl.example/a\" sparkle:version=\"200\" "
                    "sparkle:shortVersionString=\"1.9\"/></item><item><enclosure url=\"https:"
                    "//dl.example/b\" sparkle:version=\"100\" sparkle:shortVersionString=\"1.10\"/>"
                    "</item>")
            << QStringList{"100", "1.10", "https://dl.example/b"} << QString();
        QTest::newRow("a delta's enclosure is not the release")
            << feed("<item><sparkle:version>9</sparkle:version><sparkle:deltas><enclosure "
                    "url=\"https://dl.example/delta\" sparkle:version=\"9\"/></sparkle:deltas>"
                    "<link>https://vexlo.example/9</link></item>")
            << QStringList{"9", "9", "https://vexlo.example/9"} << QString();
        QTest::newRow("other systems and channels are skipped")
            << feed(item("1.0")
                    + "<item><enclosure url=\"https://dl.example/w\" sparkle:version="
                      "\"5.0\" sparkle:os=\"windows\"/></item>"
                    + item("6.0", "<sparkle:channel>beta</sparkle:channel>"))
            << QStringList{"1.0", "1.0", "https://dl.example/1.0.tar.gz"} << QString();
        QTest::newRow("no items") << feed({}) << QStringList{} << QString();
        QTest::newRow("cut") << QByteArray("<rss><channel><item>") << QStringList{}
                             << "Der Update-Feed ist nicht lesbar (Zeile 1): ";
        QTest::newRow("a web page") << QByteArray("<!DOCTYPE html><html><body><p>Hi</body></html>")
                                    << QStringList{} << "Die Antwort ist kein Update-Feed";
        QTest::newRow("well-formed XHTML")
            << QByteArray("<html xmlns=\"http://www.w3.org/1999/xhtml\"><item/></html>")
            << QStringList{} << "Die Antwort ist kein Update-Feed";
        QTest::newRow("empty body")
            << QByteArray() << QStringList{} << "Die Antwort ist kein Update-Feed";
    }

    void feeds()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QStringList, newest);
        QFETCH(QString, error);
        QString reason;
        const auto found = newestAppcastItem(feed, &reason);
        const QStringList shown =
            found ? QStringList{found->version, found->displayVersion, found->link} : QStringList{};
        QCOMPARE(shown, newest);
        QVERIFY2(reason.startsWith(error) && reason.isEmpty() == error.isEmpty(),
                 qPrintable(reason));
    }

    void checks_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("verdict");
        const auto row = [](const char *name, Response response, Outcome outcome, QString newest,
                            QString verdict) {
            QTest::newRow(name) << response << outcome << newest << verdict;
        };
        const QByteArray build2 = "<item><enclosure url=\"https://dl.example/b\" "
                                  "sparkle:version=\"2\" sparkle:shortVersionString=\"0.1.0\"/>"
                                  "</item>";
        const QByteArray plainLink = "<item><sparkle:version>0.2.0</sparkle:version>"
                                     "<link>http://dl.example/0.2.0</link></item>";
        const QString up = "up to date", noFeed = "failed: Die Antwort ist kein Update-Feed";
        row("newer", {200, feed(item("0.1.0") + item("0.2.0"))}, Outcome::newerAvailable, "0.2.0",
            "newer release available at https://dl.example/0.2.0.tar.gz");
        row("same", {200, feed(item("0.1.0"))}, Outcome::upToDate, "0.1.0", up);
        row("older", {200, feed(item("0.0.9"))}, Outcome::upToDate, "0.0.9", up);
        row("same version, later build", {200, feed(build2)}, Outcome::upToDate, "0.1.0", up);
        row("none for this system", {200, feed({})}, Outcome::upToDate, "none for this system", up);
        row("plain http link", {200, feed(plainLink)}, Outcome::failed, "0.2.0",
            "failed: Die Adresse von Version 0.2.0 ist kein https-Link: "
            "http://dl.example/0.2.0");
        row("a web page", {200, "<!DOCTYPE html><html><body>Hi</body></html>"}, Outcome::failed,
            "unknown", noFeed);
        row("empty body", {200, ""}, Outcome::failed, "unknown", noFeed);
        row("404", {404, "gone"}, Outcome::failed, "unknown",
            "failed: Der Update-Server antwortete mit Status 404.");
        row("too large", {200, QByteArray(2 << 20, ' ')}, Outcome::failed, "unknown",
            "failed: Der Update-Feed ist größer als 1 MiB.");
        Response silent{200, feed(item("0.2.0"))};
        silent.delayMs = 5000;
        row("no answer", silent, Outcome::failed, "unknown",
            "failed: Der Update-Server hat nicht innerhalb von 1.5 s geantwortet.");
    }

    // The feed over HTTP, compared with the running version, told and logged; a second use
    // while a check runs starts no second one.
    void checks()
    {
        QFETCH(Response, response);
        QFETCH(Outcome, outcome);
        QFETCH(QString, newest);
        QFETCH(QString, verdict);
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        response.delayMs = std::max(response.delayMs, 100);
        server.setRoute("/appcast.xml", response);
        QList<UpdateCheckResult> told;
        LogCapture log;
        Updater updater({QUrl(server.origin() + "/appcast.xml"), QStringLiteral("0.1.0"), 1500ms,
                         [&](const UpdateCheckResult &result) { told << result; }, log.sink()});
        updater.checkForUpdates();
        updater.checkForUpdates();
        QVERIFY(
            waitUntil([&] { return !told.isEmpty() && !UpdaterTestAccess{updater}.isChecking(); }));
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].outcome, outcome);
        QCOMPARE(
            log.lines,
            QStringList{"update check: newest " + newest + ", running 0.1.0 \u2014 " + verdict});
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
