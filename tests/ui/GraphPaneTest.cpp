#include "ui/detail/GraphPane.h"

#include "GraphPaneFixture.h"
#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/QtPrinters.h"
#include "ui/controls/ActivitySpinner.h"
#include "ui/controls/BusyNote.h"
#include "ui/controls/DialGauge.h"
#include "ui/controls/EmptyStateView.h"
#include "ui/detail/HeadlineFigure.h"
#include "ui/detail/HopList.h"
#include "ui/detail/HopRow.h"
#include "ui/detail/HostGrid.h"
#include "ui/detail/LatencyHistoryChart.h"
#include "ui/detail/ServiceStats.h"
#include "ui/rules/LatencyScale.h"
#include "ui/rules/TimeLabel.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolTip>

namespace vantorel {

using namespace std::chrono_literals;

namespace {

QString headline(const GraphPane& pane) {
    return pane.findChild<HeadlineFigure*>(QStringLiteral("headlineFigure"))->text();
}

QString emptySymbol(const GraphPane& pane) {
    return pane.findChild<EmptyStateView*>(QStringLiteral("emptyState"))->symbol();
}

QString toolTipOver(HostGrid& grid, int cell) {
    const QPoint at = grid.cellRect(cell).center();
    QHelpEvent event(QEvent::ToolTip, at, grid.mapToGlobal(at));
    QApplication::sendEvent(&grid, &event);
    return QToolTip::text();
}

std::vector<QString> hopHosts(const HopList& list) {
    std::vector<QString> hosts;
    for (const HopRow* row : list.rows())
        hosts.push_back(row->hop().host);
    return hosts;
}

} // namespace

using GraphPaneTest = GraphPaneFixture;

TEST_F(GraphPaneTest, HostPingWaitsForRepliesThenChartsThemWithGaugeAndHeadline) {
    auto watched = target(TargetKind::hostPing, QString::fromStdString(lab().addHost()), true);
    GraphPane pane(watched);
    showAt(pane, 900, 360);
    EXPECT_EQ(pane.subtitle(), QStringLiteral("Round-trip latency"));
    EXPECT_EQ(pane.emptyStateText(), QStringLiteral("Waiting for replies…"));
    EXPECT_EQ(headline(pane), QStringLiteral("— ms"));
    ASSERT_NE(pane.chart(), nullptr);
    ASSERT_NE(pane.gauge(), nullptr);
    EXPECT_EQ(pane.serviceStats(), nullptr);
    EXPECT_LE(pane.gauge()->width(), 340);

    const PingMonitor& monitor = *watched->monitors().front();
    ASSERT_TRUE(test::spinUntil([&] { return monitor.samples().size() >= 3; }));
    ASSERT_TRUE(test::spinUntil([&] { return pane.emptyStateText().isEmpty(); }));
    EXPECT_TRUE(pane.chart()->isVisible());
    EXPECT_TRUE(pane.chart()->following());
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d+\\.\\d ms$")).match(headline(pane)).hasMatch())
        << headline(pane).toStdString();

    // The gauge shows the newest sample on the pane's scale once the pane has caught up.
    ASSERT_TRUE(test::spinUntil(
        [&] { return pane.gauge()->reading().value == monitor.samples().back().rtt; }));
    const gauge::Reading& reading = pane.gauge()->reading();
    EXPECT_FALSE(reading.isDown);
    EXPECT_EQ(reading.green, 50);
    EXPECT_EQ(reading.yellow, 150);
    EXPECT_DOUBLE_EQ(reading.gaugeMax, gaugeMax(Thresholds{50, 150}, monitor.stats().p95));

    watched->setEnabled(false);
    ASSERT_TRUE(test::spinUntil([&] { return !pane.emptyStateText().isEmpty(); }));
    EXPECT_EQ(pane.emptyStateText(), QStringLiteral("Monitoring is off"));
    EXPECT_EQ(emptySymbol(pane), QStringLiteral("chart.line.uptrend.xyaxis"));
}

TEST_F(GraphPaneTest, GaugeIsDownWhileTheNewestSampleIsLost) {
    auto watched = recordedTarget(TargetKind::hostPing, 3, 1,
                                  [](int i) { return i < 2 ? std::optional(12.0) : std::nullopt; });
    GraphPane pane(watched);
    EXPECT_TRUE(pane.gauge()->reading().isDown);
    EXPECT_FALSE(pane.gauge()->reading().value);

    watched->monitors().front()->record(42, dateNow());
    ASSERT_TRUE(test::spinUntil([&] { return !pane.gauge()->reading().isDown; }));
    EXPECT_EQ(pane.gauge()->reading().value, 42);
}

// A stopped service check fed by hand: two of three checks passed, the failure at a known time.
TEST_F(GraphPaneTest, ServiceStatisticsSummariseTheChecks) {
    auto watched = recordedTarget(TargetKind::serviceCheck, 3, 1,
                                  [](int i) { return i == 1 ? std::nullopt : std::optional(8.0); });
    GraphPane pane(watched);
    ASSERT_NE(pane.serviceStats(), nullptr);
    ASSERT_NE(pane.chart(), nullptr);
    EXPECT_EQ(pane.subtitle(), QStringLiteral("Service response time"));
    const ServiceStats& stats = *pane.serviceStats();
    const Date failed = watched->monitors().front()->samples()[1].time;
    const std::vector<std::pair<QString, QString>> expected{
        {QStringLiteral("Uptime"), QStringLiteral("66.7%")},
        {QStringLiteral("Checks passed"), QStringLiteral("2 / 3")},
        {QStringLiteral("Probe"), QStringLiteral("TCP connect")},
        {QStringLiteral("Last failure"), timeLabel(failed, true)}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(stats.caption(i), expected[std::size_t(i)].first);
        EXPECT_EQ(stats.value(i), expected[std::size_t(i)].second);
    }

    auto fresh = target(TargetKind::serviceCheck, QStringLiteral("127.0.0.1:9"), false);
    GraphPane unchecked(fresh);
    EXPECT_EQ(unchecked.serviceStats()->value(0), QStringLiteral("—"));
    EXPECT_EQ(unchecked.serviceStats()->value(1), QStringLiteral("—"));
    EXPECT_EQ(unchecked.serviceStats()->value(3), QStringLiteral("none"));
}

TEST_F(GraphPaneTest, HttpCheckShowsItsStatus) {
    test::HttpTestServer server;
    server.answer(QStringLiteral("/health"), {.status = 204, .reason = "No Content"});
    auto watched =
        target(TargetKind::serviceCheck, server.url(QStringLiteral("/health")).toString(), true);
    GraphPane pane(watched);
    ASSERT_TRUE(test::spinUntil([&] { return pane.serviceStats()->value(2) == "204"; }));
    EXPECT_EQ(pane.serviceStats()->caption(2), QStringLiteral("HTTP status"));
    EXPECT_EQ(pane.serviceStats()->value(3), QStringLiteral("none"));
}

TEST_F(GraphPaneTest, TracerouteListsItsHopsAndKeepsTheRowsAsTheyUpdate) {
    lab::RouterChain& route = lab().addRouteThroughRouters(2);
    const QString destination = QString::fromStdString(route.destination());
    auto watched = target(TargetKind::traceroute, destination, true);
    GraphPane pane(watched);
    // Before the event loop has run the first walk.
    EXPECT_EQ(pane.gauge(), nullptr);
    EXPECT_EQ(pane.chart(), nullptr);
    EXPECT_TRUE(pane.busyNote()->isVisibleTo(&pane));
    EXPECT_FALSE(pane.hopList()->isVisibleTo(&pane));
    EXPECT_EQ(pane.busyNote()->text(), QStringLiteral("Tracing route…"));
    EXPECT_EQ(pane.subtitle(), QStringLiteral("Path to %1 · 0 hops").arg(destination));
    showAt(pane, 900, 360);

    const std::vector<QString> path{QString::fromStdString(route.routers()[0]),
                                    QString::fromStdString(route.routers()[1]), destination};
    ASSERT_TRUE(test::spinUntil([&] { return hopHosts(*pane.hopList()) == path; }));
    EXPECT_FALSE(pane.busyNote()->isVisible());
    // A spinner nobody sees does not tick.
    EXPECT_FALSE(pane.busyNote()->spinner()->isSpinning());
    EXPECT_TRUE(pane.hopList()->isVisible());
    EXPECT_EQ(pane.subtitle(), QStringLiteral("Path to %1 · 3 hops").arg(destination));

    // Later walks update the same rows.
    const std::vector<HopRow*> rows = pane.hopList()->rows();
    ASSERT_TRUE(test::spinUntil([&] { return rows[0]->hop().rtts.size() >= 3; }));
    EXPECT_EQ(pane.hopList()->rows(), rows);

    watched->setEnabled(false);
    ASSERT_TRUE(test::spinUntil([&] { return !pane.emptyStateText().isEmpty(); }));
    EXPECT_EQ(emptySymbol(pane),
              QStringLiteral("point.topleft.down.to.point.bottomright.curvepath"));
}

TEST_F(GraphPaneTest, SweepScansIntoAGridWithTooltipsAndRescans) {
    lab().startSubnet();
    const std::vector<std::string> alive = lab().addHosts(2);
    const QString silent = QString::fromStdString(lab().addSilentHost());
    auto watched = target(TargetKind::pingSweep, QString::fromStdString(alive[0]), true, silent);
    ASSERT_EQ(watched->monitors().size(), 3u);
    GraphPane pane(watched);
    showAt(pane, 900, 360);
    EXPECT_EQ(pane.subtitle(), QStringLiteral("3 hosts · liveness scan"));
    EXPECT_EQ(pane.gauge(), nullptr);
    EXPECT_TRUE(pane.busyNote()->isVisible());
    EXPECT_EQ(pane.busyNote()->text(), QStringLiteral("Scanning 0/3"));
    EXPECT_TRUE(pane.busyNote()->spinner()->isSpinning());
    HostGrid& grid = *pane.hostGrid();
    EXPECT_EQ(toolTipOver(grid, 0), QString::fromStdString(alive[0]) + " · not scanned yet");

    ASSERT_TRUE(test::spinUntil([&] { return !pane.busyNote()->isVisible(); }));
    EXPECT_FALSE(pane.busyNote()->spinner()->isSpinning());
    EXPECT_EQ(headline(pane), QStringLiteral("2 / 3 up"));
    const QRegularExpression answered(QRegularExpression::escape(QString::fromStdString(alive[1])) +
                                      QStringLiteral(" \\d+ ms$"));
    EXPECT_TRUE(answered.match(toolTipOver(grid, 1)).hasMatch())
        << toolTipOver(grid, 1).toStdString();
    EXPECT_EQ(toolTipOver(grid, 2), silent + " · no reply");

    auto* rescan = pane.findChild<QPushButton*>(QStringLiteral("rescanButton"));
    ASSERT_NE(rescan, nullptr);
    QTest::mouseClick(rescan, Qt::LeftButton);
    EXPECT_TRUE(watched->isScanning());
    ASSERT_TRUE(test::spinUntil([&] { return pane.busyNote()->isVisible(); }));
    ASSERT_TRUE(test::spinUntil([&] { return !watched->isScanning(); }));

    watched->setEnabled(false);
    ASSERT_TRUE(test::spinUntil([&] { return !rescan->isEnabled(); }));
    EXPECT_EQ(pane.emptyStateText(), QStringLiteral("Monitoring is off"));
}

TEST_F(GraphPaneTest, GridColumnsAdaptToTheWidth) {
    auto watched =
        target(TargetKind::pingSweep, unprobedAddress(), false, QStringLiteral("198.19.251.10"));
    HostGrid grid(watched);
    grid.resize(3 * 52 + 2 * 4, 100);
    EXPECT_EQ(grid.columns(), 3);
    grid.resize(3 * 52 + 2 * 4 - 1, 100);
    EXPECT_EQ(grid.columns(), 2);
    // Cells share the width, 4 points apart; the last of a row ends at the edge.
    EXPECT_EQ(grid.cellRect(1).left() - grid.cellRect(0).right() - 1, 4);
    EXPECT_EQ(grid.cellRect(1).right(), grid.width() - 1);
    EXPECT_EQ(grid.cellRect(2).top(), grid.cellRect(0).bottom() + 1 + 4);
}

} // namespace vantorel
