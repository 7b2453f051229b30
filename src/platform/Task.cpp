#include "platform/Task.h"

#include <QTimer>

namespace vantorel {

namespace detail {
// Shared by the timer and the cancellation waker; whichever comes first resumes the task, the
// other finds `finished` set and does nothing, so the task is resumed exactly once.
struct SleepState {
    std::coroutine_handle<> awaiting;
    TaskHandle task;
    QTimer* timer = nullptr;
    std::uint64_t wakerToken = 0;
    bool finished = false;

    void finish() {
        if (finished)
            return;
        finished = true;
        task.removeWaker(wakerToken);
        timer->stop();
        timer->deleteLater();
        awaiting.resume();
    }
};
} // namespace detail

Sleep::Sleep(TaskHandle task, std::chrono::nanoseconds duration)
    : task_(std::move(task))
    , duration_(duration) {}

bool Sleep::await_ready() const noexcept {
    return duration_.count() <= 0 || task_.isCancelled();
}

void Sleep::await_suspend(std::coroutine_handle<> awaiting) {
    auto state = std::make_shared<detail::SleepState>();
    state->awaiting = awaiting;
    state->task = task_;
    state->timer = new QTimer();
    state->timer->setSingleShot(true);
    // Probe loops measure their period from the start of one probe to the next; a coarse timer's
    // 5 % slack would show up as uneven sample spacing.
    state->timer->setTimerType(Qt::PreciseTimer);
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration_);
    state->timer->setInterval(ms);
    QObject::connect(state->timer, &QTimer::timeout, [state] { state->finish(); });
    state->wakerToken = task_.addWaker([state] { state->finish(); });
    state->timer->start();
}

} // namespace vantorel
