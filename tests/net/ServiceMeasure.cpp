#include "net/ServiceMeasure.h"

#include "platform/MainThread.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vantorel::test {

std::vector<MeasuredAttempt> measureAll(const std::vector<ServiceProbe>& probes,
                                        std::chrono::milliseconds limit) {
    // Shared with the tasks: one that outlives a failed wait must not write into a dead frame.
    auto attempts = std::make_shared<std::vector<std::optional<MeasuredAttempt>>>(probes.size());
    for (std::size_t i = 0; i < probes.size(); ++i) {
        startTask([attempts, i, probe = probes[i]](TaskHandle) -> QCoro::Task<> {
            QElapsedTimer clock;
            clock.start();
            ServiceResult result = co_await probe.measure();
            (*attempts)[i] = MeasuredAttempt{
                std::move(result), std::chrono::milliseconds(clock.elapsed()), isMainThread()};
        });
    }
    const bool done = spinUntil(
        [&] {
            for (const auto& attempt : *attempts)
                if (!attempt)
                    return false;
            return true;
        },
        limit);
    EXPECT_TRUE(done) << "an attempt did not complete within " << limit.count() << " ms";
    std::vector<MeasuredAttempt> measured;
    for (const auto& attempt : *attempts)
        measured.push_back(attempt.value_or(MeasuredAttempt{}));
    return measured;
}

MeasuredAttempt measure(const ServiceProbe& probe, std::chrono::milliseconds limit) {
    return measureAll({probe}, limit).front();
}

} // namespace vantorel::test
