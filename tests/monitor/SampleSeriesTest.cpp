#include "monitor/SampleSeries.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace vantorel {
namespace {

MonitorStats statsOf(std::initializer_list<std::optional<double>> rtts) {
    SampleSeries series;
    std::int64_t id = 0;
    for (const auto& rtt : rtts) {
        ++id;
        series.append({id, rtt, 1000.0 + double(id)});
    }
    return series.computeStats();
}

TEST(SampleSeries, EmptySeriesHasNothingToMeasure) {
    EXPECT_EQ(SampleSeries().computeStats(), MonitorStats{});
}

TEST(SampleSeries, OnlyLossesGiveFullLossAndTheNewestFailure) {
    const auto stats = statsOf({std::nullopt, std::nullopt, std::nullopt});
    EXPECT_EQ(stats.lossPct, 100);
    EXPECT_EQ(stats.lostCount, 3);
    EXPECT_EQ(stats.lastFailure, 1003.0);
    EXPECT_FALSE(stats.avg);
    EXPECT_FALSE(stats.mos);
    EXPECT_FALSE(stats.minRtt);
    EXPECT_FALSE(stats.jitter);
    EXPECT_EQ(stats.p95, 0);
}

TEST(SampleSeries, MixedSeriesWorkedExample) {
    const auto stats = statsOf({10, 20, std::nullopt, 40});
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

TEST(SampleSeries, SingleAnswerAndPercentileIndex) {
    const auto one = statsOf({12.5});
    EXPECT_EQ(one.avg, 12.5);
    EXPECT_EQ(one.minRtt, 12.5);
    EXPECT_EQ(one.maxRtt, 12.5);
    EXPECT_EQ(one.p95, 12.5);
    EXPECT_FALSE(one.jitter);
    EXPECT_DOUBLE_EQ(*one.mos, meanOpinionScore(12.5, 0, 0));
    EXPECT_FALSE(one.lastFailure) << "no loss left in the series";

    SampleSeries twenty;
    SampleSeries hundred;
    for (int i = 100; i >= 1; --i) { // unsorted on purpose
        hundred.append({i, double(i), double(i)});
        if (i <= 20)
            twenty.append({i, double(i), double(i)});
    }
    EXPECT_EQ(twenty.computeStats().p95, 19) << "the 19th smallest, not the largest";
    EXPECT_EQ(hundred.computeStats().p95, 95);
}

TEST(MeanOpinionScore, BranchesAndClamps) {
    EXPECT_NEAR(meanOpinionScore(0, 0, 0), 4.4044, 5e-5);
    EXPECT_NEAR(meanOpinionScore(20, 2, 0), 4.3974, 5e-5);
    // Effective latency of exactly 160 takes the second branch, where both meet: r = 89.2.
    const double r = 89.2;
    EXPECT_NEAR(meanOpinionScore(300, 0, 0), 1 + 0.035 * r + (100 - r) * 0.000007 * r * (r - 60),
                1e-12);
    EXPECT_EQ(meanOpinionScore(1, 0, 40), 1);
    EXPECT_EQ(meanOpinionScore(5000, 100, 0), 1);
}

// The sorted times are kept up to date through appends, removals one by one, bulk removals and
// adoption of stored history; they must always agree with a plain recomputation of the series.
TEST(SampleSeries, AgreesWithAPlainRecomputationThroughEveryKindOfChange) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> latency(0.1, 400);
    std::bernoulli_distribution lost(0.1);
    std::uniform_int_distribution<int> small(0, 5);
    auto reference = [](const std::deque<PingSample>& samples) {
        std::vector<double> sorted;
        for (const auto& s : samples)
            if (s.rtt)
                sorted.push_back(*s.rtt);
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    SampleSeries series;
    std::int64_t id = 0;
    auto next = [&] {
        ++id;
        // Whole milliseconds repeat often, so equal times are exercised too.
        const double rtt = std::round(latency(random));
        return PingSample{id, lost(random) ? std::nullopt : std::optional(rtt), double(id)};
    };
    for (int step = 0; step < 3000; ++step) {
        series.append(next());
        if (step % 7 == 0)
            series.dropFront(std::size_t(small(random)));
        if (step == 1500)
            series.dropFront(series.size() - 10); // a bulk removal
        if (step == 2000) {
            std::vector<PingSample> stored;
            for (int i = 0; i < 500; ++i)
                stored.push_back(next());
            series.assign(stored);
        }
        if (step % 97 != 0)
            continue;
        const auto sorted = reference(series.samples());
        const auto stats = series.computeStats();
        if (sorted.empty()) {
            EXPECT_EQ(stats.p95, 0);
            continue;
        }
        ASSERT_EQ(stats.p95, sorted[std::size_t(double(sorted.size() - 1) * 0.95)]) << step;
        ASSERT_EQ(stats.minRtt, sorted.front()) << step;
        ASSERT_EQ(stats.maxRtt, sorted.back()) << step;
    }
}

} // namespace
} // namespace vantorel
