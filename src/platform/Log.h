#pragma once

#include <QString>

#include <functional>

namespace vexlo {

// Receives one complete log line, without its terminating line feed. Every line the program
// logs goes through one of these, so tests can capture the exact lines.
using LogSink = std::function<void(const QString &line)>;

// Writes each line and a line feed to standard output and flushes at once, so that a reader on a
// pipe sees every line as it happens; the session's log (for the log window) keeps it too.
LogSink standardOutputLog();

} // namespace vexlo
