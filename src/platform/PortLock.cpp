#include "PortLock.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace vexlo {

PortLock::PortLock(const QString &lockFile)
    : m_file(lockFile)
{
    // A write may take minutes: the lock is stale only when its owner is gone, never by age.
    m_file.setStaleLockTime(0);
}

QString PortLock::lockFilePath(const QString &devicePath)
{
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    const QString device = canonical.isEmpty() ? devicePath : canonical;
    const QByteArray digest =
        QCryptographicHash::hash(QFile::encodeName(device), QCryptographicHash::Sha1).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
        + QStringLiteral("/vexlo-port-") + QString::fromLatin1(digest) + QStringLiteral(".lock");
}

std::shared_ptr<PortLock> PortLock::tryAcquire(const QString &devicePath)
{
    // A probe cancelled by an unplugging may still be running when the port returns: the port is
    // then ours already, not another program's. The GUI thread is the only user.
    static QHash<QString, std::weak_ptr<PortLock>> held;
    const QString file = lockFilePath(devicePath);
    if (const std::shared_ptr<PortLock> ours = held.value(file).lock())
        return ours;
    auto lock = std::make_shared<PortLock>(file);
    // Only another holder refuses the port. A runtime folder we cannot write to must not stop
    // every install: then the port is used without the lock, as a program without one would.
    if (!lock->m_file.tryLock(0) && lock->m_file.error() == QLockFile::LockFailedError)
        return nullptr;
    held.insert(file, lock);
    return lock;
}

} // namespace vexlo
