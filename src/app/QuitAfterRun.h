#pragma once

#include "platform/Log.h"

#include <QObject>

namespace vexlo {

class MainFlasherState;

// Quitting never cuts a run: once asked (the window closed, a termination signal), nothing new
// starts, and the program is ready to quit as soon as no install runs any more. The run keeps
// its own time limits.
class QuitAfterRun : public QObject
{
    Q_OBJECT
public:
    explicit QuitAfterRun(MainFlasherState &state, LogSink log = standardOutputLog(),
                          QObject *parent = nullptr);

    void request();
    bool isRequested() const { return m_requested; }

Q_SIGNALS:
    // Emitted once, when the program may quit.
    void readyToQuit();

private:
    MainFlasherState &m_state;
    LogSink m_log;
    bool m_requested = false;
};

} // namespace vexlo
