#include "Platform.h"

#include "platform/BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QStringList toolSearchPath()
{
#ifdef Q_OS_MACOS
    const QString privateFolder = QStringLiteral("../Resources");
#else
    // Executables have no place under share/; lib/<package>/ is where a package keeps its own.
    const QString privateFolder = QStringLiteral("../lib/vexlo-utility");
#endif
    QStringList folders{
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + privateFolder)};
    // An empty entry would mean the working folder, which nobody means for a flashing tool.
    folders += qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    folders.removeDuplicates();
    return folders;
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
    return QDir::homePath() + QStringLiteral("/Library/Logs/Vexlo Utility");
#else
    // Qt 6.4 has no state location yet; a relative XDG path is to be ignored.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/vexlo-utility");
#endif
}

int nonBlockingWriter(int fd)
{
#ifdef Q_OS_LINUX
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !(S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)))
        return -1;
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);
    return ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
#else
    // /dev/fd/N duplicates the descriptor here, sharing its flags.
    Q_UNUSED(fd);
    return -1;
#endif
}

bool makePrivateDirectory(const QString &path)
{
    if (path.isEmpty() || !QDir().mkpath(path))
        return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace vexlo::platform
