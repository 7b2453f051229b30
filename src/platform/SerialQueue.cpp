#include "platform/SerialQueue.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

namespace vantorel {

namespace {
std::chrono::milliseconds roundedUp(std::chrono::nanoseconds delay) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(delay));
}
} // namespace

SerialQueue::SerialQueue(const QString& label)
    : thread_(new QThread())
    , context_(new QObject()) {
    thread_->setObjectName(label);
    context_->moveToThread(thread_);
    thread_->start();
}

SerialQueue::~SerialQueue() {
    // Queued behind everything already submitted, so those blocks still run. The context is
    // deleted on its own thread, which also drops its pending timers.
    QMetaObject::invokeMethod(
        context_,
        [context = context_, thread = thread_] {
            delete context;
            thread->quit();
        },
        Qt::QueuedConnection);
    thread_->wait();
    delete thread_;
}

void SerialQueue::async(std::function<void()> block) {
    QMetaObject::invokeMethod(context_, std::move(block), Qt::QueuedConnection);
}

void SerialQueue::sync(std::function<void()> block) {
    QMetaObject::invokeMethod(context_, std::move(block), Qt::BlockingQueuedConnection);
}

void SerialQueue::asyncAfter(std::chrono::nanoseconds delay, std::function<void()> block) {
    async([context = context_, delay, block = std::move(block)]() mutable {
        QTimer::singleShot(roundedUp(delay), Qt::PreciseTimer, context, std::move(block));
    });
}

std::unique_ptr<RepeatingTimer> SerialQueue::scheduleRepeating(std::chrono::nanoseconds interval,
                                                               std::function<void()> block) {
    return std::unique_ptr<RepeatingTimer>(new RepeatingTimer(*this, interval, std::move(block)));
}

bool SerialQueue::isCurrent() const {
    return QThread::currentThread() == thread_;
}

RepeatingTimer::RepeatingTimer(SerialQueue& queue, std::chrono::nanoseconds interval,
                               std::function<void()> block)
    : queue_(queue)
    , timer_(std::make_shared<QTimer*>(nullptr)) {
    queue_.async(
        [slot = timer_, context = queue_.context(), interval, block = std::move(block)]() mutable {
            auto* timer = new QTimer(context);
            timer->setTimerType(Qt::PreciseTimer);
            timer->setInterval(roundedUp(interval));
            QObject::connect(timer, &QTimer::timeout, std::move(block));
            timer->start();
            *slot = timer;
        });
}

RepeatingTimer::~RepeatingTimer() {
    cancel();
}

void RepeatingTimer::cancel() {
    if (!timer_)
        return;
    // The slot is only touched on the queue, where the creating block has already run.
    queue_.async([slot = timer_] {
        delete *slot;
        *slot = nullptr;
    });
    timer_.reset();
}

} // namespace vantorel
