#pragma once

#include "platform/Platform.h"

#include <QString>

#include <QCoro/QCoroTask>

#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;

namespace vexlo {

// Where and how the firmware server is reached. The defaults are the program's own.
struct FirmwareServer {
    QString origin = defaultOrigin();
    QString temporaryDirectory = platform::temporaryDirectory();
    // An image transfer that brings no byte for this long has failed.
    std::chrono::milliseconds downloadIdleTimeout{60000};
    std::chrono::milliseconds versionTimeout{10000};

    // The address of a file in the server's "/Firmware/" folder; nothing when the origin and
    // the name form no usable URL.
    std::optional<QUrl> firmwareUrl(const QString &fileName) const;

    static QString defaultOrigin();
};

// The one network access manager of the program, created on first use on the GUI thread.
// TLS certificates are always verified: no code path ignores SSL errors.
QNetworkAccessManager &sharedNetworkAccess();

// Owns a reply; it is deleted through the event loop, with its signals cut off first.
struct DeleteLater {
    void operator()(QObject *object) const;
};
using ReplyHandle = std::unique_ptr<QNetworkReply, DeleteLater>;

// Suspends until the reply has finished; returns at once if it already has.
QCoro::Task<> finished(QNetworkReply *reply);

// The final response's HTTP status; 0 when there was no HTTP response.
int httpStatus(const QNetworkReply &reply);

} // namespace vexlo
