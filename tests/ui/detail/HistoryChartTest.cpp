// The latency history chart over a recorded series, panned by wheel, drag and scrubber.
#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/PaintRecorder.h"
#include "targets/Target.h"
#include "ui/controls/Theme.h"
#include "ui/detail/ChartScrubber.h"
#include "ui/detail/LatencyHistoryChart.h"
#include "ui/rules/TimeLabel.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(LatencyHistoryChart, FollowsNewSamplesUntilPannedAndNowFollowsAgain) {
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    Preferences::instance().setValue(keys::scrollbackMinutes, 60);
    Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));
    Preferences::instance().setValue(keys::latencyGreen, 50);
    Preferences::instance().setValue(keys::latencyYellow, 150);
    // Half an hour, a sample every two seconds: quick answers (one slower), then the last 100 s
    // lost. The target stays off, its address never probed.
    const auto target = Target::create({TargetKind::hostPing, "198.19.250.1", {}, 24}, false);
    PingMonitor& monitor = *target->monitors().front();
    for (int i = 0; i < 900; ++i)
        monitor.record(i < 850 ? std::optional(i == 800 ? 90.0 : 30.0) : std::nullopt,
                       dateNow() - 1800 + 2 * i);
    LatencyHistoryChart chart(target->monitors().front());
    chart.setTargetName(QStringLiteral("lab"));
    chart.resize(900, 300);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    const auto newest = [&] { return monitor.samples().back().time; };
    auto& now = *chart.findChild<QPushButton*>("chartNowButton");
    auto& strip = *chart.findChild<ChartScrubber*>("chartScrubber");
    const QRectF plot = chart.plotArea();
    // The window start after panning back in time by `points` of the plot's width.
    const auto back = [&](Date from, double points) { return from - points / plot.width() * 600; };
    const auto drag = [&](QWidget& on, QPoint from, int dx) {
        QTest::mousePress(&on, Qt::LeftButton, {}, from);
        QTest::mouseMove(&on, from + QPoint(dx / 2, 0));
        QTest::mouseMove(&on, from + QPoint(dx, 0));
        QTest::mouseRelease(&on, Qt::LeftButton, {}, from + QPoint(dx, 0));
    };

    // Lost probes stand full height in red; answers stay low. Counted along the plot's top.
    const QImage image = chart.grab().toImage();
    int red = 0;
    for (int x = int(plot.left()) + 1; x < int(plot.right()); ++x) {
        const QColor pixel = image.pixelColor(x, int(plot.top()) + 2);
        red += pixel.red() - std::max(pixel.green(), pixel.blue()) > 90;
    }
    EXPECT_TRUE(red > plot.width() * 0.1 && red < plot.width() * 0.25) << red;
    // Answers stand as green bars to 30 of the scale's 210 ms, over faint bands: green to 50 ms,
    // yellow to 150. Sampled in the middle of the plot.
    const auto pixel = [&](double ms, int dx = 0) {
        return image.pixelColor(int(plot.center().x()) + dx,
                                int(plot.bottom() - ms / 210 * plot.height()));
    };
    const auto bar = theme::latencyColour(LatencyColour::green);
    EXPECT_TRUE(pixel(28) == bar || pixel(28, 1) == bar || pixel(28, 2) == bar);
    EXPECT_TRUE(pixel(40).green() > pixel(40).red() && pixel(100).red() > pixel(100).green());
    // As painted: the answer between the limits in yellow, the axis's times to the minute.
    for (const double green : {100.0, 50.0}) {
        Preferences::instance().setValue(keys::latencyGreen, green);
        EXPECT_EQ(test::PaintRecorder(chart).painted(theme::latencyColour(LatencyColour::yellow)),
                  green == 50);
    }
    for (const QString& text : test::PaintRecorder(chart).texts())
        EXPECT_LT(text.count(':'), 2) << text.toStdString();
    EXPECT_EQ(HistoryChartPainter::valueTicks(250, 180).size(), 6u) << "every 50 ms, to the top";

    // Following, the thumb stands at the right end: a third of the strip for a third of the time.
    EXPECT_EQ(std::pair(chart.following(), now.isVisible()), std::pair(true, false));
    ASSERT_TRUE(strip.isVisible());
    EXPECT_NEAR(strip.thumbRect().right(), strip.width(), 0.5);
    EXPECT_NEAR(strip.thumbRect().width(), strip.width() * 600 / 1798, 1.0);
    monitor.record(20, newest() + 1);
    EXPECT_TRUE(test::spinUntil([&] { return chart.scrollX() == newest() - 600; }));

    // The larger delta pans: a notch of 120 eighths of a degree is 30 points.
    const Date start = chart.scrollX();
    QWheelEvent notch(plot.center(), chart.mapToGlobal(plot.center()), QPoint(), QPoint(10, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &notch);
    EXPECT_TRUE(notch.isAccepted()) << "kept from the views underneath";
    EXPECT_NEAR(chart.scrollX(), back(start, 30), 1e-6);
    EXPECT_EQ(std::pair(chart.following(), now.isVisible()), std::pair(false, true));
    EXPECT_EQ(now.accessibleName(), "Show the newest samples of lab");
    drag(chart, plot.center().toPoint(), 90);
    const Date parked = chart.scrollX();
    EXPECT_NEAR(parked, back(start, 120), 0.01);
    // Panned back, the window stays where the user put it while samples keep coming.
    monitor.record(20, newest() + 1);
    test::spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(std::pair(chart.scrollX(), chart.accessibleDescription()),
              std::pair(parked, timeLabel(parked, true) + " to " + timeLabel(parked + 600, true)));
    Preferences::instance().setValue(keys::use24Hour, timeLabel(0, false).endsWith('M'));
    test::spinFor(std::chrono::milliseconds(50)); // what is on screen reads the other clock
    EXPECT_EQ(chart.screen()->grabWindow(chart.winId()).toImage(), chart.grab().toImage());

    QTest::mouseClick(&now, Qt::LeftButton);
    EXPECT_EQ(std::tuple(chart.following(), chart.scrollX(), now.isVisible()),
              std::tuple(true, newest() - 600, false));

    // The scrubber's thumb dragged to the far left shows the oldest ten minutes; dragging the chart
    // far towards now runs into the newest window, which follows again.
    drag(strip, strip.rect().center(), -strip.width());
    EXPECT_TRUE(chart.scrollX() == monitor.samples().front().time && !chart.following());
    EXPECT_NEAR(strip.thumbRect().left(), 0, 0.5);
    drag(chart, plot.center().toPoint(), -4 * chart.width());
    EXPECT_EQ(std::tuple(chart.following(), chart.scrollX()), std::tuple(true, newest() - 600));

    // How far back from now each key leaves the window: Left a tenth, Right forward again; Home the
    // oldest, End now, on the scrubber (a tenth within a pixel) as on the chart; PageUp all of it.
    using enum Qt::Key;
    const Date latest = newest() - 600, all = latest - monitor.samples().front().time;
    const std::tuple<QWidget*, Qt::Key, Date, double> presses[] = {
        {&chart, Key_Left, 60, 1e-6},    {&chart, Key_Right, 0, 0},
        {&strip, Key_Home, all, 0},      {&strip, Key_Right, all - 60, 2},
        {&strip, Key_End, 0, 0},         {&strip, Key_Left, 60, 2},
        {&chart, Key_Home, all, 0},      {&chart, Key_End, 0, 0},
        {&chart, Key_PageUp, 600, 1e-6}, {&chart, Key_PageDown, 0, 0}};
    for (const auto& [on, key, back, within] : presses) {
        QTest::keyClick(on, key);
        EXPECT_NEAR(latest - chart.scrollX(), back, within) << key;
        EXPECT_EQ(chart.following(), back == 0) << key;
    }
    Preferences::instance().setValue(keys::scrollbackMinutes, 5);
    EXPECT_EQ(chart.span(), 300) << "five minutes of history are shown whole";
    Preferences::instance().setValue(keys::scrollbackMinutes, 60);
}

} // namespace
} // namespace vantorel
