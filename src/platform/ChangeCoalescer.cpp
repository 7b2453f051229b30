#include "platform/ChangeCoalescer.h"

#include "platform/Clock.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

namespace vantorel {

// The one timer behind every coalescer's window.
class WindowClock {
public:
    static WindowClock& instance() {
        // Never destroyed: coalescers may outlive the application object at exit.
        static auto* const clock = new WindowClock();
        return *clock;
    }

    void open(ChangeCoalescer* coalescer) {
        const std::int64_t now = nowMs();
        const std::int64_t due =
            (now + ChangeCoalescer::kWindowMs + ChangeCoalescer::kFrameMs - 1) /
            ChangeCoalescer::kFrameMs * ChangeCoalescer::kFrameMs;
        open_.emplace_back(coalescer, due);
        if (!timer_.isActive() || due < nextDue_)
            schedule(due, now);
    }

    void afterDeliveries(std::function<void()> call) {
        if (delivering_)
            afterDeliveries_.push_back(std::move(call));
        else
            call();
    }

    void forget(ChangeCoalescer* coalescer) {
        std::erase_if(open_, [coalescer](const auto& window) { return window.first == coalescer; });
    }

private:
    WindowClock() {
        timer_.setSingleShot(true);
        // A coarse timer may fire up to 5 % early, which would break the one-per-window rule.
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { closeDueWindows(); });
    }

    static std::int64_t nowMs() { return monotonicNanos() / 1'000'000; }

    void schedule(std::int64_t due, std::int64_t now) {
        nextDue_ = due;
        timer_.start(int(std::max<std::int64_t>(0, due - now)));
    }

    void closeDueWindows() {
        const std::int64_t now = nowMs();
        // The previous round's list, emptied at its end: grown anew every frame for a hundred
        // monitors, it cost a string of allocations, one of them large enough to make the
        // allocator sort through all its freed small blocks.
        std::vector<QPointer<ChangeCoalescer>> closing = std::move(spareClosing_);
        std::erase_if(open_, [&](const auto& window) {
            if (window.second > now)
                return false;
            closing.emplace_back(window.first);
            return true;
        });
        if (!open_.empty()) {
            const auto next = std::min_element(
                open_.begin(), open_.end(), [](auto& a, auto& b) { return a.second < b.second; });
            schedule(next->second, now);
        }
        // A delivery may notify again, opening a new window, or destroy a coalescer still to
        // come, which is then skipped.
        delivering_ = true;
        for (const QPointer<ChangeCoalescer>& coalescer : closing) {
            if (coalescer && std::exchange(coalescer->open_, false) && coalescer->fired)
                coalescer->fired();
        }
        closing.clear();
        spareClosing_ = std::move(closing);
        delivering_ = false;
        for (const auto& call : std::exchange(afterDeliveries_, {}))
            call();
    }

    QTimer timer_;
    std::int64_t nextDue_ = 0;
    std::vector<std::pair<ChangeCoalescer*, std::int64_t>> open_;
    std::vector<QPointer<ChangeCoalescer>> spareClosing_;
    bool delivering_ = false;
    std::vector<std::function<void()>> afterDeliveries_;
};

ChangeCoalescer::ChangeCoalescer(QObject* parent)
    : QObject(parent) {}

ChangeCoalescer::~ChangeCoalescer() {
    if (open_)
        WindowClock::instance().forget(this);
}

void ChangeCoalescer::afterDeliveries(std::function<void()> call) {
    WindowClock::instance().afterDeliveries(std::move(call));
}

void ChangeCoalescer::notify() {
    if (std::exchange(open_, true))
        return;
    WindowClock::instance().open(this);
}

} // namespace vantorel
