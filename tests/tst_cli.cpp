#include "LoopbackHttpServer.h"
#include "PseudoTerminal.h"
#include "TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString root = QStringLiteral(E2E_CLI_ROOT);
const QString resources = root + QStringLiteral("/lib/vexlo-utility");
const QString busy = QStringLiteral("ein anderes Vexlo Utility verwendet diesen Port");
const QMap<QString, QString> chipOf{{"E", "esp32"}, {"C", "esp32c3"}, {"?", "z80"}};

QByteArray image(char tag)
{
    return QByteArray(1, char(0xe9)) + QByteArray(9000, tag);
}

struct ToolRun {
    qint64 start, end;
    QString subcommand, port;
};

// The bench of a production line: boards on pseudo-terminals in the port folder the installer
// lists, the stand-in espflash beside it, the firmware server on the installer's origin, and
// private cache and runtime folders.
struct Line {
    QTemporaryDir home;
    LoopbackHttpServer server;
    std::vector<std::unique_ptr<PseudoTerminal>> boards;
    QStringList ports, scenario;

    Line()
    {
        QDir(root + QStringLiteral("/dev")).removeRecursively();
        QDir().mkpath(root + QStringLiteral("/dev"));
        for (const char *name : {"espflash", "espflash.calls", "espflash.runs"})
            QFile::remove(resources + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(QFile::copy(QStringLiteral(FAKE_ESPFLASH_PATH), resources + "/espflash"));
        QVERIFY(server.listen(47617));
        server.setRoute("/Firmware/ESP32-WROOM-32_latest.bin", {200, image('E')});
        server.setRoute("/Firmware/ControlBoard_V4_latest.bin", {200, image('C')});
        QVERIFY(QDir().mkpath(home.filePath("run")));
        QFile::setPermissions(home.filePath("run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Plugs in a board answering as the chip; its writes take the time and end with the status.
    QString plug(const QString &kind, int writeExit = 0, int writeMs = 400)
    {
        const QString port = root + QStringLiteral("/dev/ttyUSB%1").arg(boards.size());
        boards.push_back(std::make_unique<PseudoTerminal>());
        const QString at = QLatin1Char('@') + port + QLatin1Char('.');
        scenario << "board-info" + at + "out=Chip type: " + chipOf.value(kind) + "\\n"
                 << "write-bin" + at + "copy_image=" + written(int(boards.size()) - 1)
                 << "write-bin" + at + QStringLiteral("sleep_ms=%1").arg(writeMs)
                 << "write-bin" + at + QStringLiteral("exit=%1").arg(writeExit);
        QFile scenarioFile(resources + QStringLiteral("/espflash.scenario"));
        if (!scenarioFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the scenario");
        scenarioFile.write(scenario.join(QLatin1Char('\n')).toUtf8() + '\n');
        scenarioFile.close();
        QFile::link(boards.back()->terminalPath(), port);
        ports << port;
        return port;
    }
    // Where the stand-in tool puts the image it wrote to the board.
    QString written(int board) const
    {
        return home.filePath(QStringLiteral("board%1.bin").arg(board));
    }
    void start(QProcess &program, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", home.filePath("cache"));
        env.insert("XDG_RUNTIME_DIR", home.filePath("run"));
        program.setProcessEnvironment(env);
        program.start(root + QStringLiteral("/bin/vexlo-flash"), arguments);
        QVERIFY(program.waitForStarted(5000));
    }
    QList<ToolRun> runs() const
    {
        QFile file(resources + QStringLiteral("/espflash.runs"));
        QList<ToolRun> list;
        for (const QByteArray &line :
             file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>()) {
            const QStringList f = QString::fromUtf8(line).split(QLatin1Char('\t'));
            if (f.size() > 4)
                list << ToolRun{f[0].toLongLong(), f[1].toLongLong(), f[3],
                                f[f.indexOf(QStringLiteral("--port")) + 1]};
        }
        return list;
    }
    QList<ToolRun> runs(const QString &subcommand) const
    {
        QList<ToolRun> matching = runs();
        matching.removeIf([&](const ToolRun &run) { return run.subcommand != subcommand; });
        return matching;
    }
};

// The installer's standard output as a user sees it, and its events as a program reads them.
struct Output {
    QProcess &program;
    QByteArray bytes;
    explicit Output(QProcess &p)
        : program(p)
    {
        QObject::connect(&program, &QProcess::readyReadStandardOutput,
                         [this] { bytes += program.readAllStandardOutput(); });
    }
    QList<QJsonObject> events(const QString &event = {}, const QString &port = {}) const
    {
        QList<QJsonObject> list;
        for (const QByteArray &line : bytes.split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (!line.isEmpty() && (event.isEmpty() || object["event"] == event)
                && (port.isEmpty() || object["port"] == port))
                list << object;
        }
        return list;
    }
    bool ended()
    {
        return waitUntil([&] { return program.state() == QProcess::NotRunning; }, 30s);
    }
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanupTestCase() { QDir(root + QStringLiteral("/dev")).removeRecursively(); }

    void installs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("boards");    // E ESP32, C Control Board, ? unknown chip
        QTest::addColumn<QList<int>>("exits");  // of each board's write
        QTest::addColumn<QStringList>("steps"); // where each board failed; "" installed
        QTest::addColumn<QStringList>("reasons");
        QTest::addColumn<QByteArray>("line"); // the variant line each installed board gets
        QTest::addColumn<bool>("overlap");    // whether all writes ran at the same time
        const QStringList v4{"--variant", "v4", "--json"};
        const QByteArray std("{\"SET\":{\"VAR\":\"STD\"}}\n");
        QTest::newRow("three at once")
            << v4 << "EEC" << QList<int>{0, 0, 0} << QStringList{"", "", ""}
            << QStringList{"", "", ""} << std << true;
        QTest::newRow("one fails")
            << QStringList{"--variant", "pro", "--json"} << "ECE" << QList<int>{0, 2, 0}
            << QStringList{"", "write", ""} << QStringList{"", "espflash-Fehler (Status 2)", ""}
            << QByteArray("{\"SET\":{\"VAR\":\"PRO\"}}\n") << true;
        QTest::newRow("unknown chip") << v4 << "E?" << QList<int>{0, 0} << QStringList{"", "detect"}
                                      << QStringList{"", "Antwort nicht erkannt"} << std << true;
        QTest::newRow("u sends nothing")
            << QStringList{"--variant", "u", "--json"} << "CE" << QList<int>{0, 0}
            << QStringList{"", ""} << QStringList{"", ""} << QByteArray() << true;
        QTest::newRow("one at a time")
            << (v4 + QStringList{"--jobs", "1"}) << "EE" << QList<int>{0, 0} << QStringList{"", ""}
            << QStringList{"", ""} << std << false;
    }
    // Every board listed at start is installed on its own; the images are fetched once per type.
    void installs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, boards);
        QFETCH(QList<int>, exits);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, reasons);
        QFETCH(QByteArray, line);
        QFETCH(bool, overlap);
        Line bench;
        for (int i = 0; i < boards.size(); ++i)
            bench.plug(boards[i], exits[i]);
        QProcess program;
        Output out(program);
        bench.start(program, arguments);
        QVERIFY(out.ended());
        QCOMPARE(program.exitCode(), steps.join("").isEmpty() ? 0 : 1);

        QSet<QByteArray> requested;
        for (int i = 0; i < boards.size(); ++i) {
            const QString port = bench.ports[i];
            const auto result = out.events("result", port);
            QCOMPARE(result.size(), 1);
            QCOMPARE(result[0]["step"].toString(), steps[i]);
            QCOMPARE(result[0]["reason"].toString(), reasons[i]);
            QCOMPARE(result[0]["ok"].toBool(), steps[i].isEmpty());
            const bool installed = steps[i].isEmpty();
            QCOMPARE(result[0]["variant"].toString().toUtf8(),
                     installed ? line.mid(15, 3) : QByteArray());
            QCOMPARE(bench.boards[i]->readAvailable(installed ? 500 : 50),
                     installed ? line : QByteArray());
            QFile written(bench.written(i));
            const bool wrote = steps[i] != "detect";
            QCOMPARE(written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray(),
                     wrote ? image(boards[i].toLatin1()) : QByteArray());
            if (wrote) {
                QCOMPARE(out.events("downloaded", port).size(), 1);
                requested << (boards[i] == 'E' ? "/Firmware/ESP32-WROOM-32_latest.bin"
                                               : "/Firmware/ControlBoard_V4_latest.bin");
            }
            // "u" resets nothing; the others reset before and after the variant line.
            int resets = 0;
            for (const ToolRun &run : bench.runs("reset"))
                resets += run.port == port;
            QCOMPARE(resets, installed && !line.isEmpty() ? 2 : 0);
        }
        const QList<QByteArray> paths = bench.server.requestPaths();
        QCOMPARE(QSet<QByteArray>(paths.begin(), paths.end()), requested);
        QCOMPARE(paths.size(), requested.size()); // one download per board type
        const QList<ToolRun> writes = bench.runs("write-bin");
        qint64 latestStart = 0, earliestEnd = std::numeric_limits<qint64>::max();
        for (const ToolRun &run : writes) {
            latestStart = std::max(latestStart, run.start);
            earliestEnd = std::min(earliestEnd, run.end);
        }
        QCOMPARE(latestStart < earliestEnd, overlap);
        const QJsonObject summary = out.events().last();
        QCOMPARE(summary["event"].toString(), QStringLiteral("summary"));
        QCOMPARE(summary["installed"].toInt(), steps.count(""));
        QCOMPARE(summary["failed"].toInt(), boards.size() - steps.count(""));
    }

    // For people: a line per step with its port, a summary naming each failure.
    void tellsPeople()
    {
        Line bench;
        const QString good = bench.plug("E"), bad = bench.plug("E", 3, 1200);
        QProcess program;
        Output out(program);
        bench.start(program, {"--variant", "v4"});
        QVERIFY(out.ended());
        const QStringList lines = QString::fromUtf8(out.bytes).split('\n');
        QVERIFY(lines.contains("[" + good + "] Board erkannt: ESP32 DevKit"));
        QVERIFY(
            lines.indexOf(QRegularExpression(
                QRegularExpression::escape(
                    "[" + bad + "] Fehlgeschlagen bei „Schreiben“: espflash-Fehler (Status 3) (")
                + "\\d+\\.\\d s\\)"))
            >= 0);
        QCOMPARE(lines.filter("[" + bad + "] Schreiben: ").size(), 1); // at most one per 5 s
        QVERIFY(lines.contains("Ergebnis: 1 installiert, 1 fehlgeschlagen"));
        QVERIFY(lines.contains("  " + bad + ": Schreiben – espflash-Fehler (Status 3)"));
    }

    // A board plugged in later is installed once, and a stop lets the running write finish.
    void watchesUntilStopped()
    {
        Line bench;
        const QString first = bench.plug("C");
        QProcess program;
        Output out(program);
        bench.start(program, {"--variant", "pro", "--watch", "--json"});
        QVERIFY(waitUntil([&] { return !out.events("result", first).isEmpty(); }));
        const QString later = bench.plug("E", 0, 1500);
        QVERIFY(waitUntil([&] { return !out.events("downloaded", later).isEmpty(); }));
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(out.ended());
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(out.events("result", later).value(0)["ok"].toBool(), true);
        QCOMPARE(bench.boards[1]->readAvailable(500), QByteArray("{\"SET\":{\"VAR\":\"PRO\"}}\n"));
        QCOMPARE(bench.runs("write-bin").size(), 2); // the board that stayed: installed once
        QCOMPARE(out.events().last()["installed"].toInt(), 2);
    }

    // A stop (twice, even) lets the running install finish and starts none of the waiting ones.
    void stopStartsNothingNew()
    {
        Line bench;
        const QString first = bench.plug("E", 0, 1200), waiting = bench.plug("E");
        QProcess program;
        Output out(program);
        bench.start(program, {"--variant", "v4", "--json", "--jobs", "1"});
        QVERIFY(waitUntil([&] { return !out.events("downloaded").isEmpty(); }));
        ::kill(pid_t(program.processId()), SIGINT);
        ::kill(pid_t(program.processId()), SIGINT);
        QVERIFY(out.ended());
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(out.events("result", first).value(0)["ok"].toBool(), true);
        QCOMPARE(bench.boards[0]->readAvailable(500), QByteArray("{\"SET\":{\"VAR\":\"STD\"}}\n"));
        QCOMPARE(out.events("result", waiting).value(0)["reason"].toString(),
                 QStringLiteral("nicht begonnen: das Programm wurde beendet"));
        QCOMPARE(bench.runs("board-info").size(), 1);
    }

    // Two programs never work on one port, whatever name each gives it: the second (here with
    // the device node behind the symlink) reports it at detection and leaves the board alone.
    void lockKeepsASecondProgramOff()
    {
        Line bench;
        const QString port = bench.plug("E", 0, 1500), node = bench.boards[0]->terminalPath();
        QProcess first, second;
        Output out(first), other(second);
        bench.start(first, {"--variant", "v4", "--json", "--port", port});
        QVERIFY(waitUntil([&] { return !out.events("downloaded").isEmpty(); }));
        bench.start(second, {"--variant", "v4", "--json", "--port", node});
        QVERIFY(other.ended());
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(other.events("detected", node).value(0)["reason"].toString(), busy);
        QCOMPARE(other.events("result", node).value(0)["step"].toString(),
                 QStringLiteral("detect"));
        QVERIFY(out.ended());
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(bench.runs("board-info").size(), 1);
    }

    void commandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("output"); // in standard output, or error for status 2
        QTest::newRow("no variant") << QStringList{"--json"} << 2 << "vexlo-flash: --variant fehlt";
        QTest::newRow("unknown variant")
            << QStringList{"--variant", "v5"} << 2 << "vexlo-flash: Unbekannte Variante: v5";
        QTest::newRow("two variants") << QStringList{"--variant", "u", "--variant", "pro"} << 2
                                      << "vexlo-flash: --variant mehrfach";
        QTest::newRow("unknown option")
            << QStringList{"--variant", "u", "--fast"} << 2 << "vexlo-flash: " /* in Qt's words */;
        QTest::newRow("jobs 0") << QStringList{"--variant", "u", "--jobs", "0"} << 2
                                << "vexlo-flash: --jobs braucht";
        QTest::newRow("jobs text")
            << QStringList{"--variant", "u", "--jobs", "x"} << 2 << "vexlo-flash: --jobs braucht";
        QTest::newRow("argument") << QStringList{"--variant", "u", "now"} << 2
                                  << "vexlo-flash: Unerwartetes Argument: now";
        QTest::newRow("list and watch")
            << QStringList{"--list", "--watch"} << 2 << "vexlo-flash: --list verträgt sich nicht";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "vexlo-flash 0.1.0\n";
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << "  --variant <v4|pro|u>  Variante der Maschine";
        QTest::newRow("no port") << QStringList{"--variant", "v4", "--json"} << 1
                                 << "{\"event\":\"summary\",\"failed\":0,\"installed\":0}\n";
        QTest::newRow("list") << QStringList{"--list", "--json"} << 0 << "{\"board\":\"ESP32";
    }
    // Usage errors end with status 2 and one line on standard error, before any port is touched.
    void commandLines()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, output);
        Line bench;
        if (QTest::currentDataTag() == QLatin1String("list"))
            bench.plug("E");
        QProcess program;
        bench.start(program, arguments);
        QVERIFY(waitUntil([&] { return program.state() == QProcess::NotRunning; }));
        QCOMPARE(program.exitCode(), exit);
        const QByteArray err = program.readAllStandardError();
        const QByteArray text = exit == 2 ? err : program.readAllStandardOutput();
        QVERIFY2(text.contains(output.toUtf8()), text.constData());
        if (exit == 2) {
            QVERIFY(err.startsWith("vexlo-flash: ") && err.endsWith(" (vexlo-flash --help)\n"));
            QCOMPARE(err.count('\n'), 1);
        }
        QCOMPARE(bench.runs("write-bin").size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
