#pragma once

#include <QCoro/QCoroTask>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
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

} // namespace vexlo
