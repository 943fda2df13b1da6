#include "SerialPortMonitor.h"

#include "BoardInfo.h"
#include "PortListing.h"
#include "platform/ChildProcess.h"
#include "platform/PortLock.h"

#include <QPointer>

namespace vexlo {

namespace {

QString orNil(const std::optional<QString> &value)
{
    return value ? *value : QStringLiteral("nil");
}

QString quotedList(const QStringList &items)
{
    QStringList quoted;
    for (QString item : items) {
        item.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        item.replace(QLatin1Char('"'), QLatin1String("\\\""));
        quoted << QLatin1Char('"') + item + QLatin1Char('"');
    }
    return QLatin1Char('[') + quoted.join(QLatin1String(", ")) + QLatin1Char(']');
}

QString tagged(const QString &message)
{
    return QStringLiteral("[SerialPortMonitor] ") + message;
}

} // namespace

SerialPortMonitor::SerialPortMonitor(SerialPortMonitorOptions options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
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

void SerialPortMonitor::log(const QString &message) const
{
    m_options.log(tagged(message));
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

void SerialPortMonitor::setLastDetectionLog(const QString &log)
{
    m_lastDetectionLog = log;
    Q_EMIT lastDetectionLogChanged();
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
        log(QStringLiteral("port listing did not end within ") + secondsText(limit)
            + QStringLiteral(" and was stopped; ports unchanged"));
        co_return;
    }
    applyListing(*ports);
}

void SerialPortMonitor::applyListing(const QStringList &ports)
{
    setAvailableDevices(ports);
    log(QStringLiteral("ports=") + quotedList(ports));

    if (!m_selectedDevice || !ports.contains(*m_selectedDevice)) {
        const std::optional<QString> old = m_selectedDevice;
        setSelectedDevice(ports.isEmpty() ? std::nullopt : std::optional<QString>(ports.first()));
        log(QStringLiteral("selectedDevice changed: ") + orNil(old) + QStringLiteral(" -> ")
            + orNil(m_selectedDevice));
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
    log(QStringLiteral("scheduleBoardDetectionIfNeeded(force=%1) selected=%2 lastDetected=%3 "
                       "currentKind=%4")
            .arg(force ? QStringLiteral("true") : QStringLiteral("false"), orNil(m_selectedDevice),
                 orNil(m_lastDetectedPort), label(m_detectedBoardKind)));

    if (!m_selectedDevice || m_selectedDevice->isEmpty()) {
        setDetectedBoardKind(DetectedBoardKind::unknown);
        setLastDetectionLog(QString());
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
    setLastDetectionLog(QString());
    m_lastDetection = {};
    log(QStringLiteral("starting detection task for port=") + port);
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
        log(QStringLiteral("board-info not run: another Vexlo program is using ") + port);
        BoardDetection busy;
        busy.failure = DetectionFailure::portInUse;
        busy.output = QStringLiteral("another Vexlo program is using ") + port;
        applyDetectionResult(port, busy);
        co_return;
    }
    log(QStringLiteral("running espflash board-info for ") + port);
    // The run may outlast the monitor: its log sink is a copy.
    const LogSink sink = m_options.log;
    BoardDetectionOptions options{m_options.toolSearchPath, m_options.detectionTimeLimit,
                                  [sink](const QString &line) { sink(tagged(line)); }};
    const BoardDetection detection = co_await detectBoard(port, std::move(options));
    if (!self || cancel->isCancelled())
        co_return;
    applyDetectionResult(port, detection);
}

void SerialPortMonitor::applyDetectionResult(const QString &port, const BoardDetection &detection)
{
    if (m_selectedDevice != port)
        return;
    log(QStringLiteral("detection result for ") + port + QStringLiteral(": ")
        + label(detection.kind));
    m_lastDetection = detection;
    setDetectedBoardKind(detection.kind);
    setLastDetectionLog(detection.output);
    log(QStringLiteral("lastDetectionLog:\n") + truncatedForLog(detection.output));
    setIsDetectingBoard(false);
    Q_EMIT detectionFinished();
}

} // namespace vexlo
