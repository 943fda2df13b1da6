#pragma once

#include "model/BoardKind.h"

#include <QString>

#include <optional>

namespace vexlo {

// Classifies the combined output of "espflash board-info".
DetectedBoardKind classifyBoardInfo(const QString &output);

// The "MAC address" (or "MAC") the output names, in lower case; none when it names none.
std::optional<QString> macAddressFromBoardInfo(const QString &output);

// Cuts a text to its first 900 user-perceived characters for the log, marking the cut.
QString truncatedForLog(const QString &text);

} // namespace vexlo
