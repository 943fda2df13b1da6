#pragma once

#include <QObject>

#include <QCoro/QCoroTask>

#include <chrono>
#include <map>
#include <memory>

namespace vexlo {

// Emits fired() at most once. Awaiting a signal that may be emitted twice before the awaiting
// coroutine resumes is unsafe with QCoro's queued signal awaiter, so every wait that ends on one
// of several events goes through one of these.
class OneShot : public QObject
{
    Q_OBJECT
public:
    void fire();
    // Suspends until fire() has been called; returns at once if it already has.
    QCoro::Task<> wait();

Q_SIGNALS:
    void fired();

private:
    bool m_fired = false;
};

// Cooperative cancellation of one task: the task tests it where it may stop, and its waits end
// early once it is set. Nothing is ever killed through it.
class CancelToken : public QObject
{
    Q_OBJECT
public:
    bool isCancelled() const { return m_cancelled; }
    void cancel();

Q_SIGNALS:
    void cancelled();

private:
    bool m_cancelled = false;
};

using CancelTokenPtr = std::shared_ptr<CancelToken>;

inline CancelTokenPtr makeCancelToken()
{
    return std::make_shared<CancelToken>();
}

// Holds the coroutines that an object starts until each has ended, so that none runs detached.
// Its token is cancelled when the owner goes: the tasks that watch it (and all of them watch their
// own tokens, which their owners cancel in turn) then end at once.
class TaskOwner : public QObject
{
    Q_OBJECT
public:
    TaskOwner();
    ~TaskOwner() override;

    // Keeps the task until it ends.
    void start(QCoro::Task<> task);
    // The token the kept tasks watch.
    CancelTokenPtr token() const { return m_token; }

private:
    QCoro::Task<> keep(QCoro::Task<> task, quint64 id);

    CancelTokenPtr m_token = makeCancelToken();
    std::map<quint64, QCoro::Task<>> m_running;
    quint64 m_next = 0;
    quint64 m_endedAtOnce = 0;
};

// Suspends for the given time on the current thread's event loop; ends early once the token is
// cancelled (a null token never cancels).
QCoro::Task<> sleepFor(std::chrono::milliseconds duration, CancelTokenPtr token = {});

} // namespace vexlo
