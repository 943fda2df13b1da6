#include "FirmwareDownload.h"

#include "FirmwareImage.h"
#include "platform/Http.h"

#include <QDir>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

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
                                                     LogSink log, CancelTokenPtr cancel)
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

    // The worker thread writes the body straight into the file; a body cut short ends the
    // transfer with an error, so only a whole one is looked at.
    HttpRequest request{*url, server.downloadIdleTimeout};
    request.firstAcceptedStatus = request.lastAcceptedStatus = 200;
    request.fileDescriptor = file.handle();
    const HttpResult got = co_await HttpClient::instance().get(request, std::move(cancel));
    if (got.error != HttpError::none)
        co_return std::nullopt;
    const qint64 size = got.bodySize;
    QByteArray head(qMin(size, firmwareImageHeadSize), '\0');
    if (::pread(file.handle(), head.data(), size_t(head.size()), 0) != head.size())
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
