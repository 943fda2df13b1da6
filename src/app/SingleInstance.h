#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

namespace vexlo {

// Keeps the program to one instance per user, so that two never probe or flash the same port.
// A lock file beside the socket decides who is first, also when two start at the same moment;
// the first listens on a local socket, and a later one uses it only to tell the first to come
// forward before it ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);

    // True when another instance runs; it has then been asked to come forward.
    bool anotherIsRunning() const { return m_anotherIsRunning; }

Q_SIGNALS:
    void comeForwardRequested();

private:
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
    bool m_anotherIsRunning = false;
};

} // namespace vexlo
