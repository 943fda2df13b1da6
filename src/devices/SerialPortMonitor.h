#pragma once

#include "BoardDetection.h"
#include "MonitorLog.h"
#include "model/BoardType.h"
#include "platform/Async.h"
#include "platform/Log.h"
#include "platform/Platform.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>

namespace vexlo {

struct SerialPortMonitorOptions {
    std::chrono::milliseconds pollInterval{1000};
    std::chrono::milliseconds detectionDelay{350};
    // A listing takes milliseconds; one that hangs (a stuck device node) is stopped.
    std::chrono::milliseconds listingTimeLimit{5000};
    // board-info is over in seconds; one that hangs must not keep the detection running.
    std::chrono::milliseconds detectionTimeLimit{30000};
    QString shell = platform::listingShell();
    QString listCommand = platform::portListCommand();
    QStringList toolSearchPath = platform::toolSearchPath();
    LogSink log = standardOutputLog();
};

// Lists the USB serial ports once a second, keeps the selection, and detects the kind of board on
// the selected port once per selection. Every published field notifies on every assignment, also
// when the value does not change.
class SerialPortMonitor : public QObject
{
    Q_OBJECT
public:
    explicit SerialPortMonitor(SerialPortMonitorOptions options = {}, QObject *parent = nullptr);
    ~SerialPortMonitor() override;

    std::optional<QString> selectedDevice() const { return m_selectedDevice; }
    QStringList availableDevices() const { return m_availableDevices; }
    DetectedBoardKind detectedBoardKind() const { return m_detectedBoardKind; }
    bool isDetectingBoard() const { return m_isDetectingBoard; }
    // The last finished detection on the selected port: why it found no kind, which board. Empty
    // while a detection runs and while nothing is selected.
    const BoardDetection &lastDetection() const { return m_lastDetection; }
    std::chrono::milliseconds detectionTimeLimit() const { return m_options.detectionTimeLimit; }
    // A detection on the selected port runs, or is due: right after the user picks another
    // port, detectedBoardKind() still describes the last one until the next refresh.
    bool isDetectionPending() const;
    // The image family of the board on the selected port; none while its detection is pending
    // and for a board that was not recognised.
    std::optional<BoardType> detectedBoardType() const;

    // The port picker's way to choose a device.
    void setSelectedDevice(const std::optional<QString> &device);

    // The user's "check again": detects the board on the selected port once more. Nothing
    // happens while the detection is held.
    void retryDetection() { scheduleBoardDetectionIfNeeded(true); }

    // While held, no detection starts (an install run owns the port); ports are still listed,
    // and a detection that fell due starts at the first refresh after the hold ends.
    void setDetectionHeld(bool held) { m_detectionHeld = held; }

Q_SIGNALS:
    void selectedDeviceChanged();
    void availableDevicesChanged();
    void detectedBoardKindChanged();
    void isDetectingBoardChanged();
    // A detection's result was applied to the selected port.
    void detectionFinished();

private:
    void onPollTimer();
    QCoro::Task<> refreshPorts();
    void applyListing(const QStringList &ports);
    void scheduleBoardDetectionIfNeeded(bool force);
    QCoro::Task<> runDetection(QString port, CancelTokenPtr cancel);
    void applyDetectionResult(const QString &port, const BoardDetection &detection);
    void cancelDetection();

    void setAvailableDevices(const QStringList &devices);
    void setDetectedBoardKind(DetectedBoardKind kind);
    void setIsDetectingBoard(bool detecting);

    SerialPortMonitorOptions m_options;
    MonitorLog m_log;
    std::optional<QString> m_selectedDevice;
    QStringList m_availableDevices;
    DetectedBoardKind m_detectedBoardKind = DetectedBoardKind::unknown;
    bool m_isDetectingBoard = false;
    BoardDetection m_lastDetection;
    QTimer m_timer;
    bool m_isListing = false;
    bool m_detectionHeld = false;
    // Handle of the last started detection; kept after it finishes, which stops a repeat
    // detection on the same port.
    CancelTokenPtr m_detectTask;
    // The listing and the detections; declared last, so the tasks go first.
    TaskOwner m_tasks;
    std::optional<QString> m_lastDetectedPort;
};

} // namespace vexlo
