#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "app/Appcast.h"
#include "app/Updater.h"

using namespace vexlo;
using Response = LoopbackHttpServer::Response;
using Outcome = UpdateCheckResult::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

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

class TestUpdater : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void versions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("numbers, not text") << "1.10"
                                           << "1.9" << 1;
        QTest::newRow("equal") << "0.1.0"
                               << "0.1.0" << 0;
        QTest::newRow("pre-release is older") << "2.0b1"
                                              << "2.0" << -1;
        QTest::newRow("more numbers are newer") << "1.0.1"
                                                << "1.0" << 1;
        QTest::newRow("pre-releases by number") << "2.0b2"
                                                << "2.0b10" << -1;
        QTest::newRow("leading zeros") << "1.010"
                                       << "1.9" << 1;
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
        QTest::newRow("older") << Response{200, feed(item("0.0.9"))} << Outcome::upToDate
                               << "0.0.9";
        QTest::newRow("404") << Response{404, "gone"} << Outcome::failed
                             << "Der Update-Server antwortete mit Status 404.";
        QTest::newRow("malformed") << Response{200, "<rss><item>"} << Outcome::failed
                                   << "Der Update-Feed ist nicht lesbar: ";
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

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"
