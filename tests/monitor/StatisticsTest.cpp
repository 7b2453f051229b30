#include "monitor/SampleSeries.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace vantorel {
namespace {

using Rtts = std::vector<std::optional<double>>;
constexpr auto lost = std::nullopt;

SampleSeries seriesOf(const Rtts& rtts) {
    SampleSeries series;
    for (std::size_t i = 0; i < rtts.size(); ++i)
        series.append({std::int64_t(i + 1), rtts[i], 1001.0 + double(i)});
    return series;
}

TEST(Statistics, WorkedSeries) {
    struct Case {
        Rtts rtts;
        MonitorStats expected;
    };
    const Case cases[] = {
        {{}, {}},
        {{lost, lost, lost}, {.lossPct = 100, .lostCount = 3, .lastFailure = 1003.0}},
        // Jitter skips the loss between answers; p95 is index 1 of the 3 sorted answers.
        {{10, 20, lost, 40},
         {70.0 / 3, 10, 40, 25, 20, 15, meanOpinionScore(70.0 / 3, 15, 25), 1, 1003.0}},
        {{12.5}, {12.5, 12.5, 12.5, 0, 12.5, std::nullopt, meanOpinionScore(12.5, 0, 0), 0, {}}},
    };
    for (const auto& [rtts, expected] : cases)
        EXPECT_EQ(seriesOf(rtts).computeStats(), expected) << rtts.size() << " samples";

    // Appended in descending order, so the percentile cannot come from the order of arrival.
    Rtts twenty, hundred;
    for (int i = 100; i >= 1; --i) {
        hundred.push_back(i);
        if (i <= 20)
            twenty.push_back(i);
    }
    EXPECT_EQ(seriesOf(twenty).computeStats().p95, 19) << "the 19th smallest, not the largest";
    EXPECT_EQ(seriesOf(hundred).computeStats().p95, 95);
}

TEST(Statistics, MeanOpinionScoreBranchesAndClamps) {
    const double r = 89.2; // effective latency of exactly 160 takes the second branch
    const struct {
        double avg, jitter, loss, mos, tolerance;
    } cases[] = {{0, 0, 0, 4.4044, 5e-5},
                 {20, 2, 0, 4.3974, 5e-5},
                 {70.0 / 3, 15, 25, 1.5847, 5e-5},
                 {300, 0, 0, 1 + 0.035 * r + (100 - r) * 0.000007 * r * (r - 60), 1e-12},
                 {1, 0, 40, 1, 0},
                 {5000, 100, 0, 1, 0}};
    for (const auto& c : cases)
        EXPECT_NEAR(meanOpinionScore(c.avg, c.jitter, c.loss), c.mos, c.tolerance) << c.avg;
}

// The sorted times are kept up to date through appends, removals and adopted history; they must
// always agree with a plain recomputation of the series.
TEST(Statistics, OrderFiguresAgreeWithAPlainRecomputationThroughEveryKindOfChange) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> latency(0.1, 400);
    std::bernoulli_distribution isLost(0.1);
    SampleSeries series;
    std::int64_t id = 0;
    auto next = [&] {
        // Whole milliseconds repeat often, so equal times are exercised too.
        const double rtt = std::round(latency(random));
        ++id;
        return PingSample{id, isLost(random) ? std::nullopt : std::optional(rtt), double(id)};
    };
    for (int step = 0; step < 3000; ++step) {
        series.append(next());
        if (step % 7 == 0)
            series.dropFront(std::size_t(step % 5));
        if (step == 1500)
            series.dropFront(series.size() - 10);
        if (step == 2000) {
            std::vector<PingSample> stored;
            for (int i = 0; i < 500; ++i)
                stored.push_back(next());
            series.assign(stored);
        }
        if (step % 97 != 0)
            continue;
        std::vector<double> sorted;
        for (const auto& sample : series.samples())
            if (sample.rtt)
                sorted.push_back(*sample.rtt);
        std::sort(sorted.begin(), sorted.end());
        const auto stats = series.computeStats();
        if (sorted.empty())
            continue; // the empty case is a worked series above
        ASSERT_EQ(stats.p95, sorted[std::size_t(double(sorted.size() - 1) * 0.95)]) << step;
        ASSERT_EQ(stats.minRtt, sorted.front()) << step;
        ASSERT_EQ(stats.maxRtt, sorted.back()) << step;
    }
}

} // namespace
} // namespace vantorel
