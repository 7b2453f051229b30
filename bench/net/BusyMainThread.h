#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace vantorel::bench {

// Keeps the calling (main) thread busy for 8 ms of every 10 ms, as a heavy GUI frame load would,
// so that a time stamped on the main thread would show the delay.
inline void keepMainThreadBusy(QTimer& timer) {
    QObject::connect(&timer, &QTimer::timeout, [] {
        QElapsedTimer busy;
        busy.start();
        while (busy.nsecsElapsed() < 8'000'000) {
        }
    });
    timer.start(10);
}

} // namespace vantorel::bench
