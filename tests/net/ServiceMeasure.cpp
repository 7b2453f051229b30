#include "net/ServiceMeasure.h"

#include "platform/MainThread.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vantorel::test {

std::vector<MeasuredAttempt> measureAll(const std::vector<ServiceProbe>& probes) {
    // Shared with the tasks: one that outlives a failed wait must not write into a dead frame.
    auto attempts = std::make_shared<std::vector<std::optional<MeasuredAttempt>>>(probes.size());
    for (std::size_t i = 0; i < probes.size(); ++i) {
        startTask([attempts, i, probe = probes[i]](TaskHandle) -> QCoro::Task<> {
            QElapsedTimer clock;
            clock.start();
            ServiceResult result = co_await probe.measure();
            EXPECT_TRUE(isMainThread()) << "the attempt resumed its task off the main thread";
            (*attempts)[i] = {std::move(result), std::chrono::milliseconds(clock.elapsed())};
        });
    }
    EXPECT_TRUE(spinUntil(
        [&] { return std::ranges::all_of(*attempts, [](const auto& a) { return a.has_value(); }); },
        std::chrono::seconds(10)))
        << "an attempt did not complete";
    std::vector<MeasuredAttempt> measured;
    for (const auto& attempt : *attempts)
        measured.push_back(attempt.value_or(MeasuredAttempt{}));
    return measured;
}

} // namespace vantorel::test
