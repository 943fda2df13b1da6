#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace vexlo {

namespace {

void askToComeForward(const QString &name)
{
    // The first instance takes the lock before it listens: give it a moment to open the socket.
    const QDeadlineTimer deadline(5000);
    do {
        QLocalSocket first;
        first.connectToServer(name);
        if (first.waitForConnected(1000)) {
            first.write("forward\n");
            first.waitForBytesWritten(1000);
            return;
        }
        QThread::msleep(10);
    } while (!deadline.hasExpired());
}

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_lock(name + QStringLiteral(".lock"))
{
    // Only a lock whose holder has died is stale, however old it is.
    m_lock.setStaleLockTime(0);
    // A lock that cannot be had at all (an unwritable folder) decides nothing: open the window.
    if (!m_lock.tryLock() && m_lock.error() == QLockFile::LockFailedError) {
        m_anotherIsRunning = true;
        askToComeForward(name);
        return;
    }
    // The lock is ours: a socket file left behind belongs to an instance that is gone.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            Q_EMIT comeForwardRequested();
        }
    });
}

} // namespace vexlo
