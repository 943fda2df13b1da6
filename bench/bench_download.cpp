// Downloads 64 MiB and 256 MiB images from a loopback server with the program's own download
// code and with curl, side by side in one run: throughput (best and median of the rounds), the
// program's peak memory growth during its downloads, the longest stop of the event loop while
// the program downloads, and the time from cancelling a download to its end.
#include "BenchSupport.h"
#include "TestSupport.h"
#include "firmware/FirmwareDownload.h"
#include "platform/Http.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

namespace {

constexpr int rounds = 5;
constexpr qint64 mib = 1024 * 1024;

qint64 residentKiB()
{
    return bench::statusKiB(QCoreApplication::applicationPid(), "VmRSS:");
}

// Samples the resident set on a thread of its own while the download runs on the event loop.
class PeakSampler
{
public:
    PeakSampler()
        : m_peak(residentKiB())
        , m_thread([this] {
            while (!m_stop) {
                m_peak = std::max(m_peak.load(), residentKiB());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        })
    {
    }
    qint64 stop()
    {
        m_stop = true;
        m_thread.join();
        return m_peak;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_peak;
    std::thread m_thread;
};

// The longest time between two turns of the event loop while it runs: a 1 ms timer that
// notes how late it comes.
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double now = bench::wallMs();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start(1);
    }
    double longestMs() const { return m_longest; }

private:
    QTimer m_timer;
    double m_last = bench::wallMs();
    double m_longest = 0;
};

double mibPerSecond(qint64 bytes, double ms)
{
    return (double(bytes) / double(mib)) / (std::max(ms, 0.001) / 1000.0);
}

struct Size {
    vexlo::BoardType board;
    QString path;
    qint64 bytes;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QList<Size> sizes{
        {vexlo::BoardType::esp32, QStringLiteral("/Firmware/ESP32-WROOM-32_latest.bin"), 64 * mib},
        {vexlo::BoardType::control, QStringLiteral("/Firmware/ControlBoard_V4_latest.bin"),
         256 * mib}};
    QStringList routes;
    for (const Size &size : sizes)
        routes << size.path + QStringLiteral("=bytes:%1").arg(size.bytes);
    QProcess server;
    server.start(QStringLiteral(LOOPBACK_SERVER_PATH), routes);
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the loopback server did not start\n");
        return 1;
    }
    const QString port = QString::fromUtf8(server.readLine()).trimmed().section(' ', -1);
    QTemporaryDir temp;
    vexlo::FirmwareServer settings;
    settings.origin = QStringLiteral("http://127.0.0.1:") + port;
    settings.imageDirectory = temp.path();
    const auto ignore = [](const QString &) {};

    // One download first, so the client's own start-up is not counted.
    awaitTask(vexlo::downloadFirmware(vexlo::BoardType::esp32, settings, ignore));

    // The same meter with nothing to do, for the machine's own scheduling delays.
    double idleStop = 0;
    {
        const StallMeter stalls;
        QEventLoop idle;
        QTimer::singleShot(1000, &idle, &QEventLoop::quit);
        idle.exec();
        idleStop = stalls.longestMs();
    }
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    std::printf("load average: %s",
                loadAverage.open(QIODevice::ReadOnly) ? loadAverage.readLine().constData()
                                                      : "unknown\n");
    std::printf("longest stop of an idle event loop over 1 s: %.1f ms\n", idleStop);

    bool metTargets = true;
    for (const Size &size : sizes) {
        QList<double> own, curl;
        qint64 growthKiB = 0;
        double longestStop = 0, longestStopCurl = 0;
        for (int round = 0; round < rounds; ++round) {
            QFile::remove(temp.filePath(QFileInfo(size.path).fileName()));
            const qint64 before = residentKiB();
            PeakSampler sampler;
            const StallMeter stalls;
            double started = bench::wallMs();
            const auto file = awaitTask(vexlo::downloadFirmware(size.board, settings, ignore),
                                        std::chrono::minutes(5))
                                  .path;
            own << bench::wallMs() - started;
            longestStop = std::max(longestStop, stalls.longestMs());
            growthKiB = std::max(growthKiB, sampler.stop() - before);
            if (!file || QFileInfo(*file).size() != size.bytes) {
                std::fprintf(stderr, "the program's download failed\n");
                return 1;
            }

            const QString curlOut = temp.filePath(QStringLiteral("curl.bin"));
            QFile::remove(curlOut);
            // curl runs while the event loop turns, metered the same way: the machine's own
            // delays under the same load, without the program's client.
            QProcess curlRun;
            QEventLoop curlDone;
            QObject::connect(&curlRun, &QProcess::finished, &curlDone, &QEventLoop::quit);
            const StallMeter curlStalls;
            started = bench::wallMs();
            curlRun.start(QStringLiteral("curl"),
                          {QStringLiteral("-sS"), QStringLiteral("-o"), curlOut,
                           settings.origin + size.path});
            curlDone.exec();
            curl << bench::wallMs() - started;
            longestStopCurl = std::max(longestStopCurl, curlStalls.longestMs());
            const int curlStatus =
                curlRun.exitStatus() == QProcess::NormalExit ? curlRun.exitCode() : -1;
            if (curlStatus != 0 || QFileInfo(curlOut).size() != size.bytes) {
                std::fprintf(stderr, "curl failed\n");
                return 1;
            }
        }
        const double ratioBest = mibPerSecond(size.bytes, bench::best(own))
            / mibPerSecond(size.bytes, bench::best(curl));
        const double ratioMedian = mibPerSecond(size.bytes, bench::median(own))
            / mibPerSecond(size.bytes, bench::median(curl));
        std::printf("%lld MiB over loopback, %d rounds (best / median):\n", size.bytes / mib,
                    rounds);
        std::printf("  program: %.0f / %.0f MiB/s\n", mibPerSecond(size.bytes, bench::best(own)),
                    mibPerSecond(size.bytes, bench::median(own)));
        std::printf("  curl:    %.0f / %.0f MiB/s\n", mibPerSecond(size.bytes, bench::best(curl)),
                    mibPerSecond(size.bytes, bench::median(curl)));
        std::printf("  throughput ratio program/curl: %.2f / %.2f (target >= 0.95)\n", ratioBest,
                    ratioMedian);
        std::printf("  peak resident growth during a download: %.1f MiB (target < 4)\n",
                    double(growthKiB) / 1024.0);
        std::printf("  longest stop of the event loop during a download: %.1f ms (target <= 20); "
                    "during curl's: %.1f ms\n",
                    longestStop, longestStopCurl);
        metTargets = metTargets && ratioMedian >= 0.95 && growthKiB < 4 * 1024 && longestStop <= 20;
    }

    // Cancelled once the transfer runs at full speed: timed until the client's result arrives
    // (the transfer has ended), and until a cancelled download has returned with its partial
    // file gone.
    QList<double> transferEnded, downloadEnded;
    QFile sink(temp.filePath(QStringLiteral("sink")));
    if (!sink.open(QIODevice::ReadWrite))
        return 1;
    for (int round = 0; round < 2 * rounds; ++round) {
        const auto cancel = vexlo::makeCancelToken();
        double cancelledAt = 0;
        QTimer::singleShot(150, [&] {
            cancelledAt = bench::wallMs();
            cancel->cancel();
        });
        bool ended = false;
        if (round % 2 == 0) {
            vexlo::HttpRequest request{QUrl(settings.origin + sizes.last().path),
                                       std::chrono::seconds(10)};
            request.fileDescriptor = sink.handle();
            ended = awaitTask(vexlo::HttpClient::instance().get(request, cancel)).error
                == vexlo::HttpError::cancelled;
            transferEnded << bench::wallMs() - cancelledAt;
        } else {
            ended = !awaitTask(vexlo::downloadFirmware(vexlo::BoardType::control, settings, ignore,
                                                       cancel))
                         .path;
            downloadEnded << bench::wallMs() - cancelledAt;
        }
        if (!ended || cancelledAt == 0) {
            std::fprintf(stderr, "the download was not cancelled\n");
            return 1;
        }
    }
    const auto printCancel = [](const char *what, QList<double> ms) {
        std::printf("cancel to %s, %lld rounds: best %.2f ms, median %.2f ms, worst %.2f ms "
                    "(target < 10)\n",
                    what, ms.size(), bench::best(ms), bench::median(ms),
                    *std::max_element(ms.begin(), ms.end()));
    };
    printCancel("the end of the transfer", transferEnded);
    printCancel("the download's return, partial file removed", downloadEnded);
    metTargets = metTargets && bench::median(transferEnded) < 10;
    std::printf("targets %s\n", metTargets ? "met" : "NOT met");
    server.kill();
    server.waitForFinished();
    return 0;
}
