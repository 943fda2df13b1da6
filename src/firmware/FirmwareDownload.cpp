#include "FirmwareDownload.h"

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

// Every image for these boards starts with the magic byte, either at its start or, in a merged
// image, where the ESP32's bootloader sits.
constexpr char imageMagic = char(0xe9);
constexpr qint64 bootloaderOffset = 0x1000;
constexpr qint64 smallestImage = 8 * 1024;

// Why a body is not a firmware image; empty when it may be one.
QString notAnImage(const QByteArray &head, qint64 size)
{
    if (size < smallestImage)
        return QStringLiteral("%1 bytes, too short for a firmware image").arg(size);
    if (head.at(0) != imageMagic && head.at(bootloaderOffset) != imageMagic)
        return QStringLiteral("no firmware image (no 0xE9 at offset 0 or 0x1000)");
    return {};
}

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

QCoro::Task<DownloadResult> downloadFirmware(BoardType boardType, FirmwareServer server,
                                             LogSink log)
{
    const auto failed = [](DownloadFailure failure, QString detail, int status = 0) {
        return DownloadResult{std::nullopt, failure, status, std::move(detail)};
    };
    const QString name = imageFileName(boardType);
    g_lastFirmwareFileName = name;

    const auto url = server.firmwareUrl(name);
    if (!url)
        co_return failed(DownloadFailure::noAnswer, QStringLiteral("no firmware address"));
    if (!platform::makePrivateDirectory(server.imageDirectory)) {
        log(QStringLiteral("firmware: Cannot use the folder ") + server.imageDirectory);
        co_return failed(DownloadFailure::localFile, server.imageDirectory);
    }

    // The body goes to a fresh file of our own beside the destination; it replaces the earlier
    // image only once the whole image is there. rename(2) replaces whatever has the image's name,
    // a planted link included, instead of writing through it.
    const QString destination = QDir(server.imageDirectory).filePath(name);
    QTemporaryFile file(destination + partialMarker + QStringLiteral("XXXXXX"));
    if (!file.open())
        co_return failed(DownloadFailure::localFile, file.errorString());

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
        if (head.size() <= bootloaderOffset)
            head += chunk.left(bootloaderOffset + 1 - head.size());
        size += chunk.size();
        if (file.write(chunk) != chunk.size())
            rawReply->abort();
    });
    co_await finished(rawReply);

    const int status = httpStatus(*reply);
    if (status != 0 && status != 200)
        co_return failed(DownloadFailure::httpStatus, reply->errorString(), status);
    if (reply->error() != QNetworkReply::NoError)
        co_return failed(status == 0 ? DownloadFailure::noAnswer : DownloadFailure::incomplete,
                         reply->errorString(), status);
    // A body shorter than announced is cut, whatever the reply says.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && !reply->hasRawHeader("Content-Encoding")
        && announced.toLongLong() != size)
        co_return failed(DownloadFailure::incomplete,
                         QStringLiteral("%1 of %2 bytes").arg(size).arg(announced.toLongLong()),
                         status);
    if (const QString reason = notAnImage(head, size); !reason.isEmpty()) {
        log(QStringLiteral("firmware: ") + url->toString() + QStringLiteral(" is not used \u2014 ")
            + reason);
        co_return failed(DownloadFailure::notAnImage, reason, status);
    }
    file.close();
    if (file.error() != QFileDevice::NoError
        || std::rename(QFile::encodeName(file.fileName()).constData(),
                       QFile::encodeName(destination).constData())
            != 0)
        co_return failed(DownloadFailure::localFile, file.errorString(), status);
    file.setAutoRemove(false);
    co_return DownloadResult{destination, DownloadFailure::none, status, {}};
}

} // namespace vexlo
