#include "FirmwareServer.h"

#include "platform/BuildConfig.h"

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

} // namespace vexlo
