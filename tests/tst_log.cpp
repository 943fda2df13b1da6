#include "TestSupport.h"
#include "platform/LogWriter.h"
#include "platform/SessionLog.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>

#include <fcntl.h>
#include <unistd.h>

using namespace vexlo;

namespace {

QString numbered(int n)
{
    return QStringLiteral("line %1 ").arg(n, 4, 10, QLatin1Char('0')).leftJustified(80, '.');
}

} // namespace

class TestLog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The reader of the output stops reading: writing never waits for it, the file gets every
    // line, and once the reader reads again one line says how many it missed.
    void aStalledReader()
    {
        int pipeEnds[2];
        QCOMPARE(::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
        QCOMPARE(::fcntl(pipeEnds[1], F_SETPIPE_SZ, 4096), 4096);
        // Full from the start (of empty lines), so that the queue alone holds lines.
        while (::write(pipeEnds[1], "\n", 1) == 1) { }
        QCOMPARE(::fcntl(pipeEnds[1], F_SETFL, 0), 0);
        QTemporaryDir dir;
        LogWriterOptions options;
        options.output = pipeEnds[1];
        options.folder = dir.path();
        options.outputQueueLimit = 4096;
        LogWriter writer(options);
        for (int n = 0; n < 1000; ++n)
            writer.write(numbered(n));
        const QString file = dir.filePath(QStringLiteral("vexlo-utility.log"));
        QVERIFY(waitUntil([&] { return readFile(file).count('\n') == 1000; }));

        QByteArray output;
        const auto read = [&](const QByteArray &until) {
            return waitUntil([&] {
                char buffer[4096];
                for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
                    output.append(buffer, n);
                return output.contains(until);
            });
        };
        QVERIFY(read(" while standard output was not read\n"));
        writer.write(QStringLiteral("after the stall"));
        QVERIFY(read("after the stall\n"));
        const int held = 4096 / 81; // as many lines (80 characters and a line feed) as fit
        QStringList expected;
        for (int n = 0; n < held; ++n)
            expected << numbered(n);
        expected << QStringLiteral("[Log] %1 lines dropped while standard output was not read")
                        .arg(1000 - held)
                 << QStringLiteral("after the stall");
        QCOMPARE(QString::fromUtf8(output).split('\n', Qt::SkipEmptyParts), expected);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
    }

    void rotation_data()
    {
        QTest::addColumn<int>("files");
        QTest::newRow("three files") << 3;
        QTest::newRow("one file") << 1;
    }

    // A private folder, files that never pass their limit, the newest lines kept, each with its
    // time.
    void rotation()
    {
        QFETCH(int, files);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("state/vexlo-utility"));
        const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        {
            LogWriterOptions options;
            options.output = devNull;
            options.folder = folder;
            options.fileSizeLimit = 1000;
            options.fileCount = files;
            LogWriter writer(options);
            for (int n = 0; n < 100; ++n)
                writer.write(numbered(n));
        }
        ::close(devNull);
        QCOMPARE(int(QFile::permissions(folder) & 0x0777), 0x0700); // rwx for the user alone
        QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::Reversed);
        QCOMPARE(names.size(), files);
        QStringList lines;
        for (const QString &name : names) {
            const QByteArray text = readFile(folder + '/' + name);
            QCOMPARE(int(QFile::permissions(folder + '/' + name) & 0x0777), 0x0600);
            // Full but for less than a line, except the current one.
            QVERIFY(text.size() <= 1000 && (name == names.last() || text.size() > 1000 - 112));
            lines << QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts);
        }
        const QRegularExpression stamp(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d) ");
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QVERIFY2(stamp.match(lines[i]).hasMatch(), qPrintable(lines[i]));
            QCOMPARE(lines[i].section(' ', 1), numbered(int(100 - lines.size() + i)));
        }
    }

    // The session's lines for a window, newest last and bounded.
    void sessionLog()
    {
        SessionLog log(3);
        QSignalSpy added(&log, &SessionLog::lineAdded);
        for (int n = 0; n < 5; ++n)
            log.append(numbered(n));
        QCOMPARE(log.lines(), (QStringList{numbered(2), numbered(3), numbered(4)}));
        QCOMPARE(added.size(), 5);
        QCOMPARE(added.last().first().toString(), numbered(4));
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
