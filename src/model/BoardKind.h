#pragma once

#include <QString>

namespace vexlo {

// The kind of board that a detection found on a port.
enum class DetectedBoardKind { unknown, esp32DevKit, controlBoard };

// The kind's text in log lines; "–" for unknown.
QString label(DetectedBoardKind kind);

} // namespace vexlo
