#include "PortLock.h"

#include <QCryptographicHash>
#include <QFileInfo>
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

std::unique_ptr<PortLock> PortLock::tryAcquire(const QString &devicePath)
{
    auto lock = std::make_unique<PortLock>(lockFilePath(devicePath));
    if (!lock->m_file.tryLock(0))
        return nullptr;
    return lock;
}

} // namespace vexlo
