#include "FirmwareDownload.h"

#include "FirmwareImage.h"
#include "Network.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryFile>

#include <cstdio>

namespace vexlo {

namespace {

QString g_lastFirmwareFileName;

const QString partialMarker = QStringLiteral(".partial-");

} // namespace

QString lastFirmwareFileName()
{
    return g_lastFirmwareFileName;
}

void removePartialDownloads(const QString &imageDirectory)
{
    QDir dir(imageDirectory);
    for (const QString &name : dir.entryList({QLatin1Char('*') + partialMarker + QLatin1Char('*')},
                                             QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

QCoro::Task<std::optional<QString>> downloadFirmware(BoardType boardType, FirmwareServer server,
                                                     LogSink log)
{
    const QString name = imageFileName(boardType);
    g_lastFirmwareFileName = name;

    const auto url = server.firmwareUrl(name);
    if (!url)
        co_return std::nullopt;
    if (!platform::makePrivateDirectory(server.imageDirectory)) {
        log(QStringLiteral("firmware: Cannot use the folder ") + server.imageDirectory);
        co_return std::nullopt;
    }

    // The body goes to a fresh file of our own beside the destination; it replaces the earlier
    // image only once the whole image is there. rename(2) replaces whatever has the image's name,
    // a planted link included, instead of writing through it.
    const QString destination = QDir(server.imageDirectory).filePath(name);
    QTemporaryFile file(destination + partialMarker + QStringLiteral("XXXXXX"));
    if (!file.open())
        co_return std::nullopt;

    QNetworkRequest request(*url);
    request.setTransferTimeout(static_cast<int>(server.downloadIdleTimeout.count()));
    ReplyHandle reply(sharedNetworkAccess().get(request));
    // No bound on the reply's buffer: with one, Qt 6.4 takes a body cut short for a whole one,
    // or notices it only at the idle timeout. Memory stays small all the same while this thread
    // keeps up, since every chunk goes to the file as it arrives.
    reply->setReadBufferSize(0);

    QNetworkReply *const rawReply = reply.get();
    QByteArray head;
    qint64 size = 0;
    QObject::connect(rawReply, &QNetworkReply::readyRead, rawReply, [&] {
        const QByteArray chunk = rawReply->readAll();
        // Only the final 200 response's body is the image.
        if (httpStatus(*rawReply) != 200)
            return;
        if (head.size() < firmwareImageHeadSize)
            head += chunk.left(firmwareImageHeadSize - head.size());
        size += chunk.size();
        if (file.write(chunk) != chunk.size())
            rawReply->abort();
    });
    co_await finished(rawReply);

    if (reply->error() != QNetworkReply::NoError || httpStatus(*reply) != 200)
        co_return std::nullopt;
    // A body shorter than announced is cut, whatever the reply says.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && !reply->hasRawHeader("Content-Encoding")
        && announced.toLongLong() != size)
        co_return std::nullopt;
    if (const QString reason = notAFirmwareImage(head, size); !reason.isEmpty()) {
        log(QStringLiteral("firmware: ") + url->toString() + QStringLiteral(" is not used \u2014 ")
            + reason);
        co_return std::nullopt;
    }
    file.close();
    if (file.error() != QFileDevice::NoError
        || std::rename(QFile::encodeName(file.fileName()).constData(),
                       QFile::encodeName(destination).constData())
            != 0)
        co_return std::nullopt;
    file.setAutoRemove(false);
    co_return destination;
}

} // namespace vexlo
