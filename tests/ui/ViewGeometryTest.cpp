#include "ui/rules/ChipText.h"
#include "ui/rules/DashboardLayout.h"
#include "ui/rules/GaugeGeometry.h"
#include "ui/rules/HistoryChartGeometry.h"
#include "ui/rules/LatencyScale.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using dashboard::Block;
using dashboard::BlockSource;
using Shape = dashboard::BlockSource::Shape;

std::vector<Block> tilesOfUnits(std::initializer_list<int> units) {
    std::vector<Block> blocks;
    int index = 0;
    for (const int u : units)
        blocks.push_back({.first = index++, .units = u});
    return blocks;
}

TEST(DashboardLayout, ColumnsGrowEvery334PointsFromOneBelow654) {
    EXPECT_EQ(dashboard::columnCount(0), 1);
    EXPECT_EQ(dashboard::columnCount(653.9), 1);
    EXPECT_EQ(dashboard::columnCount(654), 2);
    EXPECT_EQ(dashboard::columnCount(987.9), 2);
    EXPECT_EQ(dashboard::columnCount(988), 3);
    EXPECT_EQ(dashboard::columnCount(-50), 1);
}

TEST(DashboardLayout, MasonryFillsTheLeftmostShortestColumn) {
    const auto columns = dashboard::packColumns(tilesOfUnits({1, 3, 1, 1}), 2);
    EXPECT_EQ(columns, (std::vector<std::vector<int>>{{0, 2, 3}, {1}}));

    // A tie goes to the leftmost column, so equal tiles fill rows left to right.
    EXPECT_EQ(dashboard::packColumns(tilesOfUnits({1, 1, 1, 1}), 3),
              (std::vector<std::vector<int>>{{0, 3}, {1}, {2}}));
}

TEST(DashboardLayout, SweepsPairAtTheSecondAndALoneOneEndsTheList) {
    const std::vector<BlockSource> sources{
        {Shape::sweep}, {Shape::single}, {Shape::sweep}, {Shape::single}, {Shape::sweep}};
    const std::vector<Block> expected{
        {.first = 1},
        {.first = 0, .second = 2, .sweepPair = true},
        {.first = 3},
        {.first = 4, .sweepPair = true},
    };
    EXPECT_EQ(dashboard::buildBlocks(sources), expected);
}

TEST(DashboardLayout, TracerouteTilesGrowAtThirteenHops) {
    const auto blocks = dashboard::buildBlocks(
        {{Shape::traceroute, 0}, {Shape::traceroute, 12}, {Shape::traceroute, 13}});
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].units, 2);
    EXPECT_EQ(blocks[1].units, 2);
    EXPECT_EQ(blocks[2].units, 3);
    EXPECT_EQ(dashboard::hopRowLimit(2), 11);
    EXPECT_EQ(dashboard::hopRowLimit(3), 20);
    EXPECT_DOUBLE_EQ(dashboard::blockHeight(3), 3 * 140 + 2 * 14);
}

gauge::Reading reading(std::optional<double> value, bool down = false) {
    return {.value = value, .isDown = down, .green = 50, .yellow = 150, .gaugeMax = 225};
}

TEST(Gauge, NeedleAndZoneFollowTheValue) {
    EXPECT_DOUBLE_EQ(gauge::angleForFraction(gauge::fraction(reading(900))), 135);
    EXPECT_DOUBLE_EQ(gauge::angleForFraction(gauge::fraction(reading(0))), -135);
    EXPECT_DOUBLE_EQ(gauge::fraction(reading(112.5)), 0.5);
    EXPECT_EQ(gauge::zone(reading(49.9)), gauge::Zone::green);
    EXPECT_EQ(gauge::zone(reading(50)), gauge::Zone::yellow);
    EXPECT_EQ(gauge::zone(reading(150)), gauge::Zone::red);
}

TEST(Gauge, DownAndEmptyReadings) {
    const auto down = reading(std::nullopt, true);
    EXPECT_DOUBLE_EQ(gauge::fraction(down), 1);
    EXPECT_EQ(gauge::zone(down), gauge::Zone::red);
    EXPECT_TRUE(gauge::showsNeedle(down));
    EXPECT_EQ(gauge::centreLabel(down), "DOWN");
    EXPECT_EQ(gauge::unitLabel(down), " ");

    const auto empty = reading(std::nullopt);
    EXPECT_DOUBLE_EQ(gauge::fraction(empty), 0);
    EXPECT_EQ(gauge::zone(empty), gauge::Zone::none);
    EXPECT_FALSE(gauge::showsNeedle(empty));
    EXPECT_EQ(gauge::centreLabel(empty), "—");

    EXPECT_EQ(gauge::centreLabel(reading(12.6)), "13");
    EXPECT_EQ(gauge::unitLabel(reading(12.6)), "ms");
}

TEST(Gauge, BandsAreClampedToTheArc) {
    auto r = reading(10);
    r.gaugeMax = 100;
    const auto ends = gauge::bandEnds(r);
    EXPECT_DOUBLE_EQ(ends.green, 0.5);
    EXPECT_DOUBLE_EQ(ends.yellow, 1.0);
}

TEST(LatencyScale, ScalesRiseWithThePercentileOverRepairedThresholds) {
    const Thresholds repaired = repairedThresholds(0, 0);
    EXPECT_DOUBLE_EQ(repaired.green, 1);
    EXPECT_DOUBLE_EQ(repaired.yellow, 2);

    const Thresholds t = repairedThresholds(50, 150);
    EXPECT_DOUBLE_EQ(chartTop(t, 100), 210);
    EXPECT_DOUBLE_EQ(chartTop(t, 200), 230);
    EXPECT_DOUBLE_EQ(gaugeMax(t, 100), 225);
    EXPECT_DOUBLE_EQ(gaugeMax(t, 300), 345);
    EXPECT_DOUBLE_EQ(hopBarScale(t, 300), 330);
}

namespace hc = history_chart;

// A sample a second, from `from` for `seconds`.
std::deque<PingSample> secondly(Date from, int seconds) {
    std::deque<PingSample> samples;
    for (int i = 0; i < seconds; ++i)
        samples.push_back({.id = i, .rtt = 10.0, .time = from + i});
    return samples;
}

TEST(HistoryChart, SpanIsTheHistoryWindowCappedAtTenMinutes) {
    EXPECT_DOUBLE_EQ(hc::visibleSpan(false, 1440), 600);
    EXPECT_DOUBLE_EQ(hc::visibleSpan(true, 5), 300);
    EXPECT_DOUBLE_EQ(hc::visibleSpan(true, 0), 60);
    EXPECT_DOUBLE_EQ(hc::visibleSpan(true, 60), 600);
}

TEST(HistoryChart, BoundsOfEmptyAndShortSeries) {
    const auto empty = hc::bounds({}, 5000, 600);
    EXPECT_DOUBLE_EQ(empty.latest, 5000);
    EXPECT_DOUBLE_EQ(empty.lowestStart(), 4400);
    EXPECT_FALSE(empty.canPan());

    // Less than a span of history: the window cannot move.
    const auto shortSeries = hc::bounds(secondly(1000, 300), 0, 600);
    EXPECT_FALSE(shortSeries.canPan());
    EXPECT_FALSE(hc::pannedStart(shortSeries.highestStart(), 100, 600, shortSeries));
    EXPECT_FALSE(hc::scrubberShown(shortSeries, 600));
}

TEST(HistoryChart, FollowingToleratesTwoSeconds) {
    const auto b = hc::bounds(secondly(1000, 1801), 0, 600); // latest 2800
    EXPECT_TRUE(hc::isFollowing(2200, b));
    EXPECT_TRUE(hc::isFollowing(2198, b));
    EXPECT_FALSE(hc::isFollowing(2197.9, b));
}

TEST(HistoryChart, PanningMovesBySpanPerChartWidthAndStaysInBounds) {
    const auto b = hc::bounds(secondly(1000, 1801), 0, 600);      // starts 1000 … 2200
    EXPECT_DOUBLE_EQ(*hc::pannedStart(2200, 300, 600, b), 1900);  // right goes back
    EXPECT_DOUBLE_EQ(*hc::pannedStart(1900, -150, 600, b), 2050); // left goes forward
    EXPECT_DOUBLE_EQ(*hc::pannedStart(2200, -50, 600, b), 2200);
    EXPECT_DOUBLE_EQ(*hc::pannedStart(1100, 100000, 600, b), 1000);
    // A chart not laid out yet counts as one point wide rather than dividing by zero.
    EXPECT_DOUBLE_EQ(*hc::pannedStart(2200, 0.5, 0, b), 1900);

    EXPECT_DOUBLE_EQ(hc::panDelta(3, -40), -40);
    EXPECT_DOUBLE_EQ(hc::panDelta(40, -3), 40);
    EXPECT_DOUBLE_EQ(hc::panDelta(5, 5), 5);
}

TEST(HistoryChart, ScrubberFarLeftShowsTheFirstTenMinutesOfThirty) {
    const auto b = hc::bounds(secondly(1000, 1801), 0, 600);
    ASSERT_TRUE(hc::scrubberShown(b, 300));
    EXPECT_FALSE(hc::scrubberShown(b, 20));

    const Date start = hc::scrubbedStart(b, 0, 300);
    EXPECT_DOUBLE_EQ(start, 1000);
    EXPECT_FALSE(hc::isFollowing(start, b));
    EXPECT_DOUBLE_EQ(hc::scrubbedStart(b, 300, 300), 2200);

    const auto thumb = hc::scrubberThumb(b, 2200, 300);
    EXPECT_DOUBLE_EQ(thumb.width, 100);
    EXPECT_DOUBLE_EQ(thumb.offset, 200);
    EXPECT_DOUBLE_EQ(hc::scrubberThumb(b, 1600, 300).offset, 100);
    // A day of history still leaves a thumb one can grab.
    const auto day = hc::bounds(secondly(0, 86400), 0, 600);
    EXPECT_DOUBLE_EQ(hc::scrubberThumb(day, 0, 300).width, 28);
    // A strip hardly wider than the minimum never gets a thumb wider than itself.
    EXPECT_DOUBLE_EQ(hc::scrubberThumb(day, 0, 21).width, 21);
    EXPECT_DOUBLE_EQ(hc::scrubbedStart(day, 10, 21), day.lowestStart());
}

TEST(HistoryChart, VisibleSamplesIncludeBothEnds) {
    const auto samples = secondly(1000, 100);
    const auto range = hc::visibleSamples(samples, 1010, 1020);
    EXPECT_EQ(range.begin, 10u);
    EXPECT_EQ(range.end, 21u);
    const auto none = hc::visibleSamples(samples, 2000, 2600);
    EXPECT_EQ(none.begin, none.end);
}

TEST(HistoryChart, TickStepsAndTheirCap) {
    EXPECT_DOUBLE_EQ(hc::tickStep(600, 360), 300);
    EXPECT_DOUBLE_EQ(hc::tickStep(600, 1800), 60);
    EXPECT_DOUBLE_EQ(hc::tickStep(60, 900), 15);
    EXPECT_DOUBLE_EQ(hc::tickStep(1e9, 100), 86400);
    EXPECT_TRUE(hc::ticksShowSeconds(30));
    EXPECT_FALSE(hc::ticksShowSeconds(60));

    EXPECT_EQ(hc::ticks(1010, 1610, 300), (std::vector<Date>{900, 1200, 1500, 1800}));
    EXPECT_EQ(hc::ticks(0, 1e9, 5).size(), std::size_t(hc::kMaxTicks));
    EXPECT_TRUE(hc::ticks(0, 100, 0).empty());
}

TEST(ChipText, MillisecondsLossAndScore) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(chip::milliseconds(std::nullopt), "—");
    EXPECT_EQ(chip::milliseconds(12.4), "12 ms");
    EXPECT_EQ(chip::milliseconds(9999), "9999 ms");
    EXPECT_EQ(chip::milliseconds(10000), "10,000 ms");
    EXPECT_EQ(chip::milliseconds(1234567.4), "1,234,567 ms");
    EXPECT_EQ(chip::loss(0.5), "0.5%");
    EXPECT_EQ(chip::loss(12), "12%");
    EXPECT_EQ(chip::loss(0), "0.0%");
    EXPECT_EQ(chip::mos(4.26), "4.3");
    EXPECT_TRUE(chip::httpStatusIsGood(399));
    EXPECT_FALSE(chip::httpStatusIsGood(400));
    QLocale::setDefault(QLocale::c());
}

} // namespace
} // namespace vantorel
