#pragma once

#include <QObject>

class QSocketNotifier;

namespace vexlo {

// Turns the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP) into a Qt signal on the
// thread that created this object. The handler only writes the signal's number into a pipe that
// the event loop reads, so the program decides in ordinary code what to do. One at a time; the
// signals' default actions come back when it goes.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

Q_SIGNALS:
    void requested(int signalNumber);

private:
    void readPending();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vexlo
