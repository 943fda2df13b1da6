#pragma once

#include "platform/Platform.h"

#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

namespace vexlo {

// Where and how the firmware server is reached, and where its images are kept. The defaults are
// the program's own.
struct FirmwareServer {
    QString origin = defaultOrigin();
    QString imageDirectory = platform::firmwareDirectory();
    // An image transfer that brings no byte for this long has failed.
    std::chrono::milliseconds downloadIdleTimeout{60000};
    std::chrono::milliseconds versionTimeout{10000};

    // The address of a file in the server's "/Firmware/" folder; nothing when the origin and
    // the name form no usable URL.
    std::optional<QUrl> firmwareUrl(const QString &fileName) const;

    static QString defaultOrigin();
};

} // namespace vexlo
