#pragma once

#include <chrono>
#include <functional>

namespace vantorel::test {

// Runs the Qt event loop until `done` holds or `limit` passes; returns whether `done` held.
// Tests wait on conditions rather than fixed sleeps so that they stay fast when things work.
bool spinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

// Runs the Qt event loop for the given time, for tests that must show that nothing happens.
void spinFor(std::chrono::milliseconds duration);

} // namespace vantorel::test
