#include "FirmwareDownload.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>

namespace vexlo {

namespace {

QString g_lastFirmwareFileName;

} // namespace

QString lastFirmwareFileName()
{
    return g_lastFirmwareFileName;
}

QCoro::Task<std::optional<QString>> downloadFirmware(BoardType boardType, FirmwareServer server)
{
    const QString name = imageFileName(boardType);
    g_lastFirmwareFileName = name;

    const auto url = server.firmwareUrl(name);
    if (!url)
        co_return std::nullopt;

    // The body goes to a fresh file beside the destination as it arrives; it replaces the
    // earlier image only once the whole image is there.
    const QString destination = QDir(server.temporaryDirectory).filePath(name);
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        co_return std::nullopt;

    QNetworkRequest request(*url);
    request.setTransferTimeout(static_cast<int>(server.downloadIdleTimeout.count()));
    ReplyHandle reply(sharedNetworkAccess().get(request));
    // Keeps memory flat: the socket is read only as fast as the file takes the data.
    reply->setReadBufferSize(64 * 1024);

    QNetworkReply *const rawReply = reply.get();
    QObject::connect(rawReply, &QNetworkReply::readyRead, rawReply, [&] {
        const QByteArray chunk = rawReply->readAll();
        // Only the final 200 response's body is the image.
        if (httpStatus(*rawReply) != 200)
            return;
        if (file.write(chunk) != chunk.size())
            rawReply->abort();
    });
    co_await finished(rawReply);

    // A connection closed before the announced length ends in an error too.
    if (reply->error() != QNetworkReply::NoError || httpStatus(*reply) != 200)
        co_return std::nullopt;
    if (!file.commit())
        co_return std::nullopt;
    co_return destination;
}

} // namespace vexlo
