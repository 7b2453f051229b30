#pragma once

#include "net/ServiceProbe.h"

#include <chrono>
#include <vector>

namespace vantorel::test {

struct MeasuredAttempt {
    ServiceResult result;
    std::chrono::milliseconds took{0};
    bool resumedOnMainThread = false;
};

// Runs the attempts side by side from main-thread tasks, as the monitors do, and spins the event
// loop until all have completed (a test failure if one has not within `limit`).
std::vector<MeasuredAttempt> measureAll(const std::vector<ServiceProbe>& probes,
                                        std::chrono::milliseconds limit = std::chrono::seconds(10));

MeasuredAttempt measure(const ServiceProbe& probe,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));

} // namespace vantorel::test
