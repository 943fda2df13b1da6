// The output of "espflash board-info" as the detection reads it.
#include "FuzzCheck.h"
#include "devices/BoardInfo.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString output = QString::fromUtf8(fuzzInput(data, size));
    const vexlo::DetectedBoardKind kind = vexlo::classifyBoardInfo(output);
    FUZZ_CHECK(kind == vexlo::DetectedBoardKind::unknown
               || kind == vexlo::DetectedBoardKind::esp32DevKit
               || kind == vexlo::DetectedBoardKind::controlBoard);
    if (const auto mac = vexlo::macAddressFromBoardInfo(output)) {
        static const QRegularExpression shape(QStringLiteral("^([0-9a-f]{2}:){5}[0-9a-f]{2}$"));
        FUZZ_CHECK(shape.match(*mac).hasMatch());
        FUZZ_CHECK(output.contains(*mac, Qt::CaseInsensitive));
    }
    const QString logged = vexlo::truncatedForLog(output);
    FUZZ_CHECK(logged == output || logged.size() < output.size() + 16);
    return 0;
}
