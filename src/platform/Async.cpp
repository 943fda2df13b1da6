#include "Async.h"

#include <QCoroSignal>
#include <QTimer>

namespace vexlo {

void OneShot::fire()
{
    if (m_fired)
        return;
    m_fired = true;
    Q_EMIT fired();
}

QCoro::Task<> OneShot::wait()
{
    if (!m_fired)
        co_await qCoro(this, &OneShot::fired);
}

void CancelToken::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    Q_EMIT cancelled();
}

QCoro::Task<> sleepFor(std::chrono::milliseconds duration, CancelTokenPtr token)
{
    OneShot woken;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may end up to 5 % late: 25 ms on the pause before the variant line.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &woken, &OneShot::fire);
    if (token) {
        if (token->isCancelled())
            co_return;
        QObject::connect(token.get(), &CancelToken::cancelled, &woken, &OneShot::fire);
    }
    timer.start(duration);
    co_await woken.wait();
}

} // namespace vexlo
