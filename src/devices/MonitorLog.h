#pragma once

#include "model/BoardKind.h"
#include "platform/Log.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace vexlo {

// What the port monitor writes to the log, each line tagged "[SerialPortMonitor] ". The tests,
// the benchmarks and whoever reads a user's log look for these lines by their exact text.
class MonitorLog
{
public:
    explicit MonitorLog(LogSink sink);

    // Tags the lines of a detection run; a copy of the sink, so it may outlive the monitor.
    LogSink detectionSink() const;

    void listingStopped(std::chrono::milliseconds limit) const;
    void ports(const QStringList &ports) const;
    void selectionChanged(const std::optional<QString> &from,
                          const std::optional<QString> &to) const;
    void scheduling(bool force, const std::optional<QString> &selected,
                    const std::optional<QString> &lastDetected, DetectedBoardKind kind) const;
    void detectionStarting(const QString &port) const;
    void portInUse(const QString &port) const;
    void boardInfoRunning(const QString &port) const;
    void detectionResult(const QString &port, DetectedBoardKind kind) const;
    void detectionOutput(const QString &output) const;

private:
    void write(const QString &message) const;

    LogSink m_sink;
};

} // namespace vexlo
