#include "monitor/SampleSeries.h"

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

// The sorted answer times are kept up to date through removals and adopted history: the figures
// must stay those of the same samples appended to a fresh series.
TEST(Statistics, RemovalsAndAdoptedHistoryLeaveTheFiguresOfTheSamplesThatRemain) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> latency(-40, 400); // whole ms repeat; below 0 is a loss
    SampleSeries series;
    std::vector<PingSample> stored;
    for (std::int64_t id = 1; id <= 3000; ++id) {
        const int rtt = latency(random);
        const PingSample sample{id, rtt < 0 ? std::nullopt : std::optional<double>(rtt), 1.0 * id};
        series.append(sample);
        if (id % 3 == 0)
            stored.push_back(sample);
        if (id % 7 == 0)
            series.dropFront(std::size_t(id % 5));
        if (id == 1500)
            series.dropFront(series.size() - 10);
        if (id == 2000)
            series.assign(stored);
        if (id % 97 == 0) {
            SampleSeries fresh;
            for (const auto& kept : series.samples())
                fresh.append(kept);
            ASSERT_EQ(series.computeStats(), fresh.computeStats()) << id;
        }
    }
}

} // namespace
} // namespace vantorel
