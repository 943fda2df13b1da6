#pragma once

#include <QDeadlineTimer>
#include <QTest>

#include <chrono>

// Spins the event loop until the condition holds; false when the bound passes first.
template<typename Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(10))
{
    QDeadlineTimer deadline(bound);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}
