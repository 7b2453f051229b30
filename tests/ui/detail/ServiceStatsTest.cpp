// A service check's figures: the share of checks passed, how many, the probe or the last HTTP
// status, and when one last failed, on either clock; two by two when four do not fit across.
#include "ui/detail/ServiceStats.h"

#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/PaintRecorder.h"
#include "targets/Target.h"
#include "ui/controls/Theme.h"
#include "ui/detail/GraphPane.h"
#include "ui/detail/ResultChip.h"
#include "ui/detail/ResultsPane.h"
#include "ui/overview/TargetTile.h"
#include "ui/rules/TimeLabel.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::spinUntil;

QRect cellOf(const ServiceStats& stats, const char* value) {
    return stats.findChild<QLabel*>(QLatin1String(value))->parentWidget()->geometry();
}

TEST(ServiceStats, SumUpTheChecksInFourColumnsOrTwoAndShowTheLastHttpStatus) {
    const auto tcp = Target::create({TargetKind::serviceCheck, "127.0.0.1:9", {}, 24}, false);
    const Date start = dateNow() - 10;
    const std::optional<double> outcomes[] = {3.0, 4.0, std::nullopt, 5.0};
    for (int i = 0; i < 4; ++i)
        tcp->monitors().front()->record(outcomes[i], start + i);
    GraphPane pane(tcp);
    pane.resize(900, 600);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    const ServiceStats& stats = *pane.findChild<ServiceStats*>();
    ASSERT_TRUE(spinUntil([&] { return stats.value(1) == "3 / 4"; }));
    EXPECT_EQ((QStringList{stats.caption(0), stats.caption(1), stats.caption(2), stats.caption(3)}),
              (QStringList{"Uptime", "Checks passed", "Probe", "Last failure"}));
    Preferences::instance().setValue(keys::use24Hour, timeLabel(start, false).endsWith('M'));
    EXPECT_EQ((QStringList{stats.value(0), stats.value(2), stats.value(3)}),
              (QStringList{"75.0%", "TCP connect", timeLabel(start + 2, true)}));
    EXPECT_EQ(cellOf(stats, "lastFailureValue").top(), cellOf(stats, "uptimeValue").top());
    TargetTile tile(tcp, 1);
    tile.resize(351, 140);
    EXPECT_EQ(test::PaintRecorder(tile).texts(),
              (QStringList{"127.0.0.1:9", "5 ms", "75.0% uptime"}));
    // Right from the last chip shown goes nowhere: the hidden HTTP chip never takes the tab stop.
    ResultsPane tcpResults(tcp);
    QTest::keyClick(tcpResults.findChild<ResultChip*>("chip_MOS"), Qt::Key_Right);
    EXPECT_EQ(tcpResults.findChild<ResultChip*>("chip_HTTP")->focusPolicy(), Qt::NoFocus);

    pane.resize(stats.minimumSizeHint().width() + 40, 600);
    ASSERT_TRUE(spinUntil(
        [&] { return cellOf(stats, "probeValue").top() > cellOf(stats, "uptimeValue").bottom(); }));
    EXPECT_EQ(cellOf(stats, "probeValue").left(), cellOf(stats, "uptimeValue").left());

    // A 404 is a failed check whose status is still shown.
    test::HttpTestServer server;
    server.answer(QStringLiteral("/missing"), {.status = 404, .reason = "Not Found"});
    const auto http = Target::create(
        {TargetKind::serviceCheck, server.url(QStringLiteral("/missing")).toString(), {}, 24}, true,
        {.httpCheckPeriod = 0.2});
    GraphPane httpPane(http);
    httpPane.show();
    EXPECT_EQ(httpPane.emptyStateText(), "Waiting for replies…");
    ServiceStats unchecked;
    unchecked.refresh(*http);
    EXPECT_EQ((QStringList{unchecked.value(0), unchecked.value(3)}), (QStringList{"—", "none"}));
    unchecked.resize(unchecked.sizeHint()); // four across, until longer figures come
    unchecked.refresh(*tcp);
    EXPECT_GT(unchecked.sizeHint().height(), unchecked.size().height());
    const ServiceStats& httpStats = *httpPane.findChild<ServiceStats*>();
    ASSERT_TRUE(
        spinUntil([&] { return httpStats.value(1).startsWith("0 / "); }, std::chrono::seconds(10)));
    EXPECT_EQ((QStringList{httpStats.value(2), httpStats.caption(2), httpStats.value(0)}),
              (QStringList{"404", "HTTP status", "0.0%"}));
    ResultsPane results(http);
    results.show();
    auto& chip = *results.findChild<ResultChip*>("chip_HTTP");
    EXPECT_EQ(test::PaintRecorder(chip).colourOf("404"), theme::red()) << "and the list's chip";
    ASSERT_TRUE(spinUntil([&] { return http->health() == TargetHealth::down; }));
    TargetTile httpTile(http, 1);
    EXPECT_EQ(test::PaintRecorder(httpTile).colourOf("—"), theme::red()) << "a down tile's figure";
    server.answer(QStringLiteral("/missing"), {}); // a 200 turns it green
    ASSERT_TRUE(spinUntil([&] { return chip.value() == "200"; }, std::chrono::seconds(2)));
    EXPECT_EQ(test::PaintRecorder(chip).colourOf("200"), theme::green());
    http->setEnabled(false);
}

} // namespace
} // namespace vantorel
