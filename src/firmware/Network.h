#pragma once

#include "platform/Async.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QObject;

namespace vexlo {

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

// What a small GET brought: the final status, the transfer's error, and the body, unless it was
// larger than the limit.
struct SmallGetResult {
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorText;
    std::optional<QByteArray> body;
};

// A GET of a small file (a version, a feed) that never answers from a local cache and ends after
// the timeout; its body is read as it arrives and never held beyond the limit. Cancelling the
// token aborts it.
QCoro::Task<SmallGetResult> getSmallFile(QUrl url, std::chrono::milliseconds timeout, qint64 limit,
                                         CancelTokenPtr cancel = {});

} // namespace vexlo
