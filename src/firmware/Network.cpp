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

QCoro::Task<SmallGetResult> getSmallFile(QUrl url, std::chrono::milliseconds timeout, qint64 limit,
                                         CancelTokenPtr cancel)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    ReplyHandle reply(sharedNetworkAccess().get(request));
    QNetworkReply *const rawReply = reply.get();
    if (cancel)
        QObject::connect(cancel.get(), &CancelToken::cancelled, rawReply, &QNetworkReply::abort);
    rawReply->setReadBufferSize(limit);
    std::optional<QByteArray> body = QByteArray();
    const auto take = [rawReply, limit, &body] {
        if (!body)
            return;
        *body += rawReply->readAll();
        if (body->size() > limit) {
            body.reset();
            rawReply->abort();
        }
    };
    QObject::connect(rawReply, &QNetworkReply::readyRead, rawReply, take);
    co_await finished(rawReply);
    take();
    co_return SmallGetResult{httpStatus(*rawReply), rawReply->error(), rawReply->errorString(),
                             std::move(body)};
}

} // namespace vexlo
