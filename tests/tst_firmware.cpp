#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/LatestFirmwareVersion.h"
#include "platform/Http.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace std::chrono_literals;
using vexlo::BoardType;
using Response = LoopbackHttpServer::Response;
using vexlo::HttpError;
Q_DECLARE_METATYPE(BoardType)
Q_DECLARE_METATYPE(HttpError)
Q_DECLARE_METATYPE(vexlo::DownloadFailure)

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

// The size of the file a download in this process is writing in the folder; it has no name
// there until it is whole.
qint64 receivedBytes(const QString &folder)
{
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &open : descriptors.entryInfoList(QDir::AllEntries | QDir::System)) {
        if (open.symLinkTarget().startsWith(folder))
            return open.size();
    }
    return -1;
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

    vexlo::DownloadResult download(BoardType type, std::chrono::milliseconds idle = 30s,
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
        QCOMPARE(rig.download(type).path, rig.folder + '/' + name);
        QCOMPARE(readFile(rig.folder + '/' + name), body);
        QCOMPARE(rig.server.requestPaths(), QList<QByteArray>{"/Firmware/" + name.toUtf8()});
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
        QCOMPARE(rig.download(BoardType::esp32).path, rig.esp32File);
        QCOMPARE(readFile(rig.esp32File), image("new"));

        const QString victim = rig.temp.filePath(QStringLiteral("victim"));
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
        file.close();
        QVERIFY(QFile::remove(rig.esp32File) && QFile::link(victim, rig.esp32File));
        QCOMPARE(rig.download(BoardType::esp32).path, rig.esp32File);
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
        QTest::addColumn<vexlo::DownloadFailure>("failure");
        QTest::addColumn<int>("status");
        using F = vexlo::DownloadFailure;
        const int far = 30000;
        QTest::newRow("404") << Response{404, image("not found")} << far << "" << F::httpStatus
                             << 404;
        Response stalled{200, image("slow")}, silent{200, image("late")};
        stalled.stallAfterMs = silent.delayMs = 3000;
        QTest::newRow("stalled past the idle timeout")
            << stalled << 500 << "" << F::incomplete << 200;
        QTest::newRow("no answer") << silent << 500 << "" << F::noAnswer << 0;
        QTest::newRow("connection refused") << Response{} << far << "" << F::noAnswer << 0;
        const QByteArray page = "<!DOCTYPE html><html>" + QByteArray(9000, ' ') + "</html>";
        QTest::newRow("a web page")
            << Response{200, page} << far << "no firmware image (no 0xE9 at offset 0 or 0x1000)"
            << F::notAnImage << 200;
        QTest::newRow("too short")
            << Response{200, image("x", 0, 8191)} << far
            << "8191 bytes, too short for a firmware image" << F::notAnImage << 200;
    }

    void failuresKeepTheEarlierImage()
    {
        QFETCH(Response, response);
        QFETCH(int, idleMs);
        QFETCH(QString, logLine);
        QFETCH(vexlo::DownloadFailure, failure);
        QFETCH(int, status);
        Rig rig;
        rig.placeOldImage();
        rig.server.setRoute(esp32Path, response);
        const bool refused = QByteArray(QTest::currentDataTag()) == "connection refused";
        QElapsedTimer clock;
        clock.start();
        const vexlo::DownloadResult result =
            rig.download(BoardType::esp32, std::chrono::milliseconds(idleMs),
                         refused ? QStringLiteral("http://127.0.0.1:1") : QString());
        QCOMPARE(result.path, std::nullopt);
        QCOMPARE(result.failure, failure);
        QCOMPARE(result.httpStatus, status);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(readFile(rig.esp32File), QByteArray("old image"));
        QCOMPARE(rig.files(), QStringList{"ESP32-WROOM-32_latest.bin"});
        QCOMPARE(rig.log.lines,
                 logLine.isEmpty() ? QStringList{}
                                   : QStringList{"firmware: " + rig.server.origin() + esp32Path
                                                 + " is not used \u2014 " + logLine});
    }

    // A body cut short never passes for a whole one, wherever it is cut.
    void cutBodiesAlwaysFail_data()
    {
        QTest::addColumn<bool>("chunked");
        QTest::newRow("with a length") << false;
        QTest::newRow("chunked") << true;
    }

    void cutBodiesAlwaysFail()
    {
        QFETCH(bool, chunked);
        Rig rig;
        rig.placeOldImage();
        for (int round = 0; round < 50; ++round) {
            rig.server.setRoute(esp32Path, generated(512 << 10, 9000 + round * 8191, chunked));
            QCOMPARE(rig.download(BoardType::esp32).failure, vexlo::DownloadFailure::incomplete);
            QCOMPARE(rig.files(), QStringList{"ESP32-WROOM-32_latest.bin"});
        }
        QCOMPARE(readFile(rig.esp32File), QByteArray("old image"));
    }

    // Cancelled mid-transfer, a download ends long before its idle limit and leaves no file.
    void cancellingEndsTheDownload()
    {
        Rig rig;
        rig.placeOldImage();
        rig.server.setRoute(esp32Path, generated(1LL << 32));
        vexlo::FirmwareServer firmware = rig.settings();
        firmware.imageDirectory = rig.folder;
        const auto cancel = vexlo::makeCancelToken();
        std::optional<std::optional<QString>> got;
        QCoro::connect(vexlo::downloadFirmware(BoardType::esp32, firmware, rig.log.sink(), cancel),
                       this, [&](vexlo::DownloadResult &&result) { got = result.path; });
        const bool receiving = waitUntil([&] { return receivedBytes(rig.folder) > (4 << 20); });
        cancel->cancel();
        QVERIFY(waitUntil([&] { return got.has_value(); }, 5s));
        QVERIFY(receiving);
        QCOMPARE(receivedBytes(rig.folder), -1);
        QCOMPARE(*got, std::nullopt);
        QCOMPARE(rig.files(), QStringList{"ESP32-WROOM-32_latest.bin"});
    }

    // The client names what went wrong: the kind, the final status, its words, and the body.
    void clientNamesTheOutcome_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("url"); // the route's path on the server, or another address
        QTest::addColumn<HttpError>("error");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("saying");
        QTest::addColumn<QByteArray>("body");
        const auto row = [](const char *tag, const Response &response, HttpError error, int status,
                            const char *saying = "", const QByteArray &body = {},
                            const QString &url = QStringLiteral("/route")) {
            QTest::newRow(tag) << response << url << error << status << QString(saying) << body;
        };
        row("whole", Response{200, "abc"}, HttpError::none, 200, "", "abc");
        row("204", Response{204}, HttpError::none, 204);
        row("404", Response{404, "gone"}, HttpError::httpStatus, 404, "HTTP status 404");
        row("cut, with a length", generated(1 << 20, 5000), HttpError::partialBody, 200);
        row("cut, chunked", generated(1 << 20, 5000, true), HttpError::partialBody, 200);
        row("too large", Response{200, QByteArray(65537, 'x')}, HttpError::tooLarge, 200,
            "larger than 65536 bytes");
        Response stalled{200, "late"};
        stalled.stallAfterMs = 5000;
        row("stalled", stalled, HttpError::timeout, 200, "nothing received for 1000 ms");
        row("redirected", Response{302, {}, {{"Location", "/target"}}}, HttpError::none, 200, "",
            "target");
        row("redirected to plain http elsewhere",
            Response{302, {}, {{"Location", "http://127.0.0.2:1/x"}}}, HttpError::connectionFailed,
            302, "127.0.0.2, which is no loopback host");
        row("plain http elsewhere", Response{}, HttpError::connectionFailed, 0, "not supported", {},
            QStringLiteral("http://10.0.0.1/x"));
        row("refused", Response{}, HttpError::connectionFailed, 0, "", {},
            QStringLiteral("http://127.0.0.1:1/x"));
    }

    void clientNamesTheOutcome()
    {
        QFETCH(Response, response);
        QFETCH(QString, url);
        QFETCH(HttpError, error);
        QFETCH(int, status);
        QFETCH(QString, saying);
        QFETCH(QByteArray, body);
        Rig rig;
        rig.server.setRoute("/route", response);
        rig.server.setRoute("/target", Response{200, "target"});
        vexlo::HttpRequest request{QUrl(url.startsWith('/') ? rig.server.origin() + url : url), 1s};
        const auto got = awaitTask(vexlo::HttpClient::instance().get(request));
        QCOMPARE(got.error, error);
        QCOMPARE(got.status, status);
        QCOMPARE(got.body, body);
        QVERIFY2(got.errorText.contains(saying), qPrintable(got.errorText));
        QCOMPARE(got.errorText.isEmpty(), error == HttpError::none);
    }

    // Over TLS the server's certificate is checked: trusted with the test's own CA, refused by
    // the system's store.
    void certificatesAreVerified_data()
    {
        QTest::addColumn<bool>("ownCa");
        QTest::newRow("own CA") << true;
        QTest::newRow("system store") << false;
    }

    void certificatesAreVerified()
    {
        QFETCH(bool, ownCa);
        QTemporaryDir dir;
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start("openssl",
                   {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", "key.pem", "-out", "ca.pem", "-subj", "/CN=localhost",
                    "-addext", "subjectAltName=IP:127.0.0.1", "-days", "1"});
        QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
        QFile version(dir.filePath("v.txt"));
        QVERIFY(version.open(QIODevice::WriteOnly) && version.write("4.5.6\n") == 6);
        version.close();
        // A TLS server that serves the files of its folder and names its port.
        tool.start(
            "openssl",
            {"s_server", "-accept", "127.0.0.1:0", "-cert", "ca.pem", "-key", "key.pem", "-WWW"});
        QString said;
        const QRegularExpression accepting(QStringLiteral("ACCEPT .*:(\\d+)\n"));
        QVERIFY(
            waitUntil([&] { return (said += tool.readAllStandardOutput()).contains(accepting); }));
        const QString port = accepting.match(said).captured(1);
        vexlo::HttpRequest request{QUrl("https://127.0.0.1:" + port + "/v.txt"), 5s};
        request.caFile = ownCa ? dir.filePath("ca.pem") : QString();
        const auto got = awaitTask(vexlo::HttpClient::instance().get(request));
        tool.kill();
        tool.waitForFinished();
        QCOMPARE(got.error, ownCa ? HttpError::none : HttpError::connectionFailed);
        QCOMPARE(got.body, ownCa ? QByteArray("4.5.6\n") : QByteArray());
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
        // What cannot be a version counts as a failure: a page, lines, controls, length.
        QTest::newRow("a web page")
            << Response{200, "<html><body>Not found</body></html>"} << "0.0.0";
        QTest::newRow("two lines") << Response{200, "1.4.2\n1.4.3\n"} << "0.0.0";
        QTest::newRow("an arrow") << Response{200, "1.4 -> 1.5"} << "0.0.0";
        QTest::newRow("a control") << Response{200, "1.4\x1b[2J"} << "0.0.0";
        QTest::newRow("bidi override") << Response{200, "1.4\u202e2.1"} << "0.0.0";
        QTest::newRow("byte order mark") << Response{200,
                                                     "\xef\xbb\xbf"
                                                     "2.0 beta\n"}
                                         << "2.0 beta";
        QTest::newRow("32 characters") << Response{200, "1.2.3-" + QString(26, u'\u00df').toUtf8()}
                                       << "1.2.3-" + QString(26, u'\u00df');
        QTest::newRow("33 characters") << Response{200, QByteArray(33, '7')} << "0.0.0";
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
