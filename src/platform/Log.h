#pragma once

#include <QString>

#include <chrono>
#include <functional>

namespace vexlo {

// Receives one complete log line, without its terminating line feed. Every line the program
// logs goes through one of these, so tests can capture the exact lines.
using LogSink = std::function<void(const QString &line)>;

// The program's log: each line and a line feed go to standard output as they happen, without
// ever making the caller wait for a slow reader (see LogWriter), to the log file in
// platform::logDirectory() with a timestamp, and to SessionLog::instance().
LogSink standardOutputLog();

// Waits, at most `limit`, until the program's log has written every line logged so far: for an
// exit that runs no destructors (a second termination signal).
void flushStandardOutputLog(std::chrono::milliseconds limit);

} // namespace vexlo
