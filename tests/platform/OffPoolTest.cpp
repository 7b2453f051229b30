#include "platform/OffPool.h"

#include "platform/MainThread.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>
#include <latch>

using namespace std::chrono_literals;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

TEST(OffPool, RunsTheWorkOffTheMainThreadOnceAndResumesOnTheMainThread) {
    std::atomic<int> runs = 0;
    bool workOnMain = true;
    bool resumedOnMain = false;
    QString result;
    startTask([&](TaskHandle) -> QCoro::Task<> {
        result = co_await offPool([&] {
            ++runs;
            workOnMain = isMainThread();
            return QStringLiteral("looked up");
        });
        resumedOnMain = isMainThread();
    });
    ASSERT_TRUE(spinUntil([&] { return !result.isEmpty(); }));
    EXPECT_EQ(result, "looked up");
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(workOnMain);
    EXPECT_TRUE(resumedOnMain);
}

// A sweep's lookups block for as long as the resolver takes; they must all be able to wait at
// the same time. Each call here only returns once every one of them has started, so a pool
// sized for computing (a thread per core) could never finish them.
TEST(OffPool, ManyBlockingCallsWaitConcurrently) {
    constexpr int kCalls = 254;
    std::latch allStarted(kCalls);
    int finished = 0;
    int timedOut = 0;
    for (int i = 0; i < kCalls; ++i) {
        startTask([&](TaskHandle) -> QCoro::Task<> {
            const bool met = co_await offPool([&] {
                allStarted.count_down();
                const auto deadline = std::chrono::steady_clock::now() + 20s;
                while (!allStarted.try_wait()) {
                    if (std::chrono::steady_clock::now() > deadline)
                        return false;
                    std::this_thread::sleep_for(1ms);
                }
                return true;
            });
            met ? ++finished : ++timedOut;
        });
    }
    ASSERT_TRUE(spinUntil([&] { return finished + timedOut == kCalls; }, 30s));
    EXPECT_EQ(timedOut, 0);
}

} // namespace
} // namespace vantorel
