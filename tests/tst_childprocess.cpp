#include "AwaitTask.h"
#include "FakeEspflash.h"
#include "flasher/ChildProcess.h"

#include <QTest>

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

    void standardInputCanBeTheNullDevice()
    {
        // cat copies its standard input: nothing from the null device, and it ends at once.
        ProcessRequest request{QStringLiteral("/bin/cat"), {}};
        request.inheritStandardInput = false;
        const ProcessResult result = awaitTask(runProcess(request), std::chrono::seconds(5));
        QCOMPARE(result.status, 0);
        QVERIFY(result.standardOutput.isEmpty());
    }

    void aChildThatEndsAtOnceIsNoticed()
    {
        for (int i = 0; i < 20; ++i) {
            const ProcessResult result =
                awaitTask(runProcess({QStringLiteral("/bin/true"), {}}), std::chrono::seconds(5));
            QVERIFY(result.started);
            QCOMPARE(result.status, 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestChildProcess)
#include "tst_childprocess.moc"
