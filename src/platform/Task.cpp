#include "platform/Task.h"

#include "platform/Clock.h"

#include <QTimer>
#include <algorithm>
#include <functional>
#include <map>
#include <utility>

namespace vantorel {

namespace {

// One timer behind every sleep of the main thread. Monitors sleep between all their probes; a
// timer object made, started and deleted for each of those sleeps cost more than the sleep's
// reason, the probe. Sleeps due at the same moment wake in one turn.
class SleepClock {
public:
    static SleepClock& instance() {
        // Never destroyed: tasks may still sleep while the process exits.
        static auto* const clock = new SleepClock();
        return *clock;
    }

    // By due time, then by order of arrival.
    using Key = std::pair<std::int64_t, std::uint64_t>;

    // Calls `wake` once `duration` has passed; returns what cancel() takes.
    Key add(std::chrono::nanoseconds duration, std::function<void()> wake) {
        const Key key(monotonicNanos() + duration.count(), ++lastToken_);
        sleepers_.emplace(key, std::move(wake));
        if (sleepers_.begin()->first == key)
            arm();
        return key;
    }

    // Nothing when the sleep has ended already.
    void cancel(const Key& key) { sleepers_.erase(key); }

private:
    SleepClock() {
        timer_.setSingleShot(true);
        // Probe loops measure their period from the start of one probe to the next; a coarse
        // timer's 5 % slack would show up as uneven sample spacing.
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { wakeDue(); });
    }

    void arm() {
        if (sleepers_.empty()) {
            timer_.stop();
            return;
        }
        const std::int64_t wait = sleepers_.begin()->first.first - monotonicNanos();
        // Rounded up: a sleep never ends early.
        timer_.start(int(std::max<std::int64_t>(0, (wait + 999'999) / 1'000'000)));
    }

    // Wakes the due sleepers one at a time, each taken out of the list before it runs: a wake
    // may cancel other sleeps or add new ones, which are due after `now`, so the loop ends. A
    // list of all due wakes would be a large allocation on every beat of 50 monitors, and glibc
    // sweeps all of the main thread's freed small blocks before each one (malloc_consolidate).
    void wakeDue() {
        const std::int64_t now = monotonicNanos();
        while (!sleepers_.empty() && sleepers_.begin()->first.first <= now)
            sleepers_.extract(sleepers_.begin()).mapped()();
        arm();
    }

    QTimer timer_;
    std::uint64_t lastToken_ = 0;
    std::map<Key, std::function<void()>> sleepers_;
};

} // namespace

namespace detail {
// Shared by the clock and the cancellation waker; whichever comes first resumes the task, the
// other finds `finished` set and does nothing, so the task is resumed exactly once.
struct SleepState {
    std::coroutine_handle<> awaiting;
    TaskHandle task;
    SleepClock::Key clockKey;
    std::uint64_t wakerToken = 0;
    bool finished = false;

    void finish() {
        if (finished)
            return;
        finished = true;
        task.removeWaker(wakerToken);
        SleepClock::instance().cancel(clockKey);
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
    state->clockKey = SleepClock::instance().add(duration_, [state] { state->finish(); });
    state->wakerToken = task_.addWaker([state] { state->finish(); });
}

} // namespace vantorel
