#include "BoardType.h"

namespace vexlo {

QString imageFileName(BoardType type)
{
    return type == BoardType::esp32 ? QStringLiteral("ESP32-WROOM-32_latest.bin")
                                    : QStringLiteral("ControlBoard_V4_latest.bin");
}

std::chrono::milliseconds expectedFlashDuration(BoardType type)
{
    return type == BoardType::esp32 ? std::chrono::milliseconds(26000)
                                    : std::chrono::milliseconds(14500);
}

std::optional<BoardType> boardTypeFor(DetectedBoardKind kind)
{
    if (kind == DetectedBoardKind::unknown)
        return std::nullopt;
    return kind == DetectedBoardKind::esp32DevKit ? BoardType::esp32 : BoardType::control;
}

} // namespace vexlo
