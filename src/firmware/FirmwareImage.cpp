#include "FirmwareImage.h"

namespace vexlo {

namespace {

// Every image for these boards starts with the magic byte, either at its start or, in a merged
// image, where the ESP32's bootloader sits.
constexpr char imageMagic = char(0xe9);
constexpr qint64 bootloaderOffset = firmwareImageHeadSize - 1;
constexpr qint64 smallestImage = 8 * 1024;

bool magicAt(QByteArrayView head, qint64 offset)
{
    return head.size() > offset && head.at(offset) == imageMagic;
}

} // namespace

QString notAFirmwareImage(QByteArrayView head, qint64 size)
{
    if (size < smallestImage)
        return QStringLiteral("%1 bytes, too short for a firmware image").arg(size);
    if (!magicAt(head, 0) && !magicAt(head, bootloaderOffset))
        return QStringLiteral("no firmware image (no 0xE9 at offset 0 or 0x1000)");
    return {};
}

} // namespace vexlo
