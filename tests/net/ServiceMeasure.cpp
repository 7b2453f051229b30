#include "net/ServiceMeasure.h"

#include "platform/MainThread.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

namespace vantorel::test {

std::vector<MeasuredAttempt> measureAll(const std::vector<ServiceProbe>& probes) {
    // Shared with the tasks: one that outlives a failed wait must not write into a dead frame.
    auto attempts = std::make_shared<std::vector<MeasuredAttempt>>(probes.size());
    auto completed = std::make_shared<std::size_t>(0);
    for (std::size_t i = 0; i < probes.size(); ++i)
        startTask([attempts, completed, i, probe = probes[i]](TaskHandle) -> QCoro::Task<> {
            QElapsedTimer clock;
            clock.start();
            ServiceResult result = co_await probe.measure();
            EXPECT_TRUE(isMainThread()) << "the attempt resumed its task off the main thread";
            (*attempts)[i] = {std::move(result), std::chrono::milliseconds(clock.elapsed())};
            ++*completed;
        });
    EXPECT_TRUE(spinUntil([&] { return *completed == probes.size(); }, std::chrono::seconds(10)));
    return *attempts;
}

} // namespace vantorel::test
