#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace vexlo::cli {

// Turns SIGINT, SIGTERM and SIGHUP into a signal on the event loop: the handler only writes a
// byte into a socket pair, whose other end wakes the loop. The default action (dying mid-write)
// is off while the object lives.
class StopSignals : public QObject
{
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

Q_SIGNALS:
    // Once per signal received; the number of the signal.
    void received(int signalNumber);

private:
    void onReadable();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace vexlo::cli
