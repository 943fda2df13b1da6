#include "SerialPortMonitor.h"

#include "PortListing.h"
#include "platform/PortLock.h"

#include <QPointer>

namespace vexlo {

SerialPortMonitor::SerialPortMonitor(SerialPortMonitorOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_log(m_options.log)
{
    connect(&m_timer, &QTimer::timeout, this, &SerialPortMonitor::onPollTimer);
    m_timer.start(m_options.pollInterval);
}

SerialPortMonitor::~SerialPortMonitor()
{
    // Lets a pending detection wake up and end instead of waiting out its delay.
    if (m_detectTask)
        m_detectTask->cancel();
}

bool SerialPortMonitor::isDetectionPending() const
{
    return m_isDetectingBoard || m_lastDetectedPort != m_selectedDevice;
}

std::optional<BoardType> SerialPortMonitor::detectedBoardType() const
{
    if (isDetectionPending())
        return std::nullopt;
    return boardTypeFor(m_detectedBoardKind);
}

void SerialPortMonitor::setSelectedDevice(const std::optional<QString> &device)
{
    m_selectedDevice = device;
    Q_EMIT selectedDeviceChanged();
}

void SerialPortMonitor::setAvailableDevices(const QStringList &devices)
{
    m_availableDevices = devices;
    Q_EMIT availableDevicesChanged();
}

void SerialPortMonitor::setDetectedBoardKind(DetectedBoardKind kind)
{
    m_detectedBoardKind = kind;
    Q_EMIT detectedBoardKindChanged();
}

void SerialPortMonitor::setIsDetectingBoard(bool detecting)
{
    m_isDetectingBoard = detecting;
    Q_EMIT isDetectingBoardChanged();
}

void SerialPortMonitor::onPollTimer()
{
    // One listing at a time: a tick that finds the last one still running is skipped.
    if (m_isListing)
        return;
    m_isListing = true;
    m_tasks.start(refreshPorts());
}

QCoro::Task<> SerialPortMonitor::refreshPorts()
{
    QPointer<SerialPortMonitor> self(this);
    const std::chrono::milliseconds limit = m_options.listingTimeLimit;
    const std::optional<QStringList> ports =
        co_await listSerialPorts(m_options.shell, m_options.listCommand, limit);
    if (!self)
        co_return;
    m_isListing = false;
    if (!ports) {
        m_log.listingStopped(limit);
        co_return;
    }
    applyListing(*ports);
}

void SerialPortMonitor::applyListing(const QStringList &ports)
{
    setAvailableDevices(ports);
    m_log.ports(ports);

    if (!m_selectedDevice || !ports.contains(*m_selectedDevice)) {
        const std::optional<QString> old = m_selectedDevice;
        setSelectedDevice(ports.isEmpty() ? std::nullopt : std::optional<QString>(ports.first()));
        m_log.selectionChanged(old, m_selectedDevice);
    }
    scheduleBoardDetectionIfNeeded(false);
}

void SerialPortMonitor::cancelDetection()
{
    if (m_detectTask)
        m_detectTask->cancel();
    m_detectTask.reset();
}

void SerialPortMonitor::scheduleBoardDetectionIfNeeded(bool force)
{
    m_log.scheduling(force, m_selectedDevice, m_lastDetectedPort, m_detectedBoardKind);

    if (!m_selectedDevice || m_selectedDevice->isEmpty()) {
        setDetectedBoardKind(DetectedBoardKind::unknown);
        setIsDetectingBoard(false);
        m_lastDetectedPort.reset();
        m_lastDetection = {};
        cancelDetection();
        return;
    }

    const QString port = *m_selectedDevice;
    if (!force && m_lastDetectedPort == port) {
        if (m_detectedBoardKind != DetectedBoardKind::unknown)
            return;
        if (m_isDetectingBoard || m_detectTask)
            return;
    }
    if (m_detectionHeld)
        return;

    m_lastDetectedPort = port;
    cancelDetection();
    setIsDetectingBoard(true);
    setDetectedBoardKind(DetectedBoardKind::unknown);
    m_lastDetection = {};
    m_log.detectionStarting(port);
    m_detectTask = makeCancelToken();
    m_tasks.start(runDetection(port, m_detectTask));
}

QCoro::Task<> SerialPortMonitor::runDetection(QString port, CancelTokenPtr cancel)
{
    QPointer<SerialPortMonitor> self(this);
    co_await sleepFor(m_options.detectionDelay, cancel);
    if (!self || cancel->isCancelled())
        co_return;
    // Held while the tool talks to the board: no other Vexlo program works on it meanwhile.
    const auto lock = PortLock::tryAcquire(port);
    if (!lock) {
        m_log.portInUse(port);
        BoardDetection busy;
        busy.failure = DetectionFailure::portInUse;
        busy.output = QStringLiteral("another Vexlo program is using ") + port;
        applyDetectionResult(port, busy);
        co_return;
    }
    m_log.boardInfoRunning(port);
    BoardDetectionOptions options{m_options.toolSearchPath, m_options.detectionTimeLimit,
                                  m_log.detectionSink()};
    const BoardDetection detection = co_await detectBoard(port, std::move(options));
    if (!self || cancel->isCancelled())
        co_return;
    applyDetectionResult(port, detection);
}

void SerialPortMonitor::applyDetectionResult(const QString &port, const BoardDetection &detection)
{
    if (m_selectedDevice != port)
        return;
    m_log.detectionResult(port, detection.kind);
    m_lastDetection = detection;
    setDetectedBoardKind(detection.kind);
    m_log.detectionOutput(detection.output);
    setIsDetectingBoard(false);
    Q_EMIT detectionFinished();
}

} // namespace vexlo
