#pragma once

#include <QEventLoop>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>
#include <stdexcept>

// Runs the event loop until the task ends and returns its result. A task that has not ended
// within the bound throws, so a stalled coroutine fails the test instead of hanging it.
template<typename T>
T awaitTask(QCoro::Task<T> &&task, std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    QEventLoop loop;
    std::optional<T> result;
    QCoro::connect(std::move(task), &loop, [&](T &&value) {
        result.emplace(std::move(value));
        loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    if (!result)
        loop.exec();
    if (!result)
        throw std::runtime_error("task did not end in time");
    return std::move(*result);
}

inline void awaitTask(QCoro::Task<> &&task,
                      std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    QEventLoop loop;
    bool done = false;
    QCoro::connect(std::move(task), &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    if (!done)
        loop.exec();
    if (!done)
        throw std::runtime_error("task did not end in time");
}
