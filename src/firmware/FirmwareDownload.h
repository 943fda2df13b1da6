#pragma once

#include "FirmwareServer.h"
#include "model/BoardType.h"
#include "platform/Async.h"
#include "platform/Log.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <optional>

namespace vexlo {

// Why a download brought no image.
enum class DownloadFailure {
    none,
    noAnswer,   // no HTTP answer: no connection, no server, or silence past the idle timeout
    httpStatus, // the server answered with a status other than 200
    incomplete, // the body was cut short
    notAnImage, // the body is no firmware image (a web page served with status 200)
    localFile,  // the image could not be stored here
};

struct DownloadResult {
    std::optional<QString> path; // the image, once it arrived whole
    DownloadFailure failure = DownloadFailure::none;
    int httpStatus = 0; // the server's status, when it answered
    QString detail;     // the transport's or the check's own words
};

// Fetches the newest image for the board type into the image folder, under the image's own name,
// replacing an earlier download. Gives the file's path, or why there is none; a failed download
// leaves the earlier file as it was and no partial file behind. A body that is not a firmware
// image (a web page served with status 200) is a failure, and the log says so. Cancelling the
// token ends the transfer at once and removes what had arrived.
QCoro::Task<DownloadResult> downloadFirmware(BoardType boardType, FirmwareServer server = {},
                                             LogSink log = standardOutputLog(),
                                             CancelTokenPtr cancel = {});

// Removes what downloads cut off by the end of the process left in the folder.
void removePartialDownloads(const QString &imageDirectory = platform::firmwareDirectory());

} // namespace vexlo
