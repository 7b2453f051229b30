// The views' rules on the examples where they turn: the overview's layout, the gauge, the latency
// scales, the history chart's time arithmetic, and how figures and times read.
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/rules/ChipText.h"
#include "ui/rules/DashboardLayout.h"
#include "ui/rules/GaugeGeometry.h"
#include "ui/rules/HistoryChartGeometry.h"
#include "ui/rules/LatencyScale.h"
#include "ui/rules/TimeLabel.h"

#include <QLocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gmock/gmock.h>

namespace vantorel {
namespace {

TEST(DashboardLayout, ColumnsAndBlocks) {
    using namespace dashboard;
    // Columns at least 320 wide, 14 apart.
    for (const auto& [width, columns] :
         std::vector<std::pair<double, int>>{{-50, 1}, {653.9, 1}, {654, 2}, {987.9, 2}, {988, 3}})
        EXPECT_EQ(columnCount(width), columns) << width;
    // Sweeps pair up where the second of a pair stands, a lone one ends the list; traceroutes
    // grow from two units to three at thirteen hops.
    using enum BlockSource::Shape;
    EXPECT_EQ(
        buildBlocks({{sweep}, {single}, {sweep}, {traceroute, 12}, {traceroute, 13}, {sweep}}),
        (std::vector<Block>{{.first = 1},
                            {.first = 0, .second = 2, .sweepPair = true},
                            {.first = 3, .units = 2},
                            {.first = 4, .units = 3},
                            {.first = 5, .sweepPair = true}}));
    EXPECT_EQ(std::pair(hopRowLimit(2), hopRowLimit(3)), std::pair(11, 20));
    EXPECT_DOUBLE_EQ(blockHeight(3), 3 * 140 + 2 * 14);
    // A tall block weighs its units: the three short ones after it fill the other column.
    EXPECT_EQ(packColumns({{.units = 3}, {}, {}, {}}, 2),
              (std::vector<std::vector<int>>{{0}, {1, 2, 3}}));
}

gauge::Reading reading(std::optional<double> value, bool down = false) {
    return {.value = value, .isDown = down, .green = 50, .yellow = 150, .gaugeMax = 225};
}

TEST(Gauge, NeedleIsClampedToTheArcAndZonesTurnAtTheThresholds) {
    using enum gauge::Zone;
    for (const auto& [r, angle, zone, centre] :
         std::vector<std::tuple<gauge::Reading, double, gauge::Zone, QString>>{
             {reading(0), -135, green, "0"},
             {reading(12.6), -135 + 270 * 12.6 / 225, green, "13"},
             {reading(900), 135, red, "900"},
             {reading(std::nullopt, true), 135, red, "DOWN"},
             {reading(std::nullopt), -135, none, "—"}}) {
        EXPECT_NEAR(gauge::angleForFraction(gauge::fraction(r)), angle, 1e-9)
            << centre.toStdString();
        EXPECT_EQ(std::tuple(gauge::zone(r), gauge::centreLabel(r)), std::tuple(zone, centre));
        // A needle with a value or while down; the unit line keeps its height while down.
        EXPECT_EQ(gauge::showsNeedle(r), zone != none);
        EXPECT_EQ(gauge::unitLabel(r), r.isDown ? " " : "ms");
    }
    for (const auto& [value, expected] : {std::pair{49.9, green}, {50.0, yellow}, {150.0, red}})
        EXPECT_EQ(gauge::zone(reading(value)), expected) << value;
    // Bands beyond full scale end at the end of the arc.
    const auto ends = gauge::bandEnds({.value = 10, .green = 50, .yellow = 150, .gaugeMax = 100});
    EXPECT_EQ(std::pair(ends.green, ends.yellow), std::pair(0.5, 1.0));
    EXPECT_DOUBLE_EQ(gauge::bandEnds({.green = 100, .yellow = 50, .gaugeMax = 200}).yellow, 0.5);
}

TEST(LatencyScale, RoomAboveTheRepairedThresholdsOrThePercentile) {
    const Thresholds floor = repairedThresholds(std::nan(""), 0), t = repairedThresholds(50, 150);
    EXPECT_THAT(
        (std::vector{floor.green, floor.yellow, chartTop(t, 0), gaugeMax(t, 0), hopBarScale(t, 0),
                     chartTop(t, 200), gaugeMax(t, 300), hopBarScale(t, 300)}),
        testing::Pointwise(testing::DoubleEq(),
                           {1.0, 2.0, 210.0, 225.0, 210.0, 230.0, 345.0, 330.0}));
}

// A sample a second, from `from` for `seconds`.
std::deque<PingSample> secondly(Date from, int seconds) {
    std::deque<PingSample> samples;
    for (int i = 0; i < seconds; ++i)
        samples.push_back({.id = i, .rtt = 10.0, .time = from + i});
    return samples;
}

TEST(HistoryChartGeometry, WindowFollowingPanningAndScrubbing) {
    using namespace history_chart;
    // The history window, capped at ten minutes.
    EXPECT_EQ((std::vector{visibleSpan(false, 1440), visibleSpan(true, 0), visibleSpan(true, 60)}),
              (std::vector{600.0, 60.0, 600.0}));
    // Less than a span of history: nothing to pan through, no scrubber.
    const Bounds brief = bounds(secondly(1000, 300), 0, 600);
    EXPECT_FALSE(pannedStart(brief.highestStart(), 100, 600, brief));
    EXPECT_FALSE(scrubberShown(brief, 600));

    const Bounds b = bounds(secondly(1000, 1801), 0, 600); // starts 1000 … 2200
    // Two seconds short of the newest window still follows.
    EXPECT_EQ(std::pair(isFollowing(2198, b), isFollowing(2197.9, b)), std::pair(true, false));
    // A span per chart width, positive back in time, within the history; a chart not laid out
    // counts as one point wide.
    for (const auto& [from, dx, width, to] :
         std::vector<std::tuple<Date, double, double, Date>>{{2200, 300, 600, 1900},
                                                             {1900, -150, 600, 2050},
                                                             {2200, -50, 600, 2200},
                                                             {1100, 1e5, 600, 1000},
                                                             {2200, 0.5, 0, 1900}})
        EXPECT_DOUBLE_EQ(*pannedStart(from, dx, width, b), to) << from << " by " << dx;

    // A 300-point strip: far left is the first ten minutes of thirty, far right now.
    ASSERT_EQ(std::pair(scrubberShown(b, 300), scrubberShown(b, 20)), std::pair(true, false));
    // The thumb's centre goes to the pointer.
    for (const auto& [x, start] : {std::pair{0.0, 1000.0}, {300.0, 2200.0}, {150.0, 1600.0}})
        EXPECT_DOUBLE_EQ(scrubbedStart(b, x, 300), start) << x;
    // A day of history leaves a thumb one can grab, never wider than its strip.
    const Bounds day = bounds(secondly(0, 86400), 0, 600);
    EXPECT_THAT((std::vector{scrubberThumb(b, 2200, 300).width, scrubberThumb(b, 1600, 300).offset,
                             scrubberThumb(day, 0, 300).width, scrubberThumb(day, 0, 21).width}),
                testing::Pointwise(testing::DoubleEq(), {100.0, 100.0, 28.0, 21.0}));
}

TEST(HistoryChartGeometry, VisibleSamplesAndTicks) {
    using namespace history_chart;
    const SampleRange shown = visibleSamples(secondly(1000, 100), 1010, 1020);
    EXPECT_EQ(std::pair(shown.begin, shown.end), std::pair(std::size_t(10), std::size_t(21)));
    for (const auto& [span, width, step] : std::vector<std::tuple<double, double, double>>{
             {600, 360, 300}, {600, 1800, 60}, {60, 900, 15}, {600, 100, 300}, {1e9, 100, 86400}})
        EXPECT_DOUBLE_EQ(tickStep(span, width), step) << span << " over " << width;
    EXPECT_EQ(std::pair(ticksShowSeconds(30), ticksShowSeconds(60)), std::pair(true, false));
    EXPECT_EQ(ticks(1010, 1610, 300), (std::vector<Date>{900, 1200, 1500, 1800}));
    EXPECT_EQ(ticks(0, 1e9, 5).size(), std::size_t(kMaxTicks));
}

TEST(ChipText, FiguresGroupFromTenThousandAndHttpFailsFrom400) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ((QStringList{chip::milliseconds(std::nullopt), chip::milliseconds(12.4),
                           chip::milliseconds(12.6), chip::milliseconds(9999),
                           chip::milliseconds(10000), chip::loss(0), chip::loss(0.5), chip::loss(1),
                           chip::loss(std::nullopt), chip::mos(4.26), chip::mos({})}),
              (QStringList{"—", "12 ms", "13 ms", "9999 ms", "10,000 ms", "0.0%", "0.5%", "1%", "—",
                           "4.3", "—"}));
    EXPECT_TRUE(chip::httpStatusIsGood(399) && !chip::httpStatusIsGood(400));
    QLocale::setDefault(QLocale::c());
}

TEST(TimeLabel, TwelveAndTwentyFourHourClocks) {
    setenv("TZ", "UTC", 1);
    tzset();
    const Date afternoon = dateFromUnixSeconds(1709989509.25); // 2024-03-09 13:05:09 UTC
    const Date morning = dateFromUnixSeconds(1709975043.0);    // 2024-03-09 09:04:03 UTC
    for (const auto& [use24Hour, date, withSeconds, label] :
         std::vector<std::tuple<bool, Date, bool, QString>>{
             {false, afternoon, false, "2024-03-09 1:05 PM"},
             {false, afternoon, true, "2024-03-09 1:05:09 PM"},
             {false, morning, false, "2024-03-09 9:04 AM"},
             {true, afternoon, false, "2024-03-09 13:05"},
             {true, morning, true, "2024-03-09 09:04:03"},
             {true, morning - 0.0004, true, "2024-03-09 09:04:03"}}) {
        Preferences::instance().setValue(keys::use24Hour, use24Hour);
        EXPECT_EQ(timeLabel(date, withSeconds), label);
    }
}

} // namespace
} // namespace vantorel
