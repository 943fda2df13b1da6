#pragma once

#include "FirmwareServer.h"
#include "workflow/BoardType.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <optional>

namespace vexlo {

// Fetches the newest image for the board type into the temporary directory, under the image's
// own name, replacing an earlier download. Returns the file's path, or nothing on any failure;
// a failed download leaves the earlier file as it was and no partial file behind.
QCoro::Task<std::optional<QString>> downloadFirmware(BoardType boardType,
                                                     FirmwareServer server = {});

// The image name of the latest download attempt, for the window to show; empty before the first.
QString lastFirmwareFileName();

} // namespace vexlo
