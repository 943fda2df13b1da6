#pragma once

#include <QString>

#include <chrono>

namespace vexlo {

// The firmware image family of a board.
enum class BoardType { esp32, control };

QString rawValue(BoardType type);
// The image's name on the firmware server and in the temporary directory.
QString imageFileName(BoardType type);
// How long writing the image usually takes; drives the progress estimate.
std::chrono::milliseconds expectedFlashDuration(BoardType type);

} // namespace vexlo
