#pragma once

#include <QObject>

class QSocketNotifier;

namespace vexlo {

// SIGINT, SIGTERM and SIGHUP as Qt signals on the thread that made this object. The handler only
// writes the signal's number into a socket pair, which is all that is safe inside a handler; the
// event loop reads it and emits. One instance per process.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

Q_SIGNALS:
    // The first signal: end gracefully.
    void shutdownRequested(int signal);
    // Any later one: the user insists.
    void shutdownInsisted(int signal);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
    int m_received = 0;
};

} // namespace vexlo
