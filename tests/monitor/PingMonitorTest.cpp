#include "monitor/PingMonitor.h"

#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/TestResolver.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// Short waits so that restarts and pauses happen within a second or two; the rules are the same.
constexpr MonitorTiming kFast{.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2};

// Every distinct status a monitor shows after it starts ("" for none), in order.
struct StatusLog {
    explicit StatusLog(PingMonitor& monitor) {
        QObject::connect(&monitor, &PingMonitor::changed, [this, &monitor] {
            const auto status = monitor.statusMessage().value_or(QString());
            reconnectAnnouncements += status.startsWith("Reconnecting");
            if (statuses.empty() ? !status.isEmpty() : statuses.back() != status)
                statuses.push_back(status);
        });
    }
    std::vector<QString> statuses;
    int reconnectAnnouncements = 0;
};

// Without a success in between, the reconnecting text stays up through all three restarts.
std::vector<QString> walkToPause(const QString& reason) {
    return {"Reconnecting… (" + reason + ")", "Auto-paused: ping " + reason};
}

std::vector<PingSample> storedSamples(const QString& key) {
    std::optional<std::vector<PingSample>> loaded;
    SampleStore::shared()->loadSamples(key, 0, [&](auto samples, auto) { loaded = samples; });
    EXPECT_TRUE(spinUntil([&] { return loaded.has_value(); }));
    return loaded.value_or(std::vector<PingSample>{});
}

class PingMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        Preferences::instance().setValue(keys::scrollbackEnabled, true);
        Preferences::instance().setValue(keys::scrollbackMinutes, 30);
    }
};

TEST_F(PingMonitorTest, LoopbackRecordsOnceASecondAfterWarmUpContinuingTheStoredNumbering) {
    const QString key = "hostPing:127.0.0.1";
    const Date now = dateNow();
    for (int id = 491; id <= 500; ++id)
        SampleStore::shared()->appendSample(key, {id, 2.5, now - 600 + id});

    auto monitor = PingMonitor::create("127.0.0.1", PingMonitor::Mode::continuous, key);
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 13; }, 15s));
    monitor->stop();

    const auto& samples = monitor->samples();
    EXPECT_EQ(samples[0].id, 491) << "stored history adopted";
    EXPECT_EQ(samples[10].id, 501) << "numbering continues after the stored samples";
    EXPECT_GE(samples[10].time - now, 4.5) << "five outcomes were discarded as warm-up";
    for (std::size_t i = 10; i < samples.size(); ++i) {
        EXPECT_TRUE(samples[i].rtt.has_value());
        if (i > 10) {
            EXPECT_NEAR(samples[i].time - samples[i - 1].time, 1.0, 0.2);
        }
    }
    EXPECT_TRUE(monitor->stats().avg.has_value());
    EXPECT_EQ(monitor->lastRtt(), samples.back().rtt);
    EXPECT_TRUE(spinUntil([&] { return storedSamples(key).size() == samples.size(); }))
        << "every recorded sample is written to the history";
}

TEST_F(PingMonitorTest, SilentHostIsRestartedThreeTimesThenPausedWithElevenLostSamples) {
    lab::Lab lab;
    const auto silent = QString::fromStdString(lab.addSilentHost());
    auto monitor =
        PingMonitor::create(silent, PingMonitor::Mode::continuous, "hostPing:" + silent, kFast);
    StatusLog log(*monitor);
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return !monitor->isRunning(); }, 20s));

    EXPECT_EQ(log.statuses, walkToPause("not responding"));
    ASSERT_EQ(monitor->samples().size(), 11u);
    for (std::size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(monitor->samples()[i].id, std::int64_t(i + 1));
        EXPECT_FALSE(monitor->samples()[i].rtt);
    }
    EXPECT_EQ(monitor->stats().lossPct, 100);
    spinFor(500ms);
    EXPECT_EQ(monitor->samples().size(), 11u) << "a paused monitor stays paused";
}

TEST_F(PingMonitorTest, HostThatAnsweredOnceIsNeverPausedForSilence) {
    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    const auto host = QString::fromStdString(destination);
    auto monitor = PingMonitor::create(host, PingMonitor::Mode::continuous, std::nullopt, kFast);
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 2; }));
    path.setLoss(lab::TunPath::Loss::everyNth(1));
    const auto before = monitor->samples().size();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= before + 12; }, 10s));
    EXPECT_TRUE(monitor->isRunning());
    EXPECT_FALSE(monitor->statusMessage());
    EXPECT_FALSE(monitor->samples().back().rtt);
    monitor->stop();
}

TEST_F(PingMonitorTest, UnresolvableNameAndRefusedSendsBlockWithTheirReasons) {
    lab::TestResolver resolver;
    resolver.start();
    lab::Lab lab;
    const auto unreachable = QString::fromStdString(lab.addUnreachableRoute());
    const auto prohibited = QString::fromStdString(lab.addProhibitRoute());

    const std::vector<std::pair<QString, QString>> cases = {
        {"nowhere.lab", "cannot resolve"},
        {unreachable, QString::fromLocal8Bit(strerror(EHOSTUNREACH))},
        {prohibited, QString::fromLocal8Bit(strerror(EACCES))}};
    for (const auto& [host, reason] : cases) {
        auto monitor =
            PingMonitor::create(host, PingMonitor::Mode::continuous, std::nullopt, kFast);
        StatusLog log(*monitor);
        monitor->start();
        ASSERT_TRUE(spinUntil([&] { return !monitor->isRunning(); }, 20s)) << host.toStdString();
        EXPECT_EQ(log.statuses, walkToPause(reason)) << host.toStdString();
        // Nothing else changes while it blocks, so each announcement is one of the restarts.
        EXPECT_EQ(log.reconnectAnnouncements, PingMonitor::kMaxRetries) << host.toStdString();
        EXPECT_TRUE(monitor->samples().empty()) << "a block records no sample";
    }
}

TEST_F(PingMonitorTest, StopThenStartKeepsTheSeriesWithoutReloadingHistory) {
    const QString key = "hostPing:127.0.0.2";
    auto monitor = PingMonitor::create("127.0.0.2", PingMonitor::Mode::continuous, key, kFast);
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= 3; }));
    monitor->stop();
    const auto kept = monitor->samples();
    const auto lastId = monitor->counter();

    SampleStore::shared()->appendSample(key, {9999, 1.0, dateNow()});
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->samples().size() >= kept.size() + 2; }));
    monitor->stop();
    const auto& samples = monitor->samples();
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), samples.begin()));
    EXPECT_EQ(samples[kept.size()].id, lastId + 1);
    EXPECT_TRUE(std::none_of(samples.begin(), samples.end(),
                             [](const PingSample& s) { return s.id == 9999; }));
}

TEST_F(PingMonitorTest, HistoryArrivingAfterStopIsIgnored) {
    const QString key = "hostPing:127.0.0.3";
    SampleStore::shared()->appendSample(key, {41, 3.0, dateNow() - 5});
    auto monitor = PingMonitor::create("127.0.0.3", PingMonitor::Mode::continuous, key, kFast);
    monitor->start();
    monitor->stop();
    spinFor(400ms);
    EXPECT_TRUE(monitor->samples().empty());
    EXPECT_EQ(monitor->counter(), 0);
    EXPECT_FALSE(monitor->isRunning());
}

// The window and cap rules, driven directly without probing.
TEST_F(PingMonitorTest, RecordKeepsTheHistoryWindowAndWritesOnlyWhileRecordingIsOn) {
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    const QString key = "hostPing:window.test";
    auto monitor = PingMonitor::create("window.test", PingMonitor::Mode::continuous, key);
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

} // namespace
} // namespace vantorel
