#include "GraphPaneFixture.h"
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "ui/detail/ChartScrubber.h"
#include "ui/detail/LatencyHistoryChart.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

namespace vantorel {

using namespace std::chrono_literals;

namespace {

QPushButton* nowButton(const LatencyHistoryChart& chart) {
    return chart.findChild<QPushButton*>(QStringLiteral("chartNowButton"));
}

ChartScrubber* scrubber(const LatencyHistoryChart& chart) {
    return chart.findChild<ChartScrubber*>(QStringLiteral("chartScrubber"));
}

// Sends a wheel event to the middle of the chart; returns whether the chart kept it.
bool wheel(LatencyHistoryChart& chart, QPoint pixels, QPoint angle) {
    const QPointF at = chart.plotArea().center();
    QWheelEvent event(at, chart.mapToGlobal(at), pixels, angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    event.setAccepted(false);
    QApplication::sendEvent(&chart, &event);
    return event.isAccepted();
}

void mouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapTo(widget.window(), at), widget.mapToGlobal(at), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

Date latest(const LatencyHistoryChart& chart) {
    return chart.monitor()->samples().back().time;
}

} // namespace

using LatencyHistoryChartTest = GraphPaneFixture;

// Twelve minutes of recorded history, then a live monitor adds to it: the chart follows the live
// samples, a wheel turn takes it back in time and off the newest samples, "Now" brings it back.
TEST_F(LatencyHistoryChartTest, FollowsLiveSamplesUntilPannedAndNowReturns) {
    setScrollback(true, 60);
    const QString host = QString::fromStdString(lab().addHost());
    auto watched = target(TargetKind::hostPing, host, false);
    PingMonitor& monitor = *watched->monitors().front();
    const Date start = dateNow();
    for (int i = 720; i >= 1; --i)
        monitor.record(20, start - i);
    LatencyHistoryChart chart(watched->monitors().front());
    showAt(chart, 900, 300);
    EXPECT_TRUE(chart.following());
    EXPECT_DOUBLE_EQ(chart.scrollX(), latest(chart) - chart.span());

    watched->setEnabled(true);
    ASSERT_TRUE(test::spinUntil([&] { return latest(chart) > start; }));
    EXPECT_TRUE(chart.following());
    EXPECT_DOUBLE_EQ(chart.scrollX(), latest(chart) - 600);
    EXPECT_FALSE(nowButton(chart)->isVisible());

    // The vertical delta is the larger one, so the chart pans by it: a notch of 120 eighths of
    // a degree is 30 points back in time.
    const Date before = chart.scrollX();
    EXPECT_TRUE(wheel(chart, QPoint(), QPoint(10, 120)));
    EXPECT_NEAR(chart.scrollX(), before - 30 / chart.plotArea().width() * 600, 1e-6);
    EXPECT_FALSE(chart.following());
    EXPECT_TRUE(nowButton(chart)->isVisible());

    // Panned back, the window stays where the user put it while samples keep coming.
    const Date parked = chart.scrollX();
    const Date newest = latest(chart);
    ASSERT_TRUE(test::spinUntil([&] { return latest(chart) > newest; }));
    EXPECT_DOUBLE_EQ(chart.scrollX(), parked);

    QTest::mouseClick(nowButton(chart), Qt::LeftButton);
    EXPECT_TRUE(chart.following());
    EXPECT_DOUBLE_EQ(chart.scrollX(), latest(chart) - 600);
    EXPECT_FALSE(nowButton(chart)->isVisible());
    const Date resumed = latest(chart);
    ASSERT_TRUE(test::spinUntil([&] { return latest(chart) > resumed; }));
    EXPECT_DOUBLE_EQ(chart.scrollX(), latest(chart) - 600);
}

TEST_F(LatencyHistoryChartTest, TrackpadPixelsAndMouseDragsPanByTheirDistance) {
    setScrollback(true, 60);
    auto watched = recordedTarget(TargetKind::hostPing, 1200, 1, [](int) { return 15.0; });
    LatencyHistoryChart chart(watched->monitors().front());
    showAt(chart, 900, 300);
    const double width = chart.plotArea().width();

    // Pixel deltas win over angle deltas; here the horizontal one is the larger, and pans
    // forward (towards now) when negative.
    chart.panBy(200);
    Date before = chart.scrollX();
    EXPECT_TRUE(wheel(chart, QPoint(-40, 12), QPoint(0, 480)));
    EXPECT_NEAR(chart.scrollX(), before + 40 / width * 600, 1e-6);

    // A scroll without any delta does nothing, yet is not passed on.
    before = chart.scrollX();
    EXPECT_TRUE(wheel(chart, QPoint(), QPoint()));
    EXPECT_DOUBLE_EQ(chart.scrollX(), before);

    // Dragging right by 90 points goes 90 points' worth back in time; a move without a press
    // before it is no drag.
    const QPointF grab = chart.plotArea().center();
    mouse(chart, QEvent::MouseMove, grab + QPointF(50, 0), Qt::NoButton);
    EXPECT_DOUBLE_EQ(chart.scrollX(), before);
    mouse(chart, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, grab + QPointF(60, 0), Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, grab + QPointF(90, 0), Qt::LeftButton);
    mouse(chart, QEvent::MouseButtonRelease, grab + QPointF(90, 0), Qt::NoButton);
    EXPECT_NEAR(chart.scrollX(), before - 90 / width * 600, 1e-6);
    EXPECT_FALSE(chart.following());

    // Dragging far left runs into the newest window and counts as following again.
    mouse(chart, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    mouse(chart, QEvent::MouseMove, grab - QPointF(4 * width, 0), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(chart.scrollX(), latest(chart) - 600);
    EXPECT_TRUE(chart.following());
    EXPECT_FALSE(nowButton(chart)->isVisible());
}

TEST_F(LatencyHistoryChartTest, ScrubbingToTheLeftEndShowsTheFirstTenMinutes) {
    setScrollback(true, 60);
    auto watched = recordedTarget(TargetKind::hostPing, 1800, 2, [](int) { return 30.0; });
    LatencyHistoryChart chart(watched->monitors().front());
    showAt(chart, 900, 300);
    ChartScrubber* strip = scrubber(chart);
    ASSERT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->height(), 18);
    EXPECT_EQ(strip->geometry().bottom(), chart.height() - 1);
    // Following, the thumb sits at the right end: one third of the strip for a third of the
    // history.
    EXPECT_NEAR(strip->thumbRect().right(), strip->width(), 0.5);
    EXPECT_NEAR(strip->thumbRect().width(), strip->width() * 600 / (1800 - 2), 1.0);

    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(0, 9));
    const Date first = watched->monitors().front()->samples().front().time;
    EXPECT_DOUBLE_EQ(chart.scrollX(), first);
    EXPECT_FALSE(chart.following());
    EXPECT_TRUE(nowButton(chart)->isVisible());
    EXPECT_NEAR(strip->thumbRect().left(), 0, 0.5);
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(0, 9));

    QTest::mouseClick(nowButton(chart), Qt::LeftButton);
    EXPECT_TRUE(chart.following());
    EXPECT_DOUBLE_EQ(chart.scrollX(), latest(chart) - 600);
}

// Without scrollback the series is trimmed to the ten minutes the chart shows at once: nothing to
// pan through, and no scrubber, only the small space that keeps the labels off the edge.
TEST_F(LatencyHistoryChartTest, TenMinutesOfHistoryCannotBePanned) {
    setScrollback(false);
    auto watched = recordedTarget(TargetKind::hostPing, 900, 1, [](int) { return 30.0; });
    const auto& samples = watched->monitors().front()->samples();
    ASSERT_LT(samples.back().time - samples.front().time, 600.5);
    LatencyHistoryChart chart(watched->monitors().front());
    showAt(chart, 900, 300);
    EXPECT_FALSE(scrubber(chart)->isVisible());
    const Date start = chart.scrollX();
    chart.panBy(300);
    wheel(chart, QPoint(), QPoint(0, 360));
    EXPECT_DOUBLE_EQ(chart.scrollX(), start);
    EXPECT_TRUE(chart.following());
    EXPECT_FALSE(nowButton(chart)->isVisible());
}

namespace {

// Reddish pixels along the top row of the plot, drawn over the dark window colour: only
// full-height bars reach it.
int redColumnsAtTheTop(LatencyHistoryChart& chart) {
    QPalette palette = chart.palette();
    palette.setColor(QPalette::Window, QColor(18, 22, 44));
    chart.setPalette(palette);
    chart.setAutoFillBackground(true);
    const QImage image = chart.grab().toImage();
    const QRectF plot = chart.plotArea();
    const int y = int(plot.top()) + 2;
    int red = 0;
    for (int x = int(plot.left()) + 1; x < int(plot.right()); ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel.red() - std::max(pixel.green(), pixel.blue()) > 90)
            ++red;
    }
    return red;
}

} // namespace

TEST_F(LatencyHistoryChartTest, LostSamplesAreFullHeightBarsAndAnswersAreNot) {
    auto lost = recordedTarget(TargetKind::hostPing, 300, 1, [](int) { return std::nullopt; });
    LatencyHistoryChart lostChart(lost->monitors().front());
    showAt(lostChart, 900, 300);
    // Five minutes of a ten-minute window: every other column or so, over half the plot.
    EXPECT_GT(redColumnsAtTheTop(lostChart), int(lostChart.plotArea().width() * 0.25));

    auto answered = recordedTarget(TargetKind::hostPing, 300, 1, [](int) { return 20.0; });
    LatencyHistoryChart answeredChart(answered->monitors().front());
    showAt(answeredChart, 900, 300);
    EXPECT_EQ(redColumnsAtTheTop(answeredChart), 0);
}

} // namespace vantorel
