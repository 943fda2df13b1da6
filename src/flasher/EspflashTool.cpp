#include "EspflashTool.h"

namespace vexlo::espflash {

std::optional<QString> location(const std::optional<QString> &resourcesDirectory)
{
    if (!resourcesDirectory)
        return std::nullopt;
    return *resourcesDirectory + QStringLiteral("/espflash");
}

QStringList withGlobalOptions(const QStringList &arguments)
{
    return QStringList{QStringLiteral("-S")} + arguments;
}

QStringList writeBinArguments(const QString &port, const QString &imagePath)
{
    return {QStringLiteral("write-bin"),
            QStringLiteral("--baud"),
            QStringLiteral("921600"),
            QStringLiteral("--port"),
            port,
            QStringLiteral("0x0"),
            imagePath};
}

QStringList resetArguments(const QString &port)
{
    return {QStringLiteral("reset"), QStringLiteral("--port"), port};
}

QStringList boardInfoArguments(const QString &port)
{
    return {QStringLiteral("board-info"), QStringLiteral("--port"), port};
}

} // namespace vexlo::espflash
