#include "SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace vexlo {

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
{
    QLocalSocket other;
    other.connectToServer(name);
    if (other.waitForConnected(1000)) {
        m_anotherIsRunning = true;
        other.write("forward\n");
        other.waitForBytesWritten(1000);
        return;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by an instance that was killed answers nobody; it is ours to replace.
    if (!m_server->listen(name)) {
        QLocalServer::removeServer(name);
        m_server->listen(name);
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            Q_EMIT comeForwardRequested();
        }
    });
}

} // namespace vexlo
