#pragma once

#include <QByteArrayView>
#include <QString>

namespace vexlo {

// How many bytes from the start of a body the image check looks at.
inline constexpr qint64 firmwareImageHeadSize = 0x1001;

// Why a body is not a firmware image, for the log; empty when it may be one. `head` holds the
// body's first bytes (up to firmwareImageHeadSize), `size` is the whole body's length.
QString notAFirmwareImage(QByteArrayView head, qint64 size);

} // namespace vexlo
