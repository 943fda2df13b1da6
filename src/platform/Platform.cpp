#include "Platform.h"

#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

QString firmwareDirectory()
{
#ifdef Q_OS_MACOS
    // The per-user temporary folder is private on macOS.
    return QDir::tempPath();
#else
    // The system temporary folder is shared by all users here: another user could plant a name
    // or a link in it.
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
        + QStringLiteral("/firmware");
#endif
}

QString instanceSocketPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
        + QStringLiteral("/vexlo-utility.socket");
}

QString logDirectory()
{
#ifdef Q_OS_MACOS
    return QDir::homePath() + QStringLiteral("/Library/Logs/vexlo-utility");
#else
    // Qt 6.4 knows no state location yet. A relative value is invalid and ignored.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/vexlo-utility");
#endif
}

bool makePrivateDirectory(const QString &path)
{
    if (path.isEmpty() || !QDir().mkpath(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace vexlo::platform
