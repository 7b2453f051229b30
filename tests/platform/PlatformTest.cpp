#include "platform/ChangeCoalescer.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/OffPool.h"
#include "platform/SerialQueue.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <ctime>
#include <gmock/gmock.h>
#include <latch>
#include <malloc.h>
#include <optional>
#include <tuple>

using namespace std::chrono_literals;
using namespace vantorel::test;

namespace vantorel {
namespace {

TEST(Task, RunsOnMainFromTheNextTurnCancelEndsEverySleepNeverInsideCancelAndSleepsLeaveNothing) {
    std::vector<std::string> steps;
    auto handle = startTask([&](TaskHandle task) -> QCoro::Task<> {
        steps.push_back("started");
        co_await sleepFor(task, 30ms);
        steps.push_back("slept");
        co_await sleepFor(task, 1h);
        steps.push_back(task.isCancelled() ? "cancelled" : "woke uncancelled");
        co_await sleepFor(task, 1h); // a cancelled task's sleeps return at once
        steps.push_back(isMainThread() ? "done" : "done off the main thread");
    });
    EXPECT_TRUE(steps.empty()) << "the body never runs inside startTask";
    ASSERT_TRUE(spinUntil([&] { return steps.size() == 2; }));
    const std::clock_t cpu = std::clock(); // an hour's sleep leaves the thread idle meanwhile
    spinFor(400ms);
    EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 10);

    bool sawCancelled = false; // cancelled before it starts, the body still runs and sees it
    startTask([&](TaskHandle task) -> QCoro::Task<> {
        sawCancelled = task.isCancelled();
        co_return;
    }).cancel();
    EXPECT_TRUE(spinUntil([&] { return sawCancelled; }));

    // Monitors sleep between all their probes for days: what one sleep keeps, they all keep. And
    // beside the first task's hour, each of these short sleeps must still wake when it is due.
    const auto before = std::int64_t(mallinfo2().uordblks);
    bool slept = false;
    startTask([&](TaskHandle task) -> QCoro::Task<> {
        for (int n = 0; n < 10'000; ++n)
            co_await sleepFor(task, 1ns);
        slept = true;
    });
    ASSERT_TRUE(spinUntil([&] { return slept; }));
    EXPECT_LT(std::int64_t(mallinfo2().uordblks) - before, 100'000) << "10,000 sleeps kept memory";
    handle.cancel();
    handle.cancel();
    EXPECT_EQ(steps.size(), 2u) << "the body must not run inside cancel()";
    ASSERT_TRUE(spinUntil([&] { return steps.size() == 4; }, 2s));
    EXPECT_EQ(steps, (std::vector<std::string>{"started", "slept", "cancelled", "done"}));
}

// A sweep's lookups block as long as the resolver takes, and must all be able to wait at once. Each
// call here returns only once all have started, so a pool of a thread per core could never finish.
TEST(OffPool, ManyBlockingCallsWaitTogetherOffTheMainThreadAndResumeOnIt) {
    constexpr int kCalls = 254;
    std::latch allStarted(kCalls);
    std::atomic<int> runsOnMain = 0;
    int met = 0, resumedOffMain = 0, ended = 0;
    for (int i = 0; i < kCalls; ++i)
        startTask([&](TaskHandle) -> QCoro::Task<> {
            met += co_await offPool([&] {
                runsOnMain += isMainThread();
                allStarted.count_down();
                for (const auto giveUp = std::chrono::steady_clock::now() + 20s;
                     !allStarted.try_wait(); std::this_thread::sleep_for(1ms))
                    if (std::chrono::steady_clock::now() > giveUp)
                        return false;
                return true;
            });
            resumedOffMain += !isMainThread();
            ++ended;
        });
    ASSERT_TRUE(spinUntil([&] { return ended == kCalls; }, 30s));
    EXPECT_EQ(std::tuple(met, runsOnMain.load(), resumedOffMain), std::tuple(kCalls, 0, 0));
}

TEST(SerialQueue, RunsBlocksInOrderDelayedOnesAfterTheirDelayAndAllBeforeItGoes) {
    std::vector<int> log, expected{1000, 1001, 1002}; // log: on the queue only while it lives
    {
        SerialQueue queue("test");
        queue.asyncAfter(60ms, [&] { log.push_back(1002); });
        queue.asyncAfter(20ms, [&] { log.push_back(1001); });
        queue.async([&] { log.push_back(1000); });
        std::atomic<bool> delayedRan = false;
        queue.asyncAfter(80ms, [&] { delayedRan = true; });
        ASSERT_TRUE(spinUntil([&] { return delayedRan.load(); }));
        for (int i = 0; i < 200; expected.push_back(i++))
            queue.async([&, i] { log.push_back(i); });

        std::atomic<int> repeats = 0;
        const std::int64_t scheduled = monotonicNanos();
        auto repeating = queue.scheduleRepeating(5ms, [&] { ++repeats; });
        ASSERT_TRUE(spinUntil([&] { return repeats >= 3; }));
        repeating.reset();
        queue.sync([] {});
        const int whenDropped = repeats;
        EXPECT_LE(whenDropped, (monotonicNanos() - scheduled) / 5'000'000 + 1) << "one a period";
        spinFor(30ms);
        EXPECT_EQ(repeats, whenDropped) << "dropping its handle stops a repeating timer";
    } // the destructor lets every submitted block run first
    EXPECT_EQ(log, expected);
}

TEST(MainThreadBatch, HoldsBackAThreadsPostsUntilTheOutermostBatchEndsAndKeepsTheirOrder) {
    std::vector<int> delivered; // on the main thread only
    const auto deliver = [&](int i) { postToMain([&, i] { delivered.push_back(i); }); };
    SerialQueue worker("batch");
    std::optional<MainThreadBatch> outer; // made and ended on the worker
    worker.sync([&] {
        outer.emplace();
        deliver(0);
        {
            const MainThreadBatch inner;
            deliver(1);
        }
        deliver(2);
    });
    spinFor(50ms);
    EXPECT_TRUE(delivered.empty()) << "an inner batch handed its posts over";
    worker.sync([&] {
        outer.reset();
        deliver(3);
    });
    ASSERT_TRUE(spinUntil([&] { return delivered.size() == 4; }));
    EXPECT_EQ(delivered, (std::vector<int>{0, 1, 2, 3}));
}

TEST(Clock, BeatsRoundToTheClosestWholePeriodAndLoopsWaitForTheNextOne) {
    const std::tuple<std::int64_t, std::int64_t, std::int64_t> beats[] = {
        {0, 100, 0},     {49, 100, 0},        {50, 100, 100},
        {149, 100, 100}, {1'234, 100, 1'200}, {7'000'000'001, 1'000'000'000, 7'000'000'000}};
    for (const auto& [at, period, nearest] : beats)
        EXPECT_EQ(nearestBeat(at, period), nearest) << at << " / " << period;
    const std::int64_t now = monotonicNanos();
    const double wait = secondsToNextBeat(now, 1.0);
    EXPECT_TRUE(wait >= 0.49 && wait <= 1.5) << wait << ": at least half a period away";
    const std::int64_t beat = nearestBeat(now, 1'000'000'000);
    EXPECT_NEAR(secondsToNextBeat(beat + 300'000'000, 1.0), (beat + 1e9 - now) / 1e9, 0.1)
        << "a round started off the beat waits for the beat, not a whole period";
    EXPECT_EQ(secondsToNextBeat(now - 5'000'000'000, 1.0), 0) << "an overrun round goes at once";
    EXPECT_EQ(secondsToNextBeat(now, 0), 0);
}

TEST(ChangeCoalescer, DeliversEachBurstOnceAtTheEndOfItsOwnWindowAndALaterOneAgain) {
    ChangeCoalescer coalescers[3];
    const std::clock_t cpu = std::clock(); // the windows' waits leave the thread idle
    std::vector<std::int64_t> firedAt[3];
    for (int i = 0; i < 3; ++i)
        coalescers[i].fired = [&, i] { firedAt[i].push_back(monotonicNanos()); };
    for (std::size_t round = 1; round <= 2; ++round) {
        // The third window opens while the first two are still open and ends well after them.
        for (const int i : {0, 1, 2}) {
            spinFor(i == 2 ? 200ms : 20ms);
            for (int n = 0; n < 500; ++n)
                coalescers[i].notify();
            EXPECT_EQ(firedAt[i].size(), round - 1) << "delivery is never synchronous";
        }
        spinFor(2 * ChangeCoalescer::kWindowMs * 1ms);
        EXPECT_THAT(firedAt, testing::Each(testing::SizeIs(round)));
        EXPECT_GE(firedAt[2].back() - firedAt[1].back(), 100'000'000) << "the second waited";
    }
    EXPECT_LT(std::clock() - cpu, CLOCKS_PER_SEC / 3) << "waiting, not polling";
    // Destroyed with its window open, a coalescer leaves nothing to the next one in its place.
    std::optional<ChangeCoalescer> reused(std::in_place);
    reused->notify();
    spinFor(200ms);
    reused.emplace();
    std::int64_t notifiedAt = monotonicNanos(), reusedFiredAt = 0;
    reused->fired = [&] { reusedFiredAt = monotonicNanos(); };
    reused->notify();
    spinFor(2 * ChangeCoalescer::kWindowMs * 1ms);
    EXPECT_GE(reusedFiredAt - notifiedAt, (ChangeCoalescer::kWindowMs - 1) * 1'000'000);
}

} // namespace
} // namespace vantorel
