#include "InstallRun.h"

#include "FailureText.h"
#include "firmware/FirmwareDownload.h"
#include "flasher/Flasher.h"
#include "platform/PortLock.h"

#include <QPointer>

#include <algorithm>

namespace vexlo {

InstallSteps InstallSteps::real(FirmwareServer server, FlasherOptions flasher)
{
    InstallSteps steps;
    steps.download = [server, log = flasher.log](BoardType type) {
        return downloadFirmware(type, server, log);
    };
    steps.flash = [flasher](QString binPath, QString port, CoilexVariant variant) {
        return vexlo::flash(std::move(binPath), std::move(port), variant, flasher);
    };
    steps.log = flasher.log;
    return steps;
}

InstallRun::InstallRun(SerialPortMonitor &monitor, InstallSteps steps,
                       std::function<CoilexVariant()> chosenVariant, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_steps(std::move(steps))
    , m_chosenVariant(std::move(chosenVariant))
{
    connect(&m_monitor, &SerialPortMonitor::detectionFinished, this,
            &InstallRun::forgetRunIfAnotherBoard);
}

InstallRun::~InstallRun()
{
    if (m_estimate)
        m_estimate->cancel();
}

void InstallRun::stopStartingNew()
{
    m_stoppedStartingNew = true;
    m_monitor.setDetectionHeld(true);
}

void InstallRun::forgetRunIfAnotherBoard()
{
    // A board is known by its MAC address: another one, or none, on the run's port is not the
    // board the run wrote to.
    const BoardDetection &found = m_monitor.lastDetection();
    if (m_isInstalling || !m_lastRun || m_monitor.selectedDevice() != m_lastRun->port
        || (found.macAddress && found.macAddress == m_lastRun->macAddress))
        return;
    m_lastRun.reset();
    setStatus(FlashStatus::idle);
}

void InstallRun::setStatus(FlashStatus status)
{
    m_status = status;
    Q_EMIT statusChanged();
}

void InstallRun::setIsFlashing(bool flashing)
{
    m_isFlashing = flashing;
    Q_EMIT isFlashingChanged();
}

void InstallRun::setProgress(double progress)
{
    m_progress = progress;
    Q_EMIT progressChanged();
}

void InstallRun::setIsInstalling(bool installing)
{
    m_isInstalling = installing;
    // No board-info run may open the port while the image and the variant line go to it.
    m_monitor.setDetectionHeld(installing || m_stoppedStartingNew);
    Q_EMIT isInstallingChanged();
}

void InstallRun::refuse(const QString &reason, FlashFailure failure)
{
    m_steps.log(QStringLiteral("install: not started \u2014 ") + reason);
    m_lastRun = InstallRecord{m_monitor.selectedDevice().value_or(QString())};
    m_lastRun->flash.failure = failure;
    m_lastRun->flash.reason = reason;
    setStatus(FlashStatus::flashFailed);
}

void InstallRun::endRun(FlashStatus status, std::optional<double> progress)
{
    // The user chose another port meanwhile: the outcome is not that board's. A port that merely
    // vanished keeps it.
    const std::optional<QString> selected = m_monitor.selectedDevice();
    if (selected && *selected != m_lastRun->port
        && m_monitor.availableDevices().contains(m_lastRun->port)) {
        m_lastRun.reset();
        status = FlashStatus::idle;
    }
    setStatus(status);
    if (progress)
        setProgress(*progress);
    setIsInstalling(false);
}

void InstallRun::start()
{
    m_tasks.start(run());
}

QCoro::Task<> InstallRun::run()
{
    // One run at a time: two runs must never write to the same port.
    if (m_isInstalling || m_stoppedStartingNew)
        co_return;
    const std::optional<QString> port = m_monitor.selectedDevice();
    if (!port) {
        refuse(QStringLiteral("no port selected"));
        co_return;
    }
    const std::optional<BoardType> boardType = m_monitor.detectedBoardType();
    if (!boardType) {
        refuse(QStringLiteral("the board on ") + *port + QStringLiteral(" was not recognised"));
        co_return;
    }
    // Held for the whole run: no other Vexlo program works on the board meanwhile.
    const auto lock = PortLock::tryAcquire(*port);
    if (!lock) {
        refuse(QStringLiteral("another Vexlo program is using ") + *port, FlashFailure::portInUse);
        co_return;
    }
    QPointer<InstallRun> self(this);
    const quint64 run = ++m_run;
    m_lastRun =
        InstallRecord{*port, m_monitor.lastDetection().macAddress, m_monitor.detectedBoardKind()};
    setIsInstalling(true);
    setStatus(FlashStatus::downloading);

    const DownloadResult image = co_await m_steps.download(*boardType);
    if (!self)
        co_return;
    m_lastRun->download = image;
    if (!image.path) {
        m_steps.log(QStringLiteral("install: download failed \u2014 ") + failureLogText(image));
        endRun(FlashStatus::downloadFailed);
        co_return;
    }
    setStatus(FlashStatus::downloaded);
    setProgress(0.0);
    setIsFlashing(true);
    // The run's end wakes it to end, so that a program quitting right after the run leaves no
    // estimate asleep.
    m_estimate = makeCancelToken();
    m_tasks.start(trackFlashProgress(*boardType, run, m_estimate));

    const CoilexVariant variant = m_chosenVariant();
    m_lastRun->variant = variant;
    const FlashOutcome flashed = co_await m_steps.flash(*image.path, *port, variant);
    if (!self)
        co_return;
    m_lastRun->flash = flashed;
    m_estimate->cancel();
    if (!flashed.succeeded())
        m_steps.log(QStringLiteral("install: ")
                    + (flashed.imageWritten ? QStringLiteral("variant") : QStringLiteral("write"))
                    + QStringLiteral(" failed \u2014 ") + failureLogText(flashed));
    setIsFlashing(false);
    endRun(flashed.succeeded() ? FlashStatus::flashed : FlashStatus::flashFailed,
           flashed.succeeded() ? 1.0 : 0.0);
}

QCoro::Task<> InstallRun::trackFlashProgress(BoardType boardType, quint64 run,
                                             CancelTokenPtr cancel)
{
    QPointer<InstallRun> self(this);
    const std::chrono::milliseconds tick = m_steps.progressTick;
    const std::chrono::milliseconds expected = m_steps.expectedFlashDuration(boardType);
    std::chrono::milliseconds elapsed{0};
    while (m_isFlashing && elapsed < expected) {
        co_await sleepFor(tick, cancel);
        // The run has ended, and perhaps a later one begun: this estimate writes no more.
        if (!self || !m_isFlashing || m_run != run)
            co_return;
        setProgress(std::min(double((elapsed + tick).count()) / double(expected.count()), 1.0));
        elapsed += tick;
    }
}

} // namespace vexlo
