#include "monitor/MonitorStats.h"

#include <gtest/gtest.h>
#include <random>

namespace vantorel {
namespace {

std::deque<PingSample> series(std::initializer_list<std::optional<double>> rtts) {
    std::deque<PingSample> samples;
    std::int64_t id = 0;
    for (const auto& rtt : rtts) {
        ++id;
        samples.push_back({id, rtt, 1000.0 + double(id)});
    }
    return samples;
}

TEST(MonitorStats, EmptySeriesHasNothingToMeasure) {
    EXPECT_EQ(computeStats({}), MonitorStats{});
}

TEST(MonitorStats, OnlyLossesGiveFullLossAndTheNewestFailure) {
    const auto stats = computeStats(series({std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(stats.lossPct, 100);
    EXPECT_EQ(stats.lostCount, 3);
    EXPECT_EQ(stats.lastFailure, 1003.0);
    EXPECT_FALSE(stats.avg);
    EXPECT_FALSE(stats.mos);
    EXPECT_FALSE(stats.minRtt);
    EXPECT_FALSE(stats.jitter);
    EXPECT_EQ(stats.p95, 0);
}

TEST(MonitorStats, MixedSeriesWorkedExample) {
    const auto stats = computeStats(series({10, 20, std::nullopt, 40}));
    EXPECT_NEAR(*stats.avg, 23.333333333, 1e-9);
    EXPECT_EQ(stats.minRtt, 10);
    EXPECT_EQ(stats.maxRtt, 40);
    EXPECT_EQ(stats.p95, 20) << "index 1 of 3";
    EXPECT_EQ(stats.jitter, 15) << "losses between answers are skipped";
    EXPECT_EQ(stats.lossPct, 25);
    EXPECT_EQ(stats.lostCount, 1);
    EXPECT_EQ(stats.lastFailure, 1003.0);
    EXPECT_NEAR(*stats.mos, 1.5847, 5e-5);
}

TEST(MonitorStats, SingleAnswerAndPercentileIndex) {
    const auto one = computeStats(series({12.5}));
    EXPECT_EQ(one.avg, 12.5);
    EXPECT_EQ(one.minRtt, 12.5);
    EXPECT_EQ(one.maxRtt, 12.5);
    EXPECT_EQ(one.p95, 12.5);
    EXPECT_FALSE(one.jitter);
    EXPECT_DOUBLE_EQ(*one.mos, meanOpinionScore(12.5, 0, 0));
    EXPECT_FALSE(one.lastFailure) << "no loss left in the series";

    std::deque<PingSample> twenty;
    std::deque<PingSample> hundred;
    for (int i = 100; i >= 1; --i) { // unsorted on purpose
        hundred.push_back({i, double(i), double(i)});
        if (i <= 20)
            twenty.push_back({i, double(i), double(i)});
    }
    EXPECT_EQ(computeStats(twenty).p95, 19) << "the 19th smallest, not the largest";
    EXPECT_EQ(computeStats(hundred).p95, 95);
}

TEST(MonitorStats, MeanOpinionScoreBranchesAndClamps) {
    EXPECT_NEAR(meanOpinionScore(0, 0, 0), 4.4044, 5e-5);
    EXPECT_NEAR(meanOpinionScore(20, 2, 0), 4.3974, 5e-5);
    // Effective latency of exactly 160 takes the second branch, where both meet: r = 89.2.
    const double r = 89.2;
    EXPECT_NEAR(meanOpinionScore(300, 0, 0), 1 + 0.035 * r + (100 - r) * 0.000007 * r * (r - 60),
                1e-12);
    EXPECT_EQ(meanOpinionScore(1, 0, 40), 1);
    EXPECT_EQ(meanOpinionScore(5000, 100, 0), 1);
}

// The selection that replaces the sort must agree with the plain definition on any series.
TEST(MonitorStats, AgreesWithASortedReferenceOnRandomSeries) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> latency(0.1, 400);
    std::bernoulli_distribution lost(0.1);
    std::vector<double> scratch;
    for (int round = 0; round < 50; ++round) {
        std::deque<PingSample> samples;
        const int n = 1 + round * 37;
        for (int i = 0; i < n; ++i)
            samples.push_back(
                {i, lost(random) ? std::nullopt : std::optional(latency(random)), double(i)});
        std::vector<double> sorted;
        for (const auto& s : samples)
            if (s.rtt)
                sorted.push_back(*s.rtt);
        std::sort(sorted.begin(), sorted.end());
        const auto stats = computeStats(samples, scratch);
        if (sorted.empty()) {
            EXPECT_EQ(stats.p95, 0);
            continue;
        }
        EXPECT_EQ(stats.p95, sorted[std::size_t(double(sorted.size() - 1) * 0.95)]);
        EXPECT_EQ(stats.minRtt, sorted.front());
        EXPECT_EQ(stats.maxRtt, sorted.back());
    }
}

} // namespace
} // namespace vantorel
