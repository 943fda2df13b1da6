#include "Network.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

#include <QCoroSignal>

namespace vexlo {

QNetworkAccessManager &sharedNetworkAccess()
{
    // Owned by the application object, so it goes before Qt's own teardown.
    static QPointer<QNetworkAccessManager> shared;
    if (!shared)
        shared = new QNetworkAccessManager(QCoreApplication::instance());
    return *shared;
}

void DeleteLater::operator()(QObject *object) const
{
    object->disconnect();
    object->deleteLater();
}

QCoro::Task<> finished(QNetworkReply *reply)
{
    if (!reply->isFinished())
        co_await qCoro(reply, &QNetworkReply::finished);
}

int httpStatus(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace vexlo
