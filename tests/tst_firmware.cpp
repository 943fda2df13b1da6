#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/LatestFirmwareVersion.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

using namespace std::chrono_literals;
using vexlo::BoardType;
using Response = LoopbackHttpServer::Response;
Q_DECLARE_METATYPE(BoardType)

namespace {

const QByteArray esp32Path = "/Firmware/ESP32-WROOM-32_latest.bin";

// A body that passes for a firmware image: the magic byte at `magicAt`, 8 KiB or more.
QByteArray image(const QByteArray &tag, qsizetype magicAt = 0, qsizetype size = 8192)
{
    QByteArray bytes = tag + QByteArray(size - tag.size(), 'i');
    bytes[magicAt] = char(0xe9);
    return bytes;
}

Response generated(qint64 size, qint64 closeAfter = -1, bool chunked = false)
{
    Response response;
    response.generatedSize = size;
    response.closeAfter = closeAfter;
    response.chunked = chunked;
    return response;
}

const QByteArray versionPath = "/Firmware/latest_board_firmware.txt";

// The loopback server, an image folder, the log, and the window state's version cell.
struct Rig {
    LoopbackHttpServer server;
    QTemporaryDir temp;
    QString folder = temp.filePath(QStringLiteral("cache/firmware"));
    QString esp32File = folder + QStringLiteral("/ESP32-WROOM-32_latest.bin");
    LogCapture log;
    QStringList writes;
    bool shouldRefresh = true;

    Rig() { QVERIFY(server.listen()); }

    vexlo::LatestVersionCell cell()
    {
        return {[this](const QString &version) { writes << version; },
                [this] { return shouldRefresh; }};
    }
    vexlo::FirmwareServer settings(std::chrono::milliseconds timeout = 10s) const
    {
        vexlo::FirmwareServer settings;
        settings.origin = server.origin();
        settings.versionTimeout = timeout;
        return settings;
    }
    void fetch(vexlo::CancelTokenPtr cancel = {}, std::chrono::milliseconds timeout = 10s)
    {
        const qsizetype before = writes.size();
        vexlo::fetchLatestFirmwareVersion(cell(), cancel, settings(timeout));
        QVERIFY(waitUntil([&] { return writes.size() > before; }, 20s));
    }

    std::optional<QString> download(BoardType type, std::chrono::milliseconds idle = 30s,
                                    QString origin = {})
    {
        vexlo::FirmwareServer firmware = settings();
        firmware.origin = origin.isEmpty() ? firmware.origin : origin;
        firmware.imageDirectory = folder;
        firmware.downloadIdleTimeout = idle;
        return awaitTask(vexlo::downloadFirmware(type, firmware, log.sink()));
    }

    void placeOldImage()
    {
        QVERIFY(QDir().mkpath(folder));
        QFile old(esp32File);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old image");
    }

    QStringList files() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }
};

} // namespace

class TestFirmware : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fetchesTheImageOfTheBoardType_data()
    {
        QTest::addColumn<BoardType>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("esp32") << BoardType::esp32 << QStringLiteral("ESP32-WROOM-32_latest.bin")
                               << image("esp32 image");
        QByteArray large(8 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = LoopbackHttpServer::generatedByte(i);
        QTest::newRow("large, chunked")
            << BoardType::esp32 << QStringLiteral("ESP32-WROOM-32_latest.bin") << large;
        QTest::newRow("control, merged image")
            << BoardType::control << QStringLiteral("ControlBoard_V4_latest.bin")
            << image("control image", 0x1000, 20000);
    }

    // Into a folder of its own, made private; nothing else is left there.
    void fetchesTheImageOfTheBoardType()
    {
        QFETCH(BoardType, type);
        QFETCH(QString, name);
        QFETCH(QByteArray, body);
        Rig rig;
        rig.server.setRoute("/Firmware/" + name.toUtf8(),
                            body.size() > 1000000 ? generated(body.size(), -1, true)
                                                  : Response{200, body});
        QCOMPARE(rig.download(type), rig.folder + '/' + name);
        QCOMPARE(readFile(rig.folder + '/' + name), body);
        QCOMPARE(rig.server.requestPaths(), QList<QByteArray>{"/Firmware/" + name.toUtf8()});
        QCOMPARE(vexlo::lastFirmwareFileName(), name);
        QCOMPARE(rig.files(), QStringList{name});
        QCOMPARE(QFileInfo(rig.folder).permissions() & 0x0777, QFile::Permissions(QFlag(0x0700)));
        QVERIFY(rig.log.lines.isEmpty());
    }

    // An older image is replaced; a link planted at the image's name is replaced, not followed.
    void anEarlierImageOrLinkIsReplaced()
    {
        Rig rig;
        rig.placeOldImage();
        rig.server.setRoute(esp32Path, Response{200, image("new")});
        QCOMPARE(rig.download(BoardType::esp32), rig.esp32File);
        QCOMPARE(readFile(rig.esp32File), image("new"));

        const QString victim = rig.temp.filePath(QStringLiteral("victim"));
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
        file.close();
        QVERIFY(QFile::remove(rig.esp32File) && QFile::link(victim, rig.esp32File));
        QCOMPARE(rig.download(BoardType::esp32), rig.esp32File);
        QCOMPARE(readFile(victim), QByteArray("precious"));
        QVERIFY(!QFileInfo(rig.esp32File).isSymLink());
        QCOMPARE(readFile(rig.esp32File), image("new"));
    }

    // Every failure gives nothing, keeps the earlier image, leaves no partial file, and ends at
    // once (the idle timeout is far away) except for the stalled transfer.
    void failuresKeepTheEarlierImage_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<int>("idleMs");
        QTest::addColumn<QString>("logLine");
        const int far = 30000;
        QTest::newRow("404") << Response{404, image("not found page")} << far << QString();
        QTest::newRow("cut, with a length") << generated(6 << 20, 3 << 20) << far << QString();
        QTest::newRow("cut, chunked") << generated(6 << 20, 3 << 20, true) << far << QString();
        Response stalled{200, image("slow")};
        stalled.stallAfterMs = 3000;
        QTest::newRow("stalled past the idle timeout") << stalled << 500 << QString();
        QTest::newRow("connection refused") << Response{} << far << QString();
        const QByteArray page = "<!DOCTYPE html><html>" + QByteArray(9000, ' ') + "</html>";
        QTest::newRow("a web page")
            << Response{200, page} << far << "no firmware image (no 0xE9 at offset 0 or 0x1000)";
        QTest::newRow("too short") << Response{200, image("x", 0, 8191)} << far
                                   << "8191 bytes, too short for a firmware image";
    }

    void failuresKeepTheEarlierImage()
    {
        QFETCH(Response, response);
        QFETCH(int, idleMs);
        QFETCH(QString, logLine);
        Rig rig;
        rig.placeOldImage();
        rig.server.setRoute(esp32Path, response);
        const bool refused = QByteArray(QTest::currentDataTag()) == "connection refused";
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(rig.download(BoardType::esp32, std::chrono::milliseconds(idleMs),
                              refused ? QStringLiteral("http://127.0.0.1:1") : QString()),
                 std::nullopt);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(readFile(rig.esp32File), QByteArray("old image"));
        QCOMPARE(rig.files(), QStringList{"ESP32-WROOM-32_latest.bin"});
        QCOMPARE(rig.log.lines,
                 logLine.isEmpty() ? QStringList{}
                                   : QStringList{"firmware: " + rig.server.origin() + esp32Path
                                                 + " is not used \u2014 " + logLine});
    }

    void partialFilesOfAnEarlierRunAreRemoved()
    {
        Rig rig;
        rig.placeOldImage();
        for (const char *name : {"ESP32-WROOM-32_latest.bin.partial-a1B2c3",
                                 "ControlBoard_V4_latest.bin.partial-Zz9"}) {
            QFile partial(rig.folder + '/' + name);
            QVERIFY(partial.open(QIODevice::WriteOnly));
        }
        vexlo::removePartialDownloads(rig.folder);
        QCOMPARE(rig.files(), QStringList{"ESP32-WROOM-32_latest.bin"});
    }

    void responsesGiveTheVersionOrZero_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("version");
        QTest::newRow("trailing newline") << Response{200, "1.4.2\n"} << "1.4.2";
        QTest::newRow("blanks only") << Response{200, " \n\t\r\n"} << "0.0.0";
        QTest::newRow("inner blanks stay")
            << Response{200, "  1.4.2 beta 3 \r\n"} << "1.4.2 beta 3";
        QTest::newRow("not UTF-8") << Response{200, "1.4\xff\n"} << "0.0.0";
        QTest::newRow("declared Latin-1, read as UTF-8")
            << Response{200, "2.0-\xc3\xbc", {{"Content-Type", "text/plain; charset=iso-8859-1"}}}
            << "2.0-\u00fc";
        QTest::newRow("404 with a body") << Response{404, "1.0.0"} << "0.0.0";
        QTest::newRow("64 KiB") << Response{200, "7" + QByteArray(65535, ' ')} << "7";
        QTest::newRow("larger than 64 KiB") << Response{200, QByteArray(65537, '7')} << "0.0.0";
        Response huge;
        huge.generatedSize = 512LL << 20;
        QTest::newRow("half a gigabyte") << huge << "0.0.0";
    }

    void responsesGiveTheVersionOrZero()
    {
        QFETCH(Response, response);
        QFETCH(QString, version);
        Rig rig;
        rig.server.setRoute(versionPath, response);
        rig.fetch();
        QCOMPARE(rig.writes, QStringList{version});
        QCOMPARE(rig.server.requestPaths(), QList<QByteArray>{versionPath});
    }

    // Each failure writes "0.0.0", also over a version fetched before.
    void failuresReplaceAnEarlierVersion()
    {
        Rig rig;
        rig.server.setRoute(versionPath, Response{200, "1.2.3\n"});
        rig.fetch();
        rig.server.setRoute(versionPath, Response{500});
        rig.fetch();
        Response slow{200, "9.9.9"};
        slow.delayMs = 5000;
        rig.server.setRoute(versionPath, slow);
        QElapsedTimer clock;
        clock.start();
        rig.fetch({}, 300ms);
        QVERIFY(clock.elapsed() < 4000);
        // Cancelled while in flight, then already cancelled: nothing more is asked.
        auto cancel = vexlo::makeCancelToken();
        QTimer::singleShot(100, cancel.get(), &vexlo::CancelToken::cancel);
        rig.fetch(cancel);
        rig.fetch(cancel);
        QVERIFY(clock.elapsed() < 4000);
        QCOMPARE(rig.writes, (QStringList{"1.2.3", "0.0.0", "0.0.0", "0.0.0", "0.0.0"}));
        QCOMPARE(rig.server.requests().size(), 4);
    }

    void pollingRepeatsWhileRefreshIsWanted()
    {
        Rig rig;
        rig.server.setRoute(versionPath, Response{200, "5.0.1"});
        bool ended = false;
        QCoro::connect(vexlo::pollLatestFirmwareVersion(rig.cell(), vexlo::makeCancelToken(),
                                                        rig.settings(), 50ms),
                       this, [&] { ended = true; });
        QVERIFY(waitUntil([&] { return rig.writes.size() >= 3; }));
        rig.shouldRefresh = false;
        QVERIFY(waitUntil([&] { return ended; }));
        QCOMPARE(rig.writes.size(), rig.server.requests().size());
    }
};

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
