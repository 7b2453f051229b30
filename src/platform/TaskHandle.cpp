#include "platform/TaskHandle.h"

#include "platform/MainThread.h"

#include <map>
#include <mutex>

namespace vantorel {

namespace detail {
struct CancelState {
    std::mutex mutex;
    bool cancelled = false;
    std::uint64_t nextToken = 1;
    std::map<std::uint64_t, std::function<void()>> wakers;
};
} // namespace detail

TaskHandle::TaskHandle()
    : state_(std::make_shared<detail::CancelState>()) {}

void TaskHandle::cancel() const {
    std::map<std::uint64_t, std::function<void()>> wakers;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->cancelled)
            return;
        state_->cancelled = true;
        wakers.swap(state_->wakers);
    }
    // Wakers are posted, never run inside cancel(): the caller (often a stop() in the middle of
    // updating its object) must not have the task body run under its feet.
    for (auto& [token, wake] : wakers)
        postToMain(std::move(wake));
}

bool TaskHandle::isCancelled() const {
    std::lock_guard lock(state_->mutex);
    return state_->cancelled;
}

std::uint64_t TaskHandle::addWaker(std::function<void()> wake) const {
    std::unique_lock lock(state_->mutex);
    const auto token = state_->nextToken++;
    if (state_->cancelled) {
        lock.unlock();
        postToMain(std::move(wake));
        return token;
    }
    state_->wakers.emplace(token, std::move(wake));
    return token;
}

void TaskHandle::removeWaker(std::uint64_t token) const {
    std::lock_guard lock(state_->mutex);
    state_->wakers.erase(token);
}

} // namespace vantorel
