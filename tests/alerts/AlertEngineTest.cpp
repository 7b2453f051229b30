#include "alerts/AlertEngine.h"

#include "alerts/DesktopNotifier.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/NotificationDaemonRecorder.h"
#include "support/QtPrinters.h"
#include "support/SessionBus.h"
#include "targets/HostStore.h"

#include <QRegularExpression>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace std::chrono_literals;
using vantorel::test::NotificationDaemon;
using vantorel::test::NotificationDaemonRecorder;
using vantorel::test::RecordedNotification;
using vantorel::test::SessionBusEnvironment;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

[[maybe_unused]] testing::Environment* const privateSessionBus =
    testing::AddGlobalTestEnvironment(new SessionBusEnvironment);

constexpr MonitorTiming kFast{.probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2};
// Evaluations every 200 ms instead of 5 s; the rules and their limits are the production ones.
constexpr double kQuickEvaluations = 0.2;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// Collects what the process writes to standard output while it exists.
class CapturedStdout {
public:
    CapturedStdout()
        : saved_(::dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        ::dup2(::fileno(file_), STDOUT_FILENO);
    }
    ~CapturedStdout() { restore(); }
    QString text() {
        restore();
        std::rewind(file_);
        QByteArray all;
        char chunk[4096];
        while (const auto n = std::fread(chunk, 1, sizeof(chunk), file_))
            all.append(chunk, qsizetype(n));
        return QString::fromUtf8(all);
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    std::FILE* file_ = std::tmpfile();
    int saved_;
};

// A store holding one host ping on an emulated path, and an engine posting to the session bus.
class AlertEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& preferences = Preferences::instance();
        preferences.setValue(HostStore::kKey, QByteArray("[]"));
        preferences.setValue(keys::alertsEnabled, true);
        preferences.setValue(keys::alertUnreachableSecs, 0);
        preferences.setValue(keys::alertLossPct, 10.0);
        preferences.setValue(keys::alertLatencyMs, 0.0);
        // A fresh address per test, so that no test inherits another's stored samples.
        static int nextHost = 2;
        host = path.address(nextHost++);
        path.setDestinations({host});
        store = std::make_unique<HostStore>(kFast);
        id = store->add({TargetKind::hostPing, qt(host), "", 24});
        ASSERT_TRUE(spinUntil([&] { return target().health() == TargetHealth::ok; }));
        engine =
            std::make_unique<AlertEngine>(std::make_unique<DesktopNotifier>(), kQuickEvaluations);
        engine->start(*store);
    }
    void TearDown() override {
        engine.reset();
        store.reset();
    }
    Target& target() { return *store->target(id); }
    QString name() { return qt(host); }

    lab::TunPath path;
    std::string host;
    std::unique_ptr<HostStore> store;
    QUuid id;
    std::unique_ptr<AlertEngine> engine;
};

TEST_F(AlertEngineTest, UnreachableFiresAfterTheLimitAndRecoversWithoutSound) {
    NotificationDaemonRecorder daemon(SessionBusEnvironment::bus());
    CapturedStdout output;
    path.setLoss(lab::TunPath::Loss::everyNth(1));
    ASSERT_TRUE(spinUntil([&] { return target().health() == TargetHealth::down; }));
    QElapsedTimer down;
    down.start();
    // A limit of 0 s counts as 5 s, and the loss limit fires first along the way.
    auto posted = daemon.waitForNotifications(2, 10s);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(posted[0].summary.startsWith(name() + " high packet loss ("));
    EXPECT_EQ(posted[1].summary, name() + " unreachable");
    EXPECT_GE(down.elapsed(), 4500);
    EXPECT_EQ(posted[1].body, "Host Ping");
    EXPECT_EQ(posted[1].hints.value("sound-name"), "message-new-instant");
    EXPECT_FALSE(posted[1].hints.contains("suppress-sound"));

    path.setLoss(lab::TunPath::Loss::none());
    posted = daemon.waitForNotifications(3, 10s);
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[2].summary, name() + " reachable again");
    EXPECT_EQ(posted[2].hints.value("suppress-sound"), true);
    EXPECT_FALSE(posted[2].hints.contains("sound-name"));
    EXPECT_EQ(daemon.serverInformationRequests(), 1) << "permission is asked for once";
    EXPECT_EQ(output.text(), "ALERT fired: " + name() + " loss\nALERT fired: " + name() +
                                 " unreachable\nALERT recovered: " + name() + " unreachable\n");
}

TEST_F(AlertEngineTest, LossAndLatencyFireWithTruncatedFiguresAndFollowTheLimits) {
    NotificationDaemonRecorder daemon(SessionBusEnvironment::bus());
    Preferences::instance().setValue(keys::alertLossPct, 0.0);
    Preferences::instance().setValue(keys::alertLatencyMs, 50.0);
    path.setDelay(80ms);
    auto posted = daemon.waitForNotifications(1, 10s);
    ASSERT_EQ(posted.size(), 1u);
    const auto figure =
        QRegularExpression(R"(high latency \((\d+) ms\)$)").match(posted[0].summary);
    ASSERT_TRUE(figure.hasMatch()) << posted[0].summary.toStdString();
    EXPECT_GE(figure.captured(1).toInt(), 80);
    EXPECT_LT(figure.captured(1).toInt(), 90);

    // Limits are read at every evaluation: a higher one clears the alert.
    Preferences::instance().setValue(keys::alertLatencyMs, 500.0);
    posted = daemon.waitForNotifications(2, 5s);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[1].summary, name() + " latency back to normal");

    path.setDelay(0ms);
    path.setLoss(lab::TunPath::Loss::everyNth(3));
    Preferences::instance().setValue(keys::alertLossPct, 10.0);
    posted = daemon.waitForNotifications(3, 10s);
    ASSERT_EQ(posted.size(), 3u);
    const auto loss =
        QRegularExpression(R"(high packet loss \((\d+)%\)$)").match(posted[2].summary);
    ASSERT_TRUE(loss.hasMatch()) << posted[2].summary.toStdString();
    EXPECT_GT(loss.captured(1).toInt(), 10);
    EXPECT_LE(loss.captured(1).toInt(), 34);
}

TEST_F(AlertEngineTest, DisablingAFiredTargetOrAllAlertsSendsNothing) {
    NotificationDaemonRecorder daemon(SessionBusEnvironment::bus());
    path.setLoss(lab::TunPath::Loss::everyNth(2));
    ASSERT_EQ(daemon.waitForNotifications(1, 10s).size(), 1u);
    target().setEnabled(false);
    spinFor(1s);
    EXPECT_EQ(daemon.notifications().size(), 1u) << "no recovery for a disabled target";

    // Enabled again while still losing packets: the alert fires afresh.
    target().setEnabled(true);
    ASSERT_EQ(daemon.waitForNotifications(2, 10s).size(), 2u);

    Preferences::instance().setValue(keys::alertsEnabled, false);
    path.setLoss(lab::TunPath::Loss::everyNth(1));
    spinFor(7s);
    EXPECT_EQ(daemon.notifications().size(), 2u) << "alerts switched off send nothing at all";
}

TEST_F(AlertEngineTest, ARealNotificationDaemonShowsFiredAndRecoveredAlerts) {
    NotificationDaemon dunst(SessionBusEnvironment::bus());
    Preferences::instance().setValue(keys::alertLatencyMs, 50.0);
    path.setDelay(80ms);
    ASSERT_TRUE(spinUntil([&] { return target().currentLatency() > 50.0; }));
    spinFor(1s);
    path.setDelay(0ms);
    const auto shown = dunst.waitForReceived(2, 10s);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].summary.startsWith(name() + " high latency ("));
    EXPECT_EQ(shown[0].body, "Host Ping");
    EXPECT_EQ(shown[1].summary, name() + " latency back to normal");
}

} // namespace
} // namespace vantorel
