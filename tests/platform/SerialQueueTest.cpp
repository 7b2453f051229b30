#include "platform/SerialQueue.h"

#include "support/EventLoop.h"

#include <QThread>
#include <gtest/gtest.h>
#include <mutex>
#include <numeric>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

struct Log {
    std::mutex mutex;
    std::vector<int> entries;
    void add(int v) {
        std::lock_guard lock(mutex);
        entries.push_back(v);
    }
    std::vector<int> snapshot() {
        std::lock_guard lock(mutex);
        return entries;
    }
};

TEST(SerialQueue, RunsBlocksOneAtATimeInOrderOnItsLabelledThread) {
    Log log;
    std::atomic<int> running = 0;
    std::atomic<bool> overlapped = false;
    QString threadName;
    {
        SerialQueue queue("org.vantorel.Vantorel.test");
        for (int i = 0; i < 200; ++i) {
            queue.async([&, i] {
                if (++running > 1)
                    overlapped = true;
                log.add(i);
                threadName = QThread::currentThread()->objectName();
                --running;
            });
        }
    } // the destructor lets every submitted block run first
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(log.snapshot(), expected);
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(threadName, "org.vantorel.Vantorel.test");
}

TEST(SerialQueue, DelayedBlocksRunAfterTheirDelayInOrderWithOtherWork) {
    Log log;
    SerialQueue queue("delayed");
    queue.asyncAfter(60ms, [&] { log.add(3); });
    queue.asyncAfter(20ms, [&] { log.add(2); });
    queue.async([&] { log.add(1); });
    ASSERT_TRUE(spinUntil([&] { return log.snapshot().size() == 3; }));
    EXPECT_EQ(log.snapshot(), (std::vector<int>{1, 2, 3}));
}

TEST(SerialQueue, RepeatingTimerFiresUntilCancelledAndDroppedTimersNeverFire) {
    SerialQueue queue("timers");
    std::atomic<int> fired = 0;
    bool firedOnQueue = true;
    auto timer = queue.scheduleRepeating(10ms, [&] {
        firedOnQueue = firedOnQueue && queue.isCurrent();
        ++fired;
    });
    ASSERT_TRUE(spinUntil([&] { return fired >= 3; }));
    timer->cancel();
    std::atomic<bool> barrier = false;
    queue.async([&] { barrier = true; });
    ASSERT_TRUE(spinUntil([&] { return barrier.load(); }));
    const int afterCancel = fired;
    spinFor(60ms);
    EXPECT_EQ(fired, afterCancel);
    EXPECT_TRUE(firedOnQueue);

    std::atomic<int> droppedFired = 0;
    auto dropped = queue.scheduleRepeating(10ms, [&] { ++droppedFired; });
    dropped.reset();
    spinFor(50ms);
    EXPECT_EQ(droppedFired, 0);
}

} // namespace
} // namespace vantorel
