#include "FirmwareServer.h"

#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

#include <QCoroSignal>

namespace vexlo {

QString FirmwareServer::defaultOrigin()
{
    return build::firmwareOrigin();
}

std::optional<QUrl> FirmwareServer::firmwareUrl(const QString &fileName) const
{
    const QUrl url(origin + QStringLiteral("/Firmware/") + fileName, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

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
