#pragma once

#include "FirmwareServer.h"
#include "platform/Async.h"
#include "platform/Log.h"
#include "model/BoardType.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <optional>

namespace vexlo {

// Fetches the newest image for the board type into the image folder, under the image's own name,
// replacing an earlier download. Returns the file's path, or nothing on any failure; a failed
// download leaves the earlier file as it was and no partial file behind. A body that is not a
// firmware image (a web page served with status 200) is a failure, and the log says so.
// Cancelling the token ends the transfer at once and removes what had arrived.
QCoro::Task<std::optional<QString>> downloadFirmware(BoardType boardType,
                                                     FirmwareServer server = {},
                                                     LogSink log = standardOutputLog(),
                                                     CancelTokenPtr cancel = {});

// The image name of the latest download attempt, for the window to show; empty before the first.
QString lastFirmwareFileName();

// Removes what downloads cut off by the end of the process left in the folder.
void removePartialDownloads(const QString &imageDirectory = platform::firmwareDirectory());

} // namespace vexlo
