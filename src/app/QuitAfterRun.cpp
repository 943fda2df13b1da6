#include "QuitAfterRun.h"

#include "workflow/MainFlasherState.h"

namespace vexlo {

QuitAfterRun::QuitAfterRun(MainFlasherState &state, LogSink log, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_log(std::move(log))
{
}

void QuitAfterRun::request()
{
    if (m_requested)
        return;
    m_requested = true;
    m_state.stopStartingNew();
    if (!m_state.isInstalling()) {
        Q_EMIT readyToQuit();
        return;
    }
    m_log(QStringLiteral("Vexlo Utility: quitting once the install under way has ended"));
    connect(&m_state, &MainFlasherState::isInstallingChanged, this, [this] {
        if (!m_state.isInstalling())
            Q_EMIT readyToQuit();
    });
}

} // namespace vexlo
