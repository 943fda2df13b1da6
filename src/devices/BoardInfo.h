#pragma once

#include <QString>

namespace vexlo {

enum class DetectedBoardKind { unknown, esp32DevKit, controlBoard };

// The kind's text in log lines; "–" for unknown.
QString label(DetectedBoardKind kind);

// Classifies the combined output of "espflash board-info".
DetectedBoardKind classifyBoardInfo(const QString &output);

// Cuts a text to its first 900 user-perceived characters for the log, marking the cut.
QString truncatedForLog(const QString &text);

} // namespace vexlo
