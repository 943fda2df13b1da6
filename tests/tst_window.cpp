#include "LoopbackHttpServer.h"
#include "PseudoTerminal.h"
#include "TestSupport.h"
#include "app/Appcast.h"
#include "app/LogWindow.h"
#include "app/MainWindow.h"
#include "app/Translations.h"
#include "app/Updater.h"
#include "platform/SessionLog.h"
#include "workflow/FlashStepView.h"
#include "workflow/MainFlasherView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
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
        flasher.resourcesDirectory = tool.resourcesDirectory();
        flasher.log = log.sink();
        state = std::make_unique<MainFlasherState>(monitorOptions(),
                                                   InstallSteps::real(firmware, flasher), firmware);
        window = std::make_unique<MainWindow>(*state, updater);
        view = window->content();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    bool detected(const QString &port)
    {
        return SimulatedBoards::detected(state->portMonitor(), port);
    }
    QPushButton *button() const { return view->installButton(); }
    StepStatus mark(int row) const { return view->step(row)->mark()->status(); }
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

    void layoutAndTexts()
    {
        Rig rig;
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("Vexlo Utility"));
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
                 (QStringList{"Über Vexlo Utility", "Check for Updates\u2026", "",
                              "Protokoll anzeigen\u2026", "", "Beenden"}));
        QCOMPARE(mnemonics.size(), 5); // four of their own and the separators' none
        QCOMPARE(menu[0]->menuRole(), QAction::AboutRole);
        QVERIFY(menu[1]->isEnabled() && !menu[1]->icon().isNull());
        QCOMPARE(menu[5]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/i18n/vexlo_en")));
        QCOMPARE(english.translate("vexlo::MainFlasherView", "Herunterladen und installieren"),
                 QStringLiteral("Download and install"));
        QCOMPARE(english.translate("StepRows", "step_device_found"),
                 QStringLiteral("Device found"));
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
        QVERIFY(waitUntil([&] { return rig.view->step(2)->progressBar()->isVisible(); }));
        QTRY_COMPARE_WITH_TIMEOUT(clipped(*rig.window), QString(), 2000);
        const QLabel *word = rig.view->step(2)->detail();
        const QRect bar = rig.view->step(2)->progressBar()->geometry();
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
        const QList<QWidget *> expected{rig.view->variantPicker()->button(int(CoilexVariant::pro)),
                                        rig.view->portPicker(), rig.button()};
        rig.view->variantPicker()->buttons().first()->setFocus();
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
        LogWindow *window = rig.window->logWindow();
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QPlainTextEdit *text = window->text();
        QVERIFY(text->isReadOnly() && text->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        QCOMPARE(text->blockCount(), SessionLog::maximumLines);
        std::thread([] {
            standardOutputLog()(QStringLiteral("[test] from another thread"));
        }).join();
        QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().endsWith("\n[test] from another thread"),
                                 5000);
        QCOMPARE(text->verticalScrollBar()->value(), text->verticalScrollBar()->maximum());
        QTest::mouseClick(window->copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), log.lines().join('\n'));

        QDesktopServices::setUrlHandler("file", this, "openUrl");
        QTest::mouseClick(window->openFolderButton(), Qt::LeftButton);
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
        QList<bool> answers{false, true};
        rig.window->confirmCloseDuringInstall = [&] { return answers.takeFirst(); };
        QVERIFY(!rig.window->close() && rig.window->isVisible());
        QVERIFY(rig.window->close() && answers.isEmpty());
        QVERIFY(!rig.state->shouldRefreshLatest());
        // The run goes on to its end after the window has gone.
        QVERIFY(waitUntil([&] { return rig.state->status() == FlashStatus::downloadFailed; }));
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
        QTest::newRow("out of order")
            << feed(item("1.2") + item("1.10") + item("1.9"))
            << QStringList{"1.10", "1.10", "https://dl.example/1.10.tar.gz"};
        QTest::newRow("attribute style")
            << feed("<item><enclosure url=\"https://dl.example/a.zip\" sparkle:version=\"7\" "
                    "sparkle:shortVersionString=\"1.7\"/></item>")
            << QStringList{"7", "1.7", "https://dl.example/a.zip"};
        QTest::newRow("element style, link without enclosure")
            << feed("<item><sparkle:version>8</sparkle:version><sparkle:shortVersionString>1.8"
                    "</sparkle:shortVersionString><link>https://vexlo.example/1.8</link></item>")
            << QStringList{"8", "1.8", "https://vexlo.example/1.8"};
        QTest::newRow("a delta's enclosure is not the release")
            << feed("<item><sparkle:version>9</sparkle:version><sparkle:deltas><enclosure "
                    "url=\"https://dl.example/delta\" sparkle:version=\"9\"/></sparkle:deltas>"
                    "<link>https://vexlo.example/9</link></item>")
            << QStringList{"9", "9", "https://vexlo.example/9"};
        QTest::newRow("other systems and channels are skipped")
            << feed(item("1.0")
                    + "<item><enclosure url=\"https://dl.example/w\" sparkle:version="
                      "\"5.0\" sparkle:os=\"windows\"/></item>"
                    + item("6.0", "<sparkle:channel>beta</sparkle:channel>"))
            << QStringList{"1.0", "1.0", "https://dl.example/1.0.tar.gz"};
        QTest::newRow("empty") << feed({}) << QStringList{};
        QTest::newRow("malformed") << QByteArray("<rss><channel><item>") << QStringList{};
    }

    void feeds()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QStringList, newest);
        QString error;
        const auto found = newestAppcastItem(feed, &error);
        const QStringList shown =
            found ? QStringList{found->version, found->displayVersion, found->link} : QStringList{};
        QCOMPARE(shown, newest);
        QCOMPARE(error.isEmpty(), QByteArray(QTest::currentDataTag()) != "malformed");
    }

    void checks_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("text"); // the version found, or the start of the error
        QTest::newRow("newer") << Response{200, feed(item("0.1.0") + item("0.2.0"))}
                               << Outcome::newerAvailable << "0.2.0";
        QTest::newRow("same") << Response{200, feed(item("0.1.0"))} << Outcome::upToDate << "0.1.0";
        QTest::newRow("404") << Response{404, "gone"} << Outcome::failed
                             << "Der Update-Server antwortete mit Status 404.";
        QTest::newRow("too large") << Response{200, QByteArray(2 << 20, ' ')} << Outcome::failed
                                   << "Der Update-Feed ist größer als 1 MiB.";
    }

    // The feed over HTTP, compared with the running version; a second use while a check runs
    // starts no second one.
    void checks()
    {
        QFETCH(Response, response);
        QFETCH(Outcome, outcome);
        QFETCH(QString, text);
        LoopbackHttpServer server;
        QVERIFY(server.listen());
        response.delayMs = 100;
        server.setRoute("/appcast.xml", response);
        QList<UpdateCheckResult> told;
        Updater updater({QUrl(server.origin() + "/appcast.xml"), QStringLiteral("0.1.0"),
                         std::chrono::seconds(10),
                         [&](const UpdateCheckResult &result) { told << result; }});
        updater.checkForUpdates();
        updater.checkForUpdates();
        QVERIFY(waitUntil([&] { return !told.isEmpty() && !updater.isChecking(); }));
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0].outcome, outcome);
        QVERIFY2((outcome == Outcome::failed ? told[0].error : told[0].version).startsWith(text),
                 qPrintable(told[0].error));
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
