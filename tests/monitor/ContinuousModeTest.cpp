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
#include <random>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// Restarts and pauses within a second or two; the rules are the production ones.
constexpr MonitorTiming kFast{.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.3};
constexpr auto kContinuous = PingMonitor::Mode::continuous;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString reasonOf(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::vector<PingSample> storedSamples(const QString& key) {
    std::optional<std::vector<PingSample>> loaded;
    SampleStore::shared()->loadSamples(key, 0, [&](auto samples, auto) { loaded = samples; });
    EXPECT_TRUE(spinUntil([&] { return loaded.has_value(); }));
    return loaded.value_or(std::vector<PingSample>{});
}

// Must stay the first test of this program: the shared ICMP engine keeps its socket once one
// opens, so ping sockets have to be forbidden when it first tries to open one.
TEST(ContinuousMode, ForbiddenPingSocketsBlockUntilAllowedAndAnsweredHostsAreNeverPaused) {
    lab::TunPath path;
    const auto host = path.address(2);
    path.setDestinations({host});
    lab::writeSysctls({{"net.ipv4.ping_group_range", "1 0"}});
    auto monitor =
        PingMonitor::create(qt(host), kContinuous, std::nullopt,
                            {.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 1});
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->statusMessage().has_value(); }));
    EXPECT_EQ(monitor->statusMessage(), "Reconnecting… (" + reasonOf(EACCES) + ")");

    lab::writeSysctls({{"net.ipv4.ping_group_range", "0 2147483647"}});
    ASSERT_TRUE(spinUntil([&] { return !monitor->samples().empty(); }));
    EXPECT_TRUE(monitor->samples().front().rtt);
    EXPECT_FALSE(monitor->statusMessage()) << "the first reply clears the reconnecting text";

    // Silence after an answer is only loss.
    path.setLoss(lab::TunPath::Loss::everyNth(1));
    ASSERT_TRUE(spinUntil([&] { return monitor->stats().lostCount >= 12; }));
    EXPECT_TRUE(monitor->isRunning());
    EXPECT_FALSE(monitor->statusMessage());
    monitor->stop();
}

// Every way a monitor blocks: three automatic restarts under the reconnecting text, then a pause.
// A host that never answered is blocked after four losses a run, the warm-up's included, so it
// leaves 0 + 3 + 4 + 4 lost samples; a block on sending or resolving records nothing.
TEST(ContinuousMode, BlocksAreRestartedThreeTimesThenPausedWithTheirReason) {
    lab::Lab lab;
    lab::TestResolver resolver;
    resolver.start();
    const std::tuple<QString, QString, int> cases[] = {
        {qt(lab.addSilentHost()), "not responding", 11},
        {"nowhere.lab", "cannot resolve", 0},
        {qt(lab.addUnreachableRoute()), reasonOf(EHOSTUNREACH), 0},
        {qt(lab.addProhibitRoute()), reasonOf(EACCES), 0}};
    for (const auto& [host, reason, lostSamples] : cases) {
        auto monitor = PingMonitor::create(host, kContinuous, "hostPing:" + host, kFast);
        std::vector<QString> statuses;
        QObject::connect(monitor.get(), &PingMonitor::changed, [&, m = monitor.get()] {
            if (statuses.empty() || statuses.back() != m->statusMessage().value_or(""))
                statuses.push_back(m->statusMessage().value_or(""));
        });
        monitor->start();
        ASSERT_TRUE(spinUntil([&] { return !monitor->isRunning(); }, 20s)) << host.toStdString();
        EXPECT_EQ(statuses, (std::vector<QString>{"", "Reconnecting… (" + reason + ")",
                                                  "Auto-paused: ping " + reason}));
        EXPECT_EQ(monitor->samples().size(), std::size_t(lostSamples)) << host.toStdString();
        EXPECT_EQ(monitor->stats().lostCount, lostSamples);
        EXPECT_EQ(monitor->counter(), lostSamples);
    }
}

TEST(ContinuousMode, ProbesOnceASecondAfterAWarmUpOfFiveContinuingTheStoredHistory) {
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    lab::TunPath path;
    const auto host = qt(path.address(3));
    path.setDestinations({host.toStdString()});
    const QString key = "hostPing:" + host;
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
    for (std::size_t i = 11; i < kept.size(); ++i) {
        EXPECT_TRUE(kept[i].rtt.has_value());
        EXPECT_NEAR(kept[i].time - kept[i - 1].time, 1.0, 0.2);
    }
    EXPECT_EQ(monitor->lastRtt(), kept.back().rtt);
    EXPECT_TRUE(spinUntil([&] { return storedSamples(key).size() == kept.size(); }))
        << "every recorded sample is written to the history";

    // Started again, it keeps its series, reads no history and warms up afresh.
    SampleStore::shared()->appendSample(key, {9999, 1.0, dateNow()});
    const Date restart = dateNow();
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() > kept.size(); }, 10s));
    monitor->stop();
    const auto& samples = monitor->samples();
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), samples.begin()));
    EXPECT_EQ(samples[kept.size()].id, kept.back().id + 1);
    EXPECT_GE(samples[kept.size()].time - restart, 4.5);
}

// The window rule, driven through record() without probing.
TEST(ContinuousMode, TheSeriesKeepsTheHistoryWindowAndIsWrittenOnlyWhileRecordingIsOn) {
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    const QString key = "hostPing:window.test";
    auto monitor = PingMonitor::create("window.test", kContinuous, key);
    const Date now = dateNow();
    monitor->record(10, now - 900);
    monitor->record(std::nullopt, now - 700);
    EXPECT_EQ(monitor->samples().size(), 2u) << "nothing inside the window: nothing removed";
    monitor->record(12, now - 599);
    monitor->record(14, now);
    ASSERT_EQ(monitor->samples().size(), 2u) << "with recording off the window is 600 s";
    EXPECT_EQ(monitor->samples().front().id, 3);
    EXPECT_EQ(monitor->stats().avg, 13);
    EXPECT_FALSE(monitor->stats().lastFailure) << "the loss left the window";
    EXPECT_TRUE(storedSamples(key).empty());

    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    monitor->record(16, now);
    EXPECT_EQ(storedSamples(key).size(), 1u);
}

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
