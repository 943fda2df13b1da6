#include "FirmwareDownload.h"

#include "FirmwareImage.h"
#include "platform/Http.h"

#include <QDir>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace vexlo {

namespace {

const QString partialMarker = QStringLiteral(".partial-");

} // namespace

void removePartialDownloads(const QString &imageDirectory)
{
    QDir dir(imageDirectory);
    for (const QString &name : dir.entryList({QLatin1Char('*') + partialMarker + QLatin1Char('*')},
                                             QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(name);
}

QCoro::Task<DownloadResult> downloadFirmware(BoardType boardType, FirmwareServer server,
                                             LogSink log, CancelTokenPtr cancel)
{
    const auto failed = [](DownloadFailure failure, QString detail, int status = 0) {
        return DownloadResult{std::nullopt, failure, status, std::move(detail)};
    };
    const QString name = imageFileName(boardType);

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

    // The worker thread writes the body straight into the file; a body cut short ends the
    // transfer with an error, so only a whole one is looked at.
    HttpRequest request{*url, server.downloadIdleTimeout};
    request.firstAcceptedStatus = request.lastAcceptedStatus = 200;
    request.fileDescriptor = file.handle();
    const HttpResult got = co_await HttpClient::instance().get(request, std::move(cancel));
    switch (got.error) {
    case HttpError::none:
        break;
    case HttpError::httpStatus:
        co_return failed(DownloadFailure::httpStatus, got.errorText, got.status);
    case HttpError::timeout:
    case HttpError::connectionFailed:
        co_return failed(got.status == 0 ? DownloadFailure::noAnswer : DownloadFailure::incomplete,
                         got.errorText, got.status);
    case HttpError::fileError:
        co_return failed(DownloadFailure::localFile, got.errorText, got.status);
    default:
        co_return failed(DownloadFailure::incomplete, got.errorText, got.status);
    }
    const int status = got.status;
    const qint64 size = got.bodySize;
    QByteArray head(qMin(size, firmwareImageHeadSize), '\0');
    if (::pread(file.handle(), head.data(), size_t(head.size()), 0) != head.size())
        co_return failed(DownloadFailure::localFile, QString::fromLocal8Bit(std::strerror(errno)));
    if (const QString reason = notAFirmwareImage(head, size); !reason.isEmpty()) {
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
