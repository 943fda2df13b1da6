#include "Async.h"

#include <QCoroSignal>
#include <QPointer>
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

TaskOwner::TaskOwner() = default;

TaskOwner::~TaskOwner()
{
    // The tasks outlive their Task objects only to finish; cancelled, they do so at once.
    m_token->cancel();
}

void TaskOwner::start(QCoro::Task<> task)
{
    const quint64 id = ++m_next;
    QCoro::Task<> kept = keep(std::move(task), id);
    // A task that ended before it was awaited has nothing left to keep.
    if (m_endedAtOnce == id)
        return;
    m_running.emplace(id, std::move(kept));
}

QCoro::Task<> TaskOwner::keep(QCoro::Task<> task, quint64 id)
{
    QPointer<TaskOwner> self(this);
    co_await task;
    // Dropping its own Task here is safe: QCoro frees a frame that is still running at its end.
    if (!self)
        co_return;
    if (self->m_running.erase(id) == 0)
        self->m_endedAtOnce = id;
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
