#include "LatestFirmwareVersion.h"

#include "VersionBody.h"
#include "platform/Http.h"

namespace vexlo {

namespace {

// A version is a few bytes; a larger body is no version file and is not read into memory.
constexpr qint64 largestVersionBody = 64 * 1024;

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
    co_return parseVersionBody(got.body).value_or(unknown);
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
