#pragma once

#include "platform/MainThread.h"

#include <atomic>
#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace vantorel {

// A checked continuation: suspends a main-thread task until a callback, called from any thread,
// hands it a value. The task is resumed exactly once, always on the main thread's event loop;
// later calls of the callback are ignored.
template <typename T> class Continuation {
public:
    using Resume = std::function<void(T)>;

    // `start` is called while the task is suspended and receives the callback to call.
    explicit Continuation(std::function<void(Resume)> start)
        : start_(std::move(start))
        , state_(std::make_shared<State>()) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> awaiting) {
        state_->awaiting = awaiting;
        start_([state = state_](T value) {
            if (state->resumed.exchange(true))
                return;
            state->value.emplace(std::move(value));
            postToMain([state] { state->awaiting.resume(); });
        });
    }

    T await_resume() { return std::move(*state_->value); }

private:
    struct State {
        std::coroutine_handle<> awaiting;
        std::optional<T> value;
        std::atomic<bool> resumed{false};
    };

    std::function<void(Resume)> start_;
    std::shared_ptr<State> state_;
};

} // namespace vantorel
