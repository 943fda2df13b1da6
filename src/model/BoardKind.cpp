#include "BoardKind.h"

namespace vexlo {

QString label(DetectedBoardKind kind)
{
    switch (kind) {
    case DetectedBoardKind::esp32DevKit:
        return QStringLiteral("ESP32 DevKit");
    case DetectedBoardKind::controlBoard:
        return QStringLiteral("Control Board");
    case DetectedBoardKind::unknown:
        break;
    }
    return QStringLiteral("\u2013");
}

} // namespace vexlo
