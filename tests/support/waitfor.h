#pragma once
// Bounded waiting on the event loop: the engine answers asynchronously.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

inline bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}
