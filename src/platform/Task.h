#pragma once

#include "platform/MainThread.h"
#include "platform/TaskHandle.h"

#include <QCoroTask>
#include <chrono>
#include <coroutine>
#include <memory>
#include <utility>

namespace vantorel {

// Starts a main-thread task. `body` is called with the task's handle on the next turn of the main
// event loop (never inside the caller, so the caller can store the handle before the body runs)
// and returns a QCoro::Task<>; the task runs until its body ends. Destroying the returned handle
// does not stop it: only cancel() does, and only at the body's next check.
//
// The body is moved into the coroutine frame so that a lambda's captures live as long as the task.
template <typename Body> TaskHandle startTask(Body body) {
    TaskHandle handle;
    postToMain([body = std::move(body), handle]() mutable {
        [](Body body, TaskHandle handle) -> QCoro::Task<> {
            co_await body(handle);
        }(std::move(body), handle);
    });
    return handle;
}

namespace detail {
struct SleepState;
}

// Awaitable sleep of a main-thread task that ends early, without error, when the task is cancelled.
class Sleep {
public:
    Sleep(TaskHandle task, std::chrono::nanoseconds duration);

    bool await_ready() const noexcept;
    void await_suspend(std::coroutine_handle<> awaiting);
    void await_resume() const noexcept {}

private:
    TaskHandle task_;
    std::chrono::nanoseconds duration_;
};

inline Sleep sleepFor(const TaskHandle& task, std::chrono::nanoseconds duration) {
    return Sleep(task, duration);
}

inline Sleep sleepForSeconds(const TaskHandle& task, double seconds) {
    return Sleep(task, std::chrono::nanoseconds(std::int64_t(seconds * 1e9)));
}

} // namespace vantorel
