#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <chrono>
#include <functional>

namespace vantorel::test {

// Runs the Qt event loop until `done` holds or `limit` passes; returns whether `done` held.
// Tests wait on conditions rather than fixed sleeps so that they stay fast when things work.
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    for (QDeadlineTimer deadline(limit); !done(); QThread::usleep(500)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Runs the Qt event loop for the given time, for tests that must show that nothing happens.
inline void spinFor(std::chrono::milliseconds duration) {
    spinUntil([] { return false; }, duration);
}

} // namespace vantorel::test
