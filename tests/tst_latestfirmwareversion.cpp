#include "AwaitTask.h"
#include "LoopbackHttpServer.h"
#include "firmware/LatestFirmwareVersion.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using Response = LoopbackHttpServer::Response;

namespace {

const QByteArray versionPath = "/Firmware/latest_board_firmware.txt";

// Stands in for the window state: records every write of the version.
struct VersionCell {
    QStringList writes;
    bool shouldRefresh = true;

    vexlo::LatestVersionCell cell()
    {
        return {[this](const QString &version) { writes << version; },
                [this] { return shouldRefresh; }};
    }
};

struct Rig {
    LoopbackHttpServer server;
    VersionCell state;

    Rig() { QVERIFY(server.listen()); }

    vexlo::FirmwareServer firmwareServer(std::chrono::milliseconds timeout = 10s) const
    {
        vexlo::FirmwareServer settings;
        settings.origin = server.origin();
        settings.versionTimeout = timeout;
        return settings;
    }

    void fetch(vexlo::CancelTokenPtr cancel = {}, std::chrono::milliseconds timeout = 10s)
    {
        awaitTask(vexlo::fetchLatestFirmwareVersion(state.cell(), cancel, firmwareServer(timeout)));
    }
};

} // namespace

class TestLatestFirmwareVersion : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void responsesGiveTheVersionOrZero_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("version");
        QTest::newRow("trailing newline") << Response{200, "1.4.2\n"} << "1.4.2";
        QTest::newRow("blanks and newlines only") << Response{200, " \n\t\r\n"} << "0.0.0";
        QTest::newRow("inner blanks stay")
            << Response{200, "  1.4.2 beta 3 \r\n"} << "1.4.2 beta 3";
        QTest::newRow("not UTF-8") << Response{200, "1.4\xff\n"} << "0.0.0";
        QTest::newRow("declared Latin-1, read as UTF-8")
            << Response{200, "2.0-\xc3\xbc", {{"Content-Type", "text/plain; charset=iso-8859-1"}}}
            << "2.0-\u00fc";
        QTest::newRow("204") << Response{204} << "0.0.0";
        QTest::newRow("299") << Response{299, "3.1.0"} << "3.1.0";
        QTest::newRow("404 with a body") << Response{404, "1.0.0"} << "0.0.0";
        QTest::newRow("500") << Response{500, "1.0.0"} << "0.0.0";
    }

    void responsesGiveTheVersionOrZero()
    {
        QFETCH(Response, response);
        QFETCH(QString, version);
        Rig rig;
        rig.server.setRoute(versionPath, response);
        rig.fetch();
        QCOMPARE(rig.state.writes, QStringList{version});
        QCOMPARE(rig.server.requestPaths(), QList<QByteArray>{versionPath});
    }

    void aFailedQueryReplacesAnEarlierVersion()
    {
        Rig rig;
        rig.server.setRoute(versionPath, Response{200, "1.2.3\n"});
        rig.fetch();
        rig.server.setRoute(versionPath, Response{500});
        rig.fetch();
        QCOMPARE(rig.state.writes, (QStringList{"1.2.3", "0.0.0"}));
    }

    void aSlowServerTimesOut()
    {
        Rig rig;
        Response slow{200, "9.9.9"};
        slow.delayMs = 3000;
        rig.server.setRoute(versionPath, slow);
        QElapsedTimer clock;
        clock.start();
        rig.fetch({}, 300ms);
        QVERIFY(clock.elapsed() < 2500);
        QCOMPARE(rig.state.writes, QStringList{"0.0.0"});
    }

    void noServerGivesZero()
    {
        VersionCell state;
        vexlo::FirmwareServer settings;
        settings.origin = QStringLiteral("http://127.0.0.1:1");
        awaitTask(vexlo::fetchLatestFirmwareVersion(state.cell(), {}, settings));
        QCOMPARE(state.writes, QStringList{"0.0.0"});
    }

    void cancellationGivesZero()
    {
        Rig rig;
        Response slow{200, "9.9.9"};
        slow.delayMs = 3000;
        rig.server.setRoute(versionPath, slow);

        // Cancelled while the request is in flight: it ends at once.
        auto cancel = vexlo::makeCancelToken();
        QTimer::singleShot(100, cancel.get(), &vexlo::CancelToken::cancel);
        QElapsedTimer clock;
        clock.start();
        rig.fetch(cancel);
        QVERIFY(clock.elapsed() < 2500);
        QCOMPARE(rig.state.writes, QStringList{"0.0.0"});

        // Already cancelled: nothing is asked.
        rig.fetch(cancel);
        QCOMPARE(rig.state.writes, (QStringList{"0.0.0", "0.0.0"}));
        QCOMPARE(rig.server.requests().size(), 1);
    }

    void pollingRepeatsUntilCancelledThenQueriesOnceMore()
    {
        Rig rig;
        rig.server.setRoute(versionPath, Response{200, "5.0.1"});
        auto cancel = vexlo::makeCancelToken();
        const auto interval = 150ms;
        bool ended = false;
        QCoro::connect(vexlo::pollLatestFirmwareVersion(rig.state.cell(), cancel,
                                                        rig.firmwareServer(), interval),
                       this, [&] { ended = true; });
        QTRY_COMPARE_WITH_TIMEOUT(rig.state.writes.size(), 3, 5000);
        QVERIFY(!ended);

        // Cancelled in the pause: the pause ends at once, one more (cancelled) query writes
        // "0.0.0", and the loop ends, well before another interval has passed.
        QElapsedTimer clock;
        clock.start();
        cancel->cancel();
        QTRY_VERIFY_WITH_TIMEOUT(ended, 2000);
        QVERIFY(clock.elapsed() < 100);
        QCOMPARE(rig.state.writes, (QStringList{"5.0.1", "5.0.1", "5.0.1", "0.0.0"}));
        QCOMPARE(rig.server.requests().size(), 3);
    }

    void pollingStopsWhenRefreshIsOff()
    {
        Rig rig;
        rig.server.setRoute(versionPath, Response{200, "5.0.1"});
        rig.state.shouldRefresh = false;
        awaitTask(vexlo::pollLatestFirmwareVersion(rig.state.cell(), vexlo::makeCancelToken(),
                                                   rig.firmwareServer(), 50ms));
        QTest::qWait(150);
        QCOMPARE(rig.state.writes, QStringList{"5.0.1"});
        QCOMPARE(rig.server.requests().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLatestFirmwareVersion)
#include "tst_latestfirmwareversion.moc"
