#include "records/HopStat.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(HopStatRecord, FirstAnswerReplacesThePlaceholderHost) {
    HopStat hop{.number = 3};
    EXPECT_EQ(hop.host, "*");

    hop.record("198.18.0.1", 4.5);
    EXPECT_EQ(hop.host, "198.18.0.1");
    EXPECT_EQ(hop.last, 4.5);
    EXPECT_EQ(hop.rtts, std::deque<double>{4.5});
}

TEST(HopStatRecord, TimeoutKeepsHostAndHistoryButClearsLast) {
    HopStat hop{.number = 2};
    hop.record("198.18.0.1", 1.0);
    hop.hostname = "router.test";
    hop.record("*", std::nullopt);

    EXPECT_EQ(hop.host, "198.18.0.1");
    EXPECT_EQ(hop.hostname, "router.test");
    EXPECT_FALSE(hop.last.has_value());
    EXPECT_EQ(hop.rtts, std::deque<double>{1.0});

    HopStat silent{.number = 9};
    silent.record("*", std::nullopt);
    EXPECT_EQ(silent.host, "*");
    EXPECT_TRUE(silent.rtts.empty());
}

TEST(HopStatRecord, AnswerFromAnotherNodeStartsAFreshHistory) {
    HopStat hop{.number = 4};
    hop.record("198.18.0.1", 1.0);
    hop.record("198.18.0.1", 2.0);
    hop.hostname = "a.test";

    hop.record("198.18.0.2", 7.0);
    EXPECT_EQ(hop.host, "198.18.0.2");
    EXPECT_FALSE(hop.hostname.has_value());
    EXPECT_EQ(hop.rtts, std::deque<double>{7.0});

    // The same node again keeps what it has.
    hop.hostname = "b.test";
    hop.record("198.18.0.2", 8.0);
    EXPECT_EQ(hop.hostname, "b.test");
    EXPECT_EQ(hop.rtts, (std::deque<double>{7.0, 8.0}));
}

TEST(HopStatRecord, AnswerWithoutRoundTripStillMovesTheHop) {
    HopStat hop{.number = 1};
    hop.record("198.18.0.1", 3.0);
    hop.record("198.18.0.9", std::nullopt);
    EXPECT_EQ(hop.host, "198.18.0.9");
    EXPECT_TRUE(hop.rtts.empty());
    EXPECT_FALSE(hop.last.has_value());
}

TEST(HopStatRecord, HistoryKeepsTheNewest200) {
    HopStat hop{.number = 5};
    for (int i = 1; i <= 200; ++i)
        hop.record("198.18.0.1", i);
    ASSERT_EQ(hop.rtts.size(), 200u);
    EXPECT_EQ(hop.rtts.front(), 1.0);

    hop.record("198.18.0.1", 201);
    ASSERT_EQ(hop.rtts.size(), 200u);
    EXPECT_EQ(hop.rtts.front(), 2.0);
    EXPECT_EQ(hop.rtts.back(), 201.0);
}

} // namespace
} // namespace vantorel
