#include "MainFlasherState.h"

#include "FailureText.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/LatestFirmwareVersion.h"
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

MainFlasherState::MainFlasherState(SerialPortMonitorOptions monitor, InstallSteps steps,
                                   FirmwareServer server, QObject *parent)
    : QObject(parent)
    , m_portMonitor(std::move(monitor))
    , m_steps(std::move(steps))
    , m_server(std::move(server))
{
    for (const auto signal :
         {&SerialPortMonitor::selectedDeviceChanged, &SerialPortMonitor::detectedBoardKindChanged,
          &SerialPortMonitor::isDetectingBoardChanged})
        connect(&m_portMonitor, signal, this, &MainFlasherState::canInstallChanged);
    connect(&m_portMonitor, &SerialPortMonitor::detectionFinished, this,
            &MainFlasherState::forgetRunIfAnotherBoard);
}

MainFlasherState::~MainFlasherState()
{
    if (m_versionPoll)
        m_versionPoll->cancel();
    if (m_estimate)
        m_estimate->cancel();
}

bool MainFlasherState::isDetecting() const
{
    // Right after the user picks another port, the detection there is still due.
    return m_portMonitor.isDetectingBoard()
        || m_portMonitor.lastDetectedPort() != m_portMonitor.selectedDevice();
}

QString MainFlasherState::installBlockedReason() const
{
    if (m_isFlashing || m_isInstalling)
        return tr("Die Installation läuft.");
    if (m_stoppedStartingNew)
        return tr("Das Programm wird beendet.");
    if (!m_portMonitor.selectedDevice())
        return tr("Kein Gerät angeschlossen.");
    if (isDetecting())
        return tr("Das Gerät wird noch geprüft.");
    if (!detectedBoardType())
        return tr("Das Gerät wurde nicht erkannt.");
    return {};
}

std::optional<BoardType> MainFlasherState::detectedBoardType() const
{
    if (isDetecting())
        return std::nullopt;
    return boardTypeFor(m_portMonitor.detectedBoardKind());
}

StepInputs MainFlasherState::stepInputs() const
{
    return {m_portMonitor.selectedDevice(),
            m_portMonitor.availableDevices(),
            isDetecting(),
            m_portMonitor.lastDetection(),
            m_portMonitor.detectionTimeLimit(),
            m_status,
            m_isFlashing,
            m_isInstalling,
            m_lastRun};
}

bool MainFlasherState::canRetryDetection() const
{
    return m_portMonitor.selectedDevice() && !isDetecting() && !m_isInstalling
        && !m_stoppedStartingNew;
}

void MainFlasherState::retryDetection()
{
    if (canRetryDetection())
        m_portMonitor.retryDetection();
}

void MainFlasherState::stopStartingNew()
{
    m_stoppedStartingNew = true;
    m_portMonitor.setDetectionHeld(true);
    Q_EMIT canInstallChanged();
}

void MainFlasherState::forgetRunIfAnotherBoard()
{
    // A board is known by its MAC address: another one, or none, on the run's port is not the
    // board the run wrote to.
    const BoardDetection &found = m_portMonitor.lastDetection();
    if (m_isInstalling || !m_lastRun || m_portMonitor.selectedDevice() != m_lastRun->port
        || (found.macAddress && found.macAddress == m_lastRun->macAddress))
        return;
    m_lastRun.reset();
    setStatus(FlashStatus::idle);
}

void MainFlasherState::setCoilexVariant(CoilexVariant variant)
{
    m_coilexVariant = variant;
    Q_EMIT coilexVariantChanged();
}

void MainFlasherState::setStatus(FlashStatus status)
{
    m_status = status;
    Q_EMIT statusChanged();
}

void MainFlasherState::setIsFlashing(bool flashing)
{
    m_isFlashing = flashing;
    Q_EMIT isFlashingChanged();
    Q_EMIT canInstallChanged();
}

void MainFlasherState::setProgress(double progress)
{
    m_progress = progress;
    Q_EMIT progressChanged();
}

void MainFlasherState::setIsInstalling(bool installing)
{
    m_isInstalling = installing;
    // No board-info run may open the port while the image and the variant line go to it.
    m_portMonitor.setDetectionHeld(installing || m_stoppedStartingNew);
    Q_EMIT isInstallingChanged();
    Q_EMIT canInstallChanged();
}

void MainFlasherState::refuse(const QString &reason, FlashFailure failure)
{
    m_steps.log(QStringLiteral("install: not started \u2014 ") + reason);
    m_lastRun = InstallRecord{m_portMonitor.selectedDevice().value_or(QString())};
    m_lastRun->flash.failure = failure;
    m_lastRun->flash.reason = reason;
    setStatus(FlashStatus::flashFailed);
}

void MainFlasherState::endRun(FlashStatus status, std::optional<double> progress)
{
    // The user chose another port meanwhile: the outcome is not that board's. A port that merely
    // vanished keeps it.
    const std::optional<QString> selected = m_portMonitor.selectedDevice();
    if (selected && *selected != m_lastRun->port
        && m_portMonitor.availableDevices().contains(m_lastRun->port)) {
        m_lastRun.reset();
        status = FlashStatus::idle;
    }
    setStatus(status);
    if (progress)
        setProgress(*progress);
    setIsInstalling(false);
}

void MainFlasherState::downloadAndInstall()
{
    m_tasks.start(installRun());
}

QCoro::Task<> MainFlasherState::installRun()
{
    // One run at a time: two runs must never write to the same port.
    if (m_isInstalling || m_stoppedStartingNew)
        co_return;
    const std::optional<QString> port = m_portMonitor.selectedDevice();
    if (!port) {
        refuse(QStringLiteral("no port selected"));
        co_return;
    }
    const std::optional<BoardType> boardType = detectedBoardType();
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
    QPointer<MainFlasherState> self(this);
    const quint64 run = ++m_run;
    m_lastRun = InstallRecord{*port, m_portMonitor.lastDetection().macAddress,
                              m_portMonitor.detectedBoardKind()};
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

    // Read only now: a variant chosen while the image downloaded is the one configured.
    const CoilexVariant variant = m_coilexVariant;
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

QCoro::Task<> MainFlasherState::trackFlashProgress(BoardType boardType, quint64 run,
                                                   CancelTokenPtr cancel)
{
    QPointer<MainFlasherState> self(this);
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

void MainFlasherState::windowShown()
{
    if (m_versionPoll)
        m_versionPoll->cancel();
    m_versionPoll = makeCancelToken();
    QPointer<MainFlasherState> self(this);
    LatestVersionCell cell{[self](const QString &version) {
                               if (!self)
                                   return;
                               self->m_latestFirmwareVersion = version;
                               Q_EMIT self->latestFirmwareVersionChanged();
                           },
                           [self] { return self && self->m_shouldRefreshLatest; }};
    m_tasks.start(pollLatestFirmwareVersion(std::move(cell), m_versionPoll, m_server));
}

void MainFlasherState::windowHidden()
{
    m_shouldRefreshLatest = false;
    if (m_versionPoll)
        m_versionPoll->cancel();
}

} // namespace vexlo
