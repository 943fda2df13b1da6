#include "LatestFirmwareVersion.h"

#include "Network.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>

namespace vexlo {

namespace {

// A version is a few bytes; a larger body is no version file and is not read into memory.
constexpr qint64 largestVersionBody = 64 * 1024;

// The version text of a response body: strict UTF-8, whatever the response declares, trimmed.
QString versionFromBody(const QByteArray &body)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return {};
    return text.trimmed();
}

QCoro::Task<QString> queryLatestVersion(CancelTokenPtr cancel, FirmwareServer server)
{
    const QString unknown = QString::fromLatin1(unknownFirmwareVersion);
    if (cancel && cancel->isCancelled())
        co_return unknown;
    const auto url = server.firmwareUrl(QStringLiteral("latest_board_firmware.txt"));
    if (!url)
        co_return unknown;

    QNetworkRequest request(*url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(static_cast<int>(server.versionTimeout.count()));
    ReplyHandle reply(sharedNetworkAccess().get(request));
    if (cancel)
        QObject::connect(cancel.get(), &CancelToken::cancelled, reply.get(), &QNetworkReply::abort);
    QNetworkReply *const rawReply = reply.get();
    rawReply->setReadBufferSize(largestVersionBody);
    QByteArray body;
    bool tooLarge = false;
    QObject::connect(rawReply, &QNetworkReply::readyRead, rawReply, [&] {
        body += rawReply->readAll();
        if (body.size() > largestVersionBody) {
            tooLarge = true;
            rawReply->abort();
        }
    });
    co_await finished(rawReply);
    body += rawReply->readAll();

    const int status = httpStatus(*reply);
    if (tooLarge || reply->error() != QNetworkReply::NoError || status < 200 || status > 299)
        co_return unknown;
    const QString version = versionFromBody(body);
    co_return version.isEmpty() ? unknown : version;
}

} // namespace

QCoro::Task<> fetchLatestFirmwareVersion(LatestVersionCell cell, CancelTokenPtr cancel,
                                         FirmwareServer server)
{
    const QString version = co_await queryLatestVersion(std::move(cancel), std::move(server));
    cell.setLatestFirmwareVersion(version);
}

QCoro::Task<> pollLatestFirmwareVersion(LatestVersionCell cell, CancelTokenPtr cancel,
                                        FirmwareServer server, std::chrono::milliseconds interval)
{
    for (;;) {
        co_await fetchLatestFirmwareVersion(cell, cancel, server);
        if (!cell.shouldRefreshLatest() || (cancel && cancel->isCancelled()))
            co_return;
        co_await sleepFor(interval, cancel);
    }
}

} // namespace vexlo
