#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/Sysctl.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

constexpr auto kContinuous = PingMonitor::Mode::continuous;
constexpr auto lost = std::nullopt;

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::size_t storedCount(const QString& key) {
    std::optional<std::size_t> count;
    SampleStore::shared()->loadSamples(key, 0, [&](auto samples, auto) { count = samples.size(); });
    EXPECT_TRUE(spinUntil([&] { return count.has_value(); }));
    return count.value_or(0);
}

// Must stay the first test of this program: the shared ICMP engine keeps its socket once one
// opens, so ping sockets have to be forbidden when it first tries to open one.
TEST(ContinuousMode, ForbiddenPingSocketsBlockUntilAllowedAndAnsweredHostsAreNeverPaused) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    lab::writeSysctls({{"net.ipv4.ping_group_range", "1 0"}});
    auto monitor = PingMonitor::create(QString::fromStdString(path.address(2)), kContinuous,
                                       std::nullopt, {.probeInterval = 0.1, .probeTimeout = 0.1});
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->statusMessage().has_value(); }));
    EXPECT_EQ(monitor->statusMessage(), "Reconnecting… (" + reasonOf(EACCES) + ")");

    lab::writeSysctls({{"net.ipv4.ping_group_range", "0 2147483647"}});
    ASSERT_TRUE(spinUntil([&] { return !monitor->samples().empty(); }));
    EXPECT_TRUE(monitor->samples().front().rtt);
    EXPECT_FALSE(monitor->statusMessage()) << "the first reply clears the reconnecting text";

    path.setLoss(lab::TunPath::Loss::everyNth(1));
    ASSERT_TRUE(spinUntil([&] { return monitor->stats().lostCount >= 12; }));
    EXPECT_TRUE(monitor->isRunning() && !monitor->statusMessage())
        << "silence after a reply is loss";
    monitor->stop();
}

// Every way a monitor blocks: three automatic restarts under the reconnecting text, then a pause.
// A host that never answered is blocked after four losses a run, the warm-up's included, so it
// leaves 0 + 3 + 4 + 4 lost samples; a block on sending or resolving records nothing.
TEST(ContinuousMode, BlocksAreRestartedThreeTimesThenPausedWithTheirReason) {
    lab::Lab lab;
    lab::TestResolver resolver;
    resolver.start();
    const std::tuple<std::string, QString, int> cases[] = {
        {lab.addSilentHost(), "not responding", 11},
        {"nowhere.lab", "cannot resolve", 0},
        {lab.addUnreachableRoute(), reasonOf(EHOSTUNREACH), 0},
        {lab.addProhibitRoute(), reasonOf(EACCES), 0}};
    for (const auto& [host, reason, lostSamples] : cases) {
        auto monitor =
            PingMonitor::create(QString::fromStdString(host), kContinuous, std::nullopt,
                                {.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.3});
        QStringList statuses{""};
        QObject::connect(monitor.get(), &PingMonitor::changed, [&, m = monitor.get()] {
            if (statuses.back() != m->statusMessage().value_or(""))
                statuses.append(m->statusMessage().value_or(""));
        });
        monitor->start();
        ASSERT_TRUE(spinUntil([&] { return !monitor->isRunning(); }, 20s)) << host;
        EXPECT_EQ(statuses, (QStringList{"", "Reconnecting… (" + reason + ")",
                                         "Auto-paused: ping " + reason}));
        EXPECT_EQ(monitor->samples().size(), std::size_t(lostSamples)) << host;
        EXPECT_EQ(monitor->stats().lostCount, lostSamples);
        EXPECT_EQ(monitor->counter(), lostSamples);
    }
}

TEST(ContinuousMode, ProbesOnceASecondAfterAWarmUpOfFiveContinuingTheStoredHistory) {
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    lab::TunPath path;
    path.setDestinations({path.address(3)});
    const QString host = QString::fromStdString(path.address(3)), key = "hostPing:" + host;
    const Date now = dateNow();
    for (int id = 491; id <= 500; ++id)
        SampleStore::shared()->appendSample(key, {id, 2.5, now - 600 + id});
    auto monitor = PingMonitor::create(host, kContinuous, key);
    monitor->start();
    monitor->stop();
    spinFor(300ms);
    EXPECT_TRUE(monitor->samples().empty()) << "history arriving after a stop is dropped";

    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 13; }, 15s));
    monitor->stop();
    const auto kept = monitor->samples();
    EXPECT_EQ(kept[0].id, 491) << "the stored history is adopted";
    EXPECT_EQ(kept[10].id, 501) << "numbering continues after the stored samples";
    EXPECT_GE(kept[10].time - now, 4.5) << "five outcomes were discarded as warm-up";
    for (std::size_t i = 11; i < kept.size(); ++i)
        EXPECT_NEAR(kept[i].time - kept[i - 1].time, 1.0, 0.2);
    EXPECT_EQ(monitor->lastRtt(), kept.back().rtt);
    EXPECT_TRUE(spinUntil([&] { return storedCount(key) == kept.size(); })) << "all are written";

    // Started again, it keeps its series, reads no history and warms up afresh.
    SampleStore::shared()->appendSample(key, {9999, 1.0, dateNow()});
    const Date restart = dateNow();
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() > kept.size(); }, 10s));
    monitor->stop();
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), monitor->samples().begin()));
    EXPECT_EQ(monitor->samples()[kept.size()].id, kept.back().id + 1);
    EXPECT_GE(monitor->samples()[kept.size()].time - restart, 4.5);
}

// The window rule, driven through record() without probing.
TEST(ContinuousMode, TheSeriesKeepsTheHistoryWindowAndIsWrittenOnlyWhileRecordingIsOn) {
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    const QString key = "hostPing:window.test";
    auto monitor = PingMonitor::create("window.test", kContinuous, key);
    const Date now = dateNow();
    monitor->record(10, now - 900);
    monitor->record(lost, now - 700);
    EXPECT_EQ(monitor->samples().size(), 2u) << "nothing inside the window: nothing removed";
    monitor->record(12, now - 599);
    monitor->record(14, now);
    ASSERT_EQ(monitor->samples().size(), 2u) << "with recording off the window is 600 s";
    EXPECT_EQ(monitor->samples().front().id, 3);
    EXPECT_EQ(monitor->stats(),
              (MonitorStats{13, 12, 14, 0, 12, 2, meanOpinionScore(13, 2, 0), 0, {}}));
    EXPECT_EQ(storedCount(key), 0u);
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    monitor->record(16, now);
    EXPECT_EQ(storedCount(key), 1u);
}

MonitorStats statsOf(const std::vector<std::optional<double>>& rtts) {
    SampleSeries series;
    for (std::size_t i = 0; i < rtts.size(); ++i)
        series.append({std::int64_t(i + 1), rtts[i], 1001.0 + double(i)});
    return series.computeStats();
}

TEST(Statistics, WorkedSeriesAndTheMeanOpinionScore) {
    EXPECT_EQ(statsOf({}), MonitorStats{});
    EXPECT_EQ(statsOf({lost, lost, lost}),
              (MonitorStats{.lossPct = 100, .lostCount = 3, .lastFailure = 1003.0}));
    // Jitter skips the loss between answers; p95 is index 1 of the 3 sorted answers.
    EXPECT_EQ(statsOf({10, 20, lost, 40}),
              (MonitorStats{70.0 / 3, 10, 40, 25, 20, 15, meanOpinionScore(70.0 / 3, 15, 25), 1,
                            1003.0}));
    EXPECT_EQ(statsOf({12.5}),
              (MonitorStats{12.5, 12.5, 12.5, 0, 12.5, {}, meanOpinionScore(12.5, 0, 0), 0, {}}));
    std::vector<std::optional<double>> descending;
    for (int rtt = 100; rtt >= 1; --rtt)
        descending.push_back(rtt);
    EXPECT_EQ(statsOf(descending).p95, 95);
    EXPECT_EQ(statsOf({descending.end() - 20, descending.end()}).p95, 19) << "not the largest";

    const double r = 89.2; // an effective latency of exactly 160 takes the second branch
    EXPECT_NEAR(meanOpinionScore(0, 0, 0), 4.4044, 5e-5);
    EXPECT_NEAR(meanOpinionScore(20, 2, 0), 4.3974, 5e-5);
    EXPECT_NEAR(meanOpinionScore(70.0 / 3, 15, 25), 1.5847, 5e-5);
    EXPECT_NEAR(meanOpinionScore(300, 0, 0), 1 + 0.035 * r + (100 - r) * 0.000007 * r * (r - 60),
                1e-12);
    EXPECT_EQ(meanOpinionScore(1, 0, 40), 1);
    EXPECT_EQ(meanOpinionScore(5000, 100, 0), 1);
}

} // namespace
} // namespace vantorel
