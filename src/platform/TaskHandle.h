#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace vantorel {

namespace detail {
struct CancelState;
}

// The handle of a main-thread task: a shared cancel flag. Cancelling only sets the flag and wakes
// the task's current sleep; the task body notices at its next check and ends by itself.
class TaskHandle {
public:
    TaskHandle();

    void cancel() const;
    bool isCancelled() const;

    // Runs `wake` on the main thread's event loop once the task is cancelled (at once, queued, if
    // it already is). Returns a token for removeWaker. Used by awaitables that must end early.
    std::uint64_t addWaker(std::function<void()> wake) const;
    void removeWaker(std::uint64_t token) const;

    bool operator==(const TaskHandle& other) const { return state_ == other.state_; }

private:
    std::shared_ptr<detail::CancelState> state_;
};

} // namespace vantorel
