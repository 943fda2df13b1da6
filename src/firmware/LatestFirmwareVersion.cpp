#include "LatestFirmwareVersion.h"

#include "platform/Http.h"

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

    HttpRequest request{*url, server.versionTimeout};
    request.bodyLimit = largestVersionBody;
    const HttpResult got = co_await HttpClient::instance().get(request, std::move(cancel));
    if (got.error != HttpError::none || got.status < 200 || got.status > 299)
        co_return unknown;
    const QString version = versionFromBody(got.body);
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
