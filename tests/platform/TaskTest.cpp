#include "platform/Task.h"

#include "platform/Continuation.h"
#include "platform/MainThread.h"
#include "support/EventLoop.h"

#include <QPointer>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

TEST(Task, BodyStartsOnTheNextTurnOfTheEventLoopAndSleepsOnTheMainThread) {
    std::vector<std::string> steps;
    bool onMainAfterSleep = false;
    auto handle = startTask([&](TaskHandle task) -> QCoro::Task<> {
        steps.push_back("started");
        co_await sleepFor(task, 30ms);
        onMainAfterSleep = isMainThread();
        steps.push_back("woke");
    });
    EXPECT_TRUE(steps.empty()) << "the body never runs inside startTask";
    ASSERT_TRUE(spinUntil([&] { return steps.size() == 2; }));
    EXPECT_TRUE(onMainAfterSleep);
    EXPECT_FALSE(handle.isCancelled());
}

TEST(Task, CancelledBeforeItStartsTheBodyStillRunsAndSeesIt) {
    std::optional<bool> sawCancelled;
    auto handle = startTask([&](TaskHandle task) -> QCoro::Task<> {
        sawCancelled = task.isCancelled();
        co_return;
    });
    handle.cancel();
    ASSERT_TRUE(spinUntil([&] { return sawCancelled.has_value(); }));
    EXPECT_TRUE(*sawCancelled);
}

TEST(Task, CancelEndsALongSleepEarlyButNeverInsideCancel) {
    bool woke = false;
    bool sawCancelled = false;
    auto handle = startTask([&](TaskHandle task) -> QCoro::Task<> {
        co_await sleepFor(task, 1h);
        woke = true;
        sawCancelled = task.isCancelled();
    });
    spinFor(20ms);
    handle.cancel();
    EXPECT_FALSE(woke) << "the body must not run inside cancel()";
    ASSERT_TRUE(spinUntil([&] { return woke; }, 2s));
    EXPECT_TRUE(sawCancelled);
}

TEST(Task, SleepOfACancelledTaskReturnsAtOnceAndRepeatedCancelIsHarmless) {
    int sleepsDone = 0;
    TaskHandle handle = startTask([&](TaskHandle task) -> QCoro::Task<> {
        co_await sleepFor(task, 10ms);
        task.cancel();
        task.cancel();
        for (int i = 0; i < 3; ++i) {
            co_await sleepFor(task, 1h);
            ++sleepsDone;
        }
    });
    ASSERT_TRUE(spinUntil([&] { return sleepsDone == 3; }, 2s));
}

TEST(Task, TaskHoldingItsObjectWeaklyEndsWithoutEffectOnceTheObjectIsGone) {
    auto* object = new QObject();
    object->setObjectName("before");
    bool ended = false;
    startTask([&ended, weak = QPointer<QObject>(object)](TaskHandle task) -> QCoro::Task<> {
        co_await sleepFor(task, 50ms);
        if (auto* strong = weak.data())
            strong->setObjectName("touched after sleep");
        ended = true;
    });
    delete object;
    ASSERT_TRUE(spinUntil([&] { return ended; }));
}

TEST(Continuation, ResumesExactlyOnceOnTheMainThreadWhateverThreadCalls) {
    int resumptions = 0;
    int value = 0;
    bool onMain = false;
    startTask([&](TaskHandle) -> QCoro::Task<> {
        value = co_await Continuation<int>([](Continuation<int>::Resume resume) {
            std::thread([resume] {
                resume(7);
                resume(8);
            }).detach();
            resume(9);
        });
        onMain = isMainThread();
        ++resumptions;
    });
    ASSERT_TRUE(spinUntil([&] { return resumptions > 0; }));
    spinFor(50ms);
    EXPECT_EQ(resumptions, 1);
    EXPECT_TRUE(value == 7 || value == 9);
    EXPECT_TRUE(onMain);
}

} // namespace
} // namespace vantorel
