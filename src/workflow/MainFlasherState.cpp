#include "MainFlasherState.h"

#include "firmware/FirmwareDownload.h"
#include "firmware/LatestFirmwareVersion.h"
#include "flasher/Flasher.h"

#include <QPointer>

#include <algorithm>

namespace vexlo {

InstallSteps InstallSteps::real(FirmwareServer server, FlasherOptions flasher)
{
    InstallSteps steps;
    steps.download = [server](BoardType type) { return downloadFirmware(type, server); };
    steps.flash = [flasher](QString binPath, QString port, CoilexVariant variant) {
        return vexlo::flash(std::move(binPath), std::move(port), variant, flasher);
    };
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
}

MainFlasherState::~MainFlasherState()
{
    if (m_versionPoll)
        m_versionPoll->cancel();
}

bool MainFlasherState::canInstall() const
{
    return m_portMonitor.selectedDevice() && !m_portMonitor.isDetectingBoard()
        && detectedBoardType() && !m_isFlashing && !m_isInstalling;
}

std::optional<BoardType> MainFlasherState::detectedBoardType() const
{
    // Right after the user picks another port, the kind still describes the previous one.
    if (m_portMonitor.lastDetectedPort() != m_portMonitor.selectedDevice())
        return std::nullopt;
    return boardTypeFor(m_portMonitor.detectedBoardKind());
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
    m_portMonitor.setDetectionHeld(installing);
    Q_EMIT isInstallingChanged();
    Q_EMIT canInstallChanged();
}

QCoro::Task<> MainFlasherState::downloadAndInstall()
{
    // One run at a time: two runs must never write to the same port.
    if (m_isInstalling)
        co_return;
    const std::optional<QString> port = m_portMonitor.selectedDevice();
    if (!port) {
        setStatus(FlashStatus::flashFailed);
        co_return;
    }
    const std::optional<BoardType> boardType = detectedBoardType();
    if (!boardType) {
        setStatus(FlashStatus::flashFailed);
        co_return;
    }
    QPointer<MainFlasherState> self(this);
    const quint64 run = ++m_run;
    setIsInstalling(true);
    setStatus(FlashStatus::downloading);

    const std::optional<QString> image = co_await m_steps.download(*boardType);
    if (!self)
        co_return;
    if (!image) {
        setStatus(FlashStatus::downloadFailed);
        setIsInstalling(false);
        co_return;
    }
    setStatus(FlashStatus::downloaded);
    setProgress(0.0);
    setIsFlashing(true);
    // Not kept: it holds the state only through a QPointer and ends at its next tick after
    // the run.
    trackFlashProgress(*boardType, run);

    // Read only now: a variant chosen while the image downloaded is the one configured.
    const CoilexVariant variant = m_coilexVariant;
    const bool flashed = co_await m_steps.flash(*image, *port, variant);
    if (!self)
        co_return;
    setIsFlashing(false);
    setStatus(flashed ? FlashStatus::flashed : FlashStatus::flashFailed);
    setProgress(flashed ? 1.0 : 0.0);
    setIsInstalling(false);
}

QCoro::Task<> MainFlasherState::trackFlashProgress(BoardType boardType, quint64 run)
{
    QPointer<MainFlasherState> self(this);
    const std::chrono::milliseconds tick = m_steps.progressTick;
    const std::chrono::milliseconds expected = m_steps.expectedFlashDuration(boardType);
    std::chrono::milliseconds elapsed{0};
    while (m_isFlashing && elapsed < expected) {
        co_await sleepFor(tick);
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
    // Not kept: its cell is guarded, and cancelling the token ends it at once.
    pollLatestFirmwareVersion(std::move(cell), m_versionPoll, m_server);
}

void MainFlasherState::windowHidden()
{
    m_shouldRefreshLatest = false;
    if (m_versionPoll)
        m_versionPoll->cancel();
}

} // namespace vexlo
