#include "MonitorLog.h"

#include "BoardInfo.h"
#include "platform/ChildProcess.h"

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

MonitorLog::MonitorLog(LogSink sink)
    : m_sink(std::move(sink))
{
}

void MonitorLog::write(const QString &message) const
{
    m_sink(tagged(message));
}

LogSink MonitorLog::detectionSink() const
{
    return [sink = m_sink](const QString &line) { sink(tagged(line)); };
}

void MonitorLog::listingStopped(std::chrono::milliseconds limit) const
{
    write(QStringLiteral("port listing did not end within ") + secondsText(limit)
          + QStringLiteral(" and was stopped; ports unchanged"));
}

void MonitorLog::ports(const QStringList &ports) const
{
    write(QStringLiteral("ports=") + quotedList(ports));
}

void MonitorLog::selectionChanged(const std::optional<QString> &from,
                                  const std::optional<QString> &to) const
{
    write(QStringLiteral("selectedDevice changed: ") + orNil(from) + QStringLiteral(" -> ")
          + orNil(to));
}

void MonitorLog::scheduling(bool force, const std::optional<QString> &selected,
                            const std::optional<QString> &lastDetected,
                            DetectedBoardKind kind) const
{
    write(QStringLiteral("scheduleBoardDetectionIfNeeded(force=%1) selected=%2 lastDetected=%3 "
                         "currentKind=%4")
              .arg(force ? QStringLiteral("true") : QStringLiteral("false"), orNil(selected),
                   orNil(lastDetected), label(kind)));
}

void MonitorLog::detectionStarting(const QString &port) const
{
    write(QStringLiteral("starting detection task for port=") + port);
}

void MonitorLog::portInUse(const QString &port) const
{
    write(QStringLiteral("board-info not run: another Vexlo program is using ") + port);
}

void MonitorLog::boardInfoRunning(const QString &port) const
{
    write(QStringLiteral("running espflash board-info for ") + port);
}

void MonitorLog::detectionResult(const QString &port, DetectedBoardKind kind) const
{
    write(QStringLiteral("detection result for ") + port + QStringLiteral(": ") + label(kind));
}

void MonitorLog::detectionOutput(const QString &output) const
{
    write(QStringLiteral("lastDetectionLog:\n") + truncatedForLog(output));
}

} // namespace vexlo
