#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace vexlo {

// Keeps the program to one instance per user, so that two never probe or flash the same port.
// The first instance listens on a local socket; a later one tells it to come forward and ends.
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
    QLocalServer *m_server = nullptr;
    bool m_anotherIsRunning = false;
};

} // namespace vexlo
