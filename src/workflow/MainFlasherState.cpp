#include "MainFlasherState.h"

#include "firmware/LatestFirmwareVersion.h"

#include <QPointer>

namespace vexlo {

MainFlasherState::MainFlasherState(SerialPortMonitorOptions monitor, InstallSteps steps,
                                   FirmwareServer server, QObject *parent)
    : QObject(parent)
    , m_portMonitor(std::move(monitor))
    , m_install(m_portMonitor, std::move(steps), [this] { return m_coilexVariant; })
    , m_server(std::move(server))
{
    for (const auto signal :
         {&SerialPortMonitor::selectedDeviceChanged, &SerialPortMonitor::detectedBoardKindChanged,
          &SerialPortMonitor::isDetectingBoardChanged})
        connect(&m_portMonitor, signal, this, &MainFlasherState::canInstallChanged);
    connect(&m_install, &InstallRun::statusChanged, this, &MainFlasherState::statusChanged);
    connect(&m_install, &InstallRun::progressChanged, this, &MainFlasherState::progressChanged);
    for (const auto &[from, to] :
         {std::pair{&InstallRun::isFlashingChanged, &MainFlasherState::isFlashingChanged},
          std::pair{&InstallRun::isInstallingChanged, &MainFlasherState::isInstallingChanged}}) {
        connect(&m_install, from, this, to);
        connect(&m_install, from, this, &MainFlasherState::canInstallChanged);
    }
}

MainFlasherState::~MainFlasherState()
{
    if (m_versionPoll)
        m_versionPoll->cancel();
}

QString MainFlasherState::installBlockedReason() const
{
    if (m_install.isFlashing() || m_install.isInstalling())
        return tr("Die Installation läuft.");
    if (m_install.hasStoppedStartingNew())
        return tr("Das Programm wird beendet.");
    if (!m_portMonitor.selectedDevice())
        return tr("Kein Gerät angeschlossen.");
    if (m_portMonitor.isDetectionPending())
        return tr("Das Gerät wird noch geprüft.");
    if (!m_portMonitor.detectedBoardType())
        return tr("Das Gerät wurde nicht erkannt.");
    return {};
}

StepInputs MainFlasherState::stepInputs() const
{
    return {m_portMonitor.selectedDevice(),
            m_portMonitor.availableDevices(),
            m_portMonitor.isDetectionPending(),
            m_portMonitor.lastDetection(),
            m_portMonitor.detectionTimeLimit(),
            m_install.status(),
            m_install.isFlashing(),
            m_install.isInstalling(),
            m_install.lastRun()};
}

bool MainFlasherState::canRetryDetection() const
{
    return m_portMonitor.selectedDevice() && !m_portMonitor.isDetectionPending()
        && !m_install.isInstalling() && !m_install.hasStoppedStartingNew();
}

void MainFlasherState::retryDetection()
{
    if (canRetryDetection())
        m_portMonitor.retryDetection();
}

void MainFlasherState::stopStartingNew()
{
    m_install.stopStartingNew();
    Q_EMIT canInstallChanged();
}

void MainFlasherState::setCoilexVariant(CoilexVariant variant)
{
    m_coilexVariant = variant;
    Q_EMIT coilexVariantChanged();
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
