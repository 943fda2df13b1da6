#include "AwaitTask.h"
#include "LoopbackHttpServer.h"
#include "firmware/FirmwareDownload.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using vexlo::BoardType;
using Response = LoopbackHttpServer::Response;

Q_DECLARE_METATYPE(BoardType)

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct Rig {
    LoopbackHttpServer server;
    QTemporaryDir temp;
    QString esp32Path = temp.filePath(QStringLiteral("ESP32-WROOM-32_latest.bin"));

    Rig() { QVERIFY(server.listen()); }

    vexlo::FirmwareServer firmwareServer() const
    {
        vexlo::FirmwareServer settings;
        settings.origin = server.origin();
        settings.temporaryDirectory = temp.path();
        return settings;
    }

    std::optional<QString> download(BoardType type, vexlo::FirmwareServer settings)
    {
        return awaitTask(vexlo::downloadFirmware(type, settings));
    }
    std::optional<QString> download(BoardType type) { return download(type, firmwareServer()); }

    void placeOldImage()
    {
        QFile old(esp32Path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old image");
    }

    // What lies in the temporary directory: a failure must leave no partial file.
    QStringList files() const { return QDir(temp.path()).entryList(QDir::Files | QDir::Hidden); }
};

} // namespace

class TestFirmwareDownload : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fetchesTheImageOfTheBoardType_data()
    {
        QTest::addColumn<BoardType>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("esp32") << BoardType::esp32 << QStringLiteral("ESP32-WROOM-32_latest.bin");
        QTest::newRow("control") << BoardType::control
                                 << QStringLiteral("ControlBoard_V4_latest.bin");
    }

    void fetchesTheImageOfTheBoardType()
    {
        QFETCH(BoardType, type);
        QFETCH(QString, name);
        Rig rig;
        const QByteArray image("\xe9\x03\x02\x20"
                               "image of "
                               + name.toUtf8());
        rig.server.setRoute("/Firmware/" + name.toUtf8(), Response{200, image});
        const auto path = rig.download(type);
        QCOMPARE(path, rig.temp.filePath(name));
        QCOMPARE(readFile(*path), image);
        QCOMPARE(rig.server.requestPaths(), QList<QByteArray>{"/Firmware/" + name.toUtf8()});
        QCOMPARE(rig.server.requests().first().method, QByteArray("GET"));
        QCOMPARE(vexlo::lastFirmwareFileName(), name);
        QCOMPARE(rig.files(), QStringList{name});
    }

    void anOlderImageIsReplaced()
    {
        Rig rig;
        rig.placeOldImage();
        rig.server.setRoute("/Firmware/ESP32-WROOM-32_latest.bin", Response{200, "new image"});
        QCOMPARE(rig.download(BoardType::esp32), rig.esp32Path);
        QCOMPARE(readFile(rig.esp32Path), QByteArray("new image"));
        QCOMPARE(rig.files().size(), 1);
    }

    void largeImagesArriveWhole()
    {
        Rig rig;
        const qint64 size = 8 * 1024 * 1024 + 123;
        Response response;
        response.generatedSize = size;
        rig.server.setRoute("/Firmware/ControlBoard_V4_latest.bin", response);
        const auto path = rig.download(BoardType::control);
        QVERIFY(path);
        const QByteArray data = readFile(*path);
        QCOMPARE(data.size(), size);
        for (qint64 i = 0; i < size; ++i) {
            if (data[i] != LoopbackHttpServer::generatedByte(i))
                QFAIL(qPrintable(QStringLiteral("byte %1 differs").arg(i)));
        }
    }

    void aRedirectToTheImageIsFollowed()
    {
        Rig rig;
        rig.server.setRoute("/Firmware/ESP32-WROOM-32_latest.bin",
                            Response{302, {}, {{"Location", "/mirror/esp32.bin"}}});
        rig.server.setRoute("/mirror/esp32.bin", Response{200, "mirrored image"});
        QCOMPARE(rig.download(BoardType::esp32), rig.esp32Path);
        QCOMPARE(readFile(rig.esp32Path), QByteArray("mirrored image"));
        QCOMPARE(rig.server.requestPaths(),
                 (QList<QByteArray>{"/Firmware/ESP32-WROOM-32_latest.bin", "/mirror/esp32.bin"}));
    }

    // Every failure gives nothing, keeps the earlier image and leaves no partial file.
    void failuresKeepTheEarlierImage_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<bool>("serverUp");
        QTest::newRow("404") << Response{404, "no such image"} << true;
        QTest::newRow("500") << Response{500, "oops"} << true;
        QTest::newRow("204") << Response{204} << true;
        Response cut;
        cut.generatedSize = 2 * 1024 * 1024;
        cut.closeAfter = 1024 * 1024;
        QTest::newRow("body cut short") << cut << true;
        Response stalled{200, QByteArray(4096, 'x')};
        stalled.stallAfterMs = 3000;
        QTest::newRow("stalled past the idle timeout") << stalled << true;
        QTest::newRow("connection refused") << Response{} << false;
    }

    void failuresKeepTheEarlierImage()
    {
        QFETCH(Response, response);
        QFETCH(bool, serverUp);
        Rig rig;
        rig.placeOldImage();
        rig.server.setRoute("/Firmware/ESP32-WROOM-32_latest.bin", response);
        vexlo::FirmwareServer settings = rig.firmwareServer();
        settings.downloadIdleTimeout = 500ms;
        if (!serverUp)
            settings.origin = QStringLiteral("http://127.0.0.1:1");
        QCOMPARE(rig.download(BoardType::esp32, settings), std::nullopt);
        QCOMPARE(readFile(rig.esp32Path), QByteArray("old image"));
        QCOMPARE(rig.files(), QStringList{"ESP32-WROOM-32_latest.bin"});
        QCOMPARE(vexlo::lastFirmwareFileName(), QStringLiteral("ESP32-WROOM-32_latest.bin"));
    }

    void anOriginThatFormsNoUrlAsksNothing()
    {
        Rig rig;
        vexlo::FirmwareServer settings = rig.firmwareServer();
        settings.origin = QStringLiteral("http://[::1");
        QCOMPARE(rig.download(BoardType::control, settings), std::nullopt);
        QCOMPARE(vexlo::lastFirmwareFileName(), QStringLiteral("ControlBoard_V4_latest.bin"));
        QVERIFY(rig.server.requests().isEmpty());
        QVERIFY(rig.files().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFirmwareDownload)
#include "tst_firmwaredownload.moc"
