#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>

class QObject;
class QThread;
class QTimer;

namespace vantorel {

class RepeatingTimer;

// A labelled worker thread that runs submitted blocks one at a time, in submission order.
// Delayed blocks and repeating timers run on the same thread, in order with the other work.
class SerialQueue {
public:
    explicit SerialQueue(const QString& label);
    // Runs every block submitted before, then stops the thread; delayed blocks and timers that
    // have not fired are dropped. Nothing may be submitted once destruction has begun.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> block);
    // Runs `block` behind everything submitted before and waits for it. Never from the queue.
    void sync(std::function<void()> block);
    void asyncAfter(std::chrono::nanoseconds delay, std::function<void()> block);

    // Fires on the queue at now + interval, then every interval, until the handle is cancelled
    // or destroyed.
    std::unique_ptr<RepeatingTimer> scheduleRepeating(std::chrono::nanoseconds interval,
                                                      std::function<void()> block);

    bool isCurrent() const;
    // An object living on the queue's thread, for Qt objects (notifiers, timers) parented to it.
    QObject* context() const { return context_; }

private:
    QThread* thread_;
    QObject* context_;
};

class RepeatingTimer {
public:
    ~RepeatingTimer();
    void cancel();

private:
    friend class SerialQueue;
    RepeatingTimer(SerialQueue& queue, std::chrono::nanoseconds interval,
                   std::function<void()> block);

    SerialQueue& queue_;
    std::shared_ptr<QTimer*> timer_;
};

} // namespace vantorel
