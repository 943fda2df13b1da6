#include "TestSupport.h"
#include "platform/ChildProcess.h"

#include <QFile>

#include <csignal>

using namespace std::chrono_literals;
using vexlo::ProcessRequest;
using vexlo::ProcessResult;
using vexlo::runProcess;

class TestChildProcess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A child writing far more than a pipe holds to both streams must neither stall nor lose a
    // byte, and the event loop must stay free meanwhile.
    void megabytesOnBothStreams()
    {
        FakeEspflash tool;
        const int total = 8 * 1024 * 1024;
        tool.setScenario({QStringLiteral("reset.bulk=%1").arg(total)});
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(1);
        qsizetype streamed = 0;
        ProcessRequest request{tool.toolPath(), {QStringLiteral("reset")}};
        request.onStandardError = [&](const QByteArray &chunk) { streamed += chunk.size(); };
        const ProcessResult result = awaitTask(runProcess(request));
        QCOMPARE(result.status, 0);
        QCOMPARE(result.standardOutput.size(), total);
        QCOMPARE(result.standardError.size(), total);
        QCOMPARE(streamed, total);
        QVERIFY(ticks > 0);
    }

    // A shell past its time limit is killed with the command it forked, and its result says so.
    void aChildPastItsLimitIsKilledWithItsChildren()
    {
        QTemporaryDir dir;
        const QString pidFile = dir.filePath(QStringLiteral("pid"));
        ProcessRequest request{QStringLiteral("/bin/sh"),
                               {QStringLiteral("-c"),
                                QStringLiteral("sleep 300 & echo $! > '%1'; wait").arg(pidFile)}};
        request.timeLimit = 300ms;
        const ProcessResult result = awaitTask(runProcess(request));
        QVERIFY(result.started && result.timedOut && result.crashed);
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const pid_t sleeper = file.readAll().trimmed().toInt();
        QVERIFY(sleeper > 0);
        // Gone, or a zombie waiting for init to reap it: either way, no longer running.
        QVERIFY(waitUntil([&] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(sleeper));
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        }));
    }

    void launchFailureIsReported()
    {
        const ProcessResult result =
            awaitTask(runProcess({QStringLiteral("/nonexistent/tool"), {}}));
        QVERIFY(!result.started);
        QVERIFY2(result.launchError.contains(QLatin1String("No such file")),
                 qPrintable(result.launchError));
    }
};

QTEST_GUILESS_MAIN(TestChildProcess)
#include "tst_childprocess.moc"
