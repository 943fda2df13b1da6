#include "Platform.h"

#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vexlo::platform {

QString listingShell()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("/bin/zsh");
#else
    return QStringLiteral("/bin/sh");
#endif
}

QString portListCommand()
{
    return build::portListCommand();
}

std::optional<QString> resourcesDirectory()
{
#ifdef Q_OS_MACOS
    const QString relative = QStringLiteral("../Resources");
#else
    const QString relative = QStringLiteral("../share/vexlo-utility");
#endif
    const QString dir =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + relative);
    if (!QFileInfo(dir).isDir())
        return std::nullopt;
    return dir;
}

QString temporaryDirectory()
{
    return QDir::tempPath();
}

} // namespace vexlo::platform
