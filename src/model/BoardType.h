#pragma once

#include "BoardKind.h"

#include <QString>

#include <chrono>
#include <optional>

namespace vexlo {

// The firmware image family of a board.
enum class BoardType { esp32, control };

// The image's name on the firmware server and in the temporary directory.
QString imageFileName(BoardType type);
// How long writing the image usually takes; drives the progress estimate.
std::chrono::milliseconds expectedFlashDuration(BoardType type);
// The image family of a detected board; none for a board that was not recognised.
std::optional<BoardType> boardTypeFor(DetectedBoardKind kind);

} // namespace vexlo
