// Downloads a 64 MiB image from a loopback server with the program's own download code and with
// curl, side by side in one run, and prints the throughput ratio and the program's peak memory
// growth during its downloads.
#include "TestSupport.h"
#include "firmware/FirmwareDownload.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr qint64 imageSize = 64LL * 1024 * 1024;
constexpr int rounds = 3;

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
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

double mibPerSecond(qint64 bytes, qint64 ms)
{
    return (double(bytes) / (1024.0 * 1024.0)) / (double(std::max<qint64>(ms, 1)) / 1000.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString serverProgram = QStringLiteral(LOOPBACK_SERVER_PATH);
    const QString path = QStringLiteral("/Firmware/ControlBoard_V4_latest.bin");

    QProcess server;
    server.start(serverProgram,
                 {path + QStringLiteral("=bytes:%1").arg(imageSize),
                  QStringLiteral("/Firmware/ESP32-WROOM-32_latest.bin=bytes:1048576")});
    if (!server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the loopback server did not start\n");
        return 1;
    }
    const QString port = QString::fromUtf8(server.readLine()).trimmed().section(' ', -1);
    QTemporaryDir temp;
    vexlo::FirmwareServer settings;
    settings.origin = QStringLiteral("http://127.0.0.1:") + port;
    settings.imageDirectory = temp.path();

    // One small download first, so the network stack's own start-up is not counted.
    awaitTask(vexlo::downloadFirmware(vexlo::BoardType::esp32, settings));

    qint64 bestOwn = -1, bestCurl = -1, worstGrowthKiB = 0;
    for (int round = 0; round < rounds; ++round) {
        const qint64 before = residentKiB();
        PeakSampler sampler;
        QElapsedTimer clock;
        clock.start();
        const auto file = awaitTask(vexlo::downloadFirmware(vexlo::BoardType::control, settings),
                                    std::chrono::minutes(5))
                              .path;
        const qint64 ownMs = clock.elapsed();
        worstGrowthKiB = std::max(worstGrowthKiB, sampler.stop() - before);
        if (!file || QFileInfo(*file).size() != imageSize) {
            std::fprintf(stderr, "the program's download failed\n");
            return 1;
        }

        const QString curlOut = temp.filePath(QStringLiteral("curl.bin"));
        clock.restart();
        const int curlStatus = QProcess::execute(
            QStringLiteral("curl"),
            {QStringLiteral("-sS"), QStringLiteral("-o"), curlOut, settings.origin + path});
        const qint64 curlMs = clock.elapsed();
        if (curlStatus != 0 || QFileInfo(curlOut).size() != imageSize) {
            std::fprintf(stderr, "curl failed\n");
            return 1;
        }
        std::printf("round %d: program %lld ms, curl %lld ms\n", round + 1, ownMs, curlMs);
        bestOwn = bestOwn < 0 ? ownMs : std::min(bestOwn, ownMs);
        bestCurl = bestCurl < 0 ? curlMs : std::min(bestCurl, curlMs);
    }
    server.kill();
    server.waitForFinished();

    std::printf("64 MiB over loopback, best of %d:\n", rounds);
    std::printf("  program: %.0f MiB/s\n  curl:    %.0f MiB/s\n", mibPerSecond(imageSize, bestOwn),
                mibPerSecond(imageSize, bestCurl));
    std::printf("  throughput ratio program/curl: %.2f\n",
                mibPerSecond(imageSize, bestOwn) / mibPerSecond(imageSize, bestCurl));
    std::printf("  peak memory growth during a download: %.1f MiB (%.3f of the image size)\n",
                double(worstGrowthKiB) / 1024.0,
                double(worstGrowthKiB) * 1024.0 / double(imageSize));
    return 0;
}
