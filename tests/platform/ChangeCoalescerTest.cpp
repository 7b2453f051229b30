#include "platform/ChangeCoalescer.h"

#include "support/EventLoop.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

TEST(ChangeCoalescer, ABurstIsDeliveredOnceAtTheEndOfItsWindowAndANewBurstAgain) {
    ChangeCoalescer coalescer;
    int deliveries = 0;
    QObject::connect(&coalescer, &ChangeCoalescer::fired, [&] { ++deliveries; });

    for (int i = 0; i < 500; ++i)
        coalescer.notify();
    EXPECT_EQ(deliveries, 0) << "delivery is never synchronous";
    ASSERT_TRUE(spinUntil([&] { return deliveries == 1; }));
    spinFor(2 * ChangeCoalescer::kWindowMs * 1ms);
    EXPECT_EQ(deliveries, 1);

    coalescer.notify();
    ASSERT_TRUE(spinUntil([&] { return deliveries == 2; }));
}

TEST(ChangeCoalescer, SteadyNotificationsAreDeliveredAtMostOncePerWindow) {
    ChangeCoalescer coalescer;
    std::vector<qint64> deliveredAt;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&coalescer, &ChangeCoalescer::fired,
                     [&] { deliveredAt.push_back(clock.elapsed()); });
    while (clock.elapsed() < 1100) {
        coalescer.notify();
        spinFor(5ms);
    }
    ASSERT_GE(deliveredAt.size(), 2u);
    for (std::size_t i = 1; i < deliveredAt.size(); ++i)
        EXPECT_GE(deliveredAt[i] - deliveredAt[i - 1], ChangeCoalescer::kWindowMs - 5);
}

} // namespace
} // namespace vantorel
