#pragma once

#include <QString>

#include <functional>

namespace vexlo {

// Receives one complete log line, without its terminating line feed. Every line the program
// logs goes through one of these, so tests can capture the exact lines.
using LogSink = std::function<void(const QString &line)>;

// The program's log: each line and a line feed go to standard output as they happen, without
// ever making the caller wait for a slow reader (see LogWriter), to the log file in
// platform::logDirectory() with a timestamp, and to SessionLog::instance().
LogSink standardOutputLog();

} // namespace vexlo
