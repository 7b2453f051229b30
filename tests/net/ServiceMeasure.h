#pragma once

#include "net/ServiceProbe.h"

#include <chrono>
#include <vector>

namespace vantorel::test {

struct MeasuredAttempt {
    ServiceResult result;
    std::chrono::milliseconds took{0};
};

// Runs the attempts side by side from main-thread tasks, as the monitors do, and spins the event
// loop until all complete; a test fails if one takes over 10 s or resumes off the main thread.
std::vector<MeasuredAttempt> measureAll(const std::vector<ServiceProbe>& probes);
inline MeasuredAttempt measure(const ServiceProbe& probe) {
    return measureAll({probe}).front();
}

} // namespace vantorel::test
