#include "alerts/AlertEngine.h"
#include "alerts/DesktopNotifier.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/NotificationDaemonRecorder.h"
#include "support/QtPrinters.h"
#include "targets/HeldTarget.h"
#include "targets/HostStore.h"

#include <QThread>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using namespace vantorel::test;

[[maybe_unused]] testing::Environment* const privateSessionBus =
    testing::AddGlobalTestEnvironment(new SessionBusEnvironment);

// What the engine hands the desktop, one line a notification: "title | subtitle | sound or
// silent", or "authorization" for the request for permission.
struct PostedNotifications final : NotificationSink {
    explicit PostedNotifications(QStringList& posted)
        : posted(posted) {}
    void requestAuthorization() override { posted.append("authorization"); }
    void post(const QString& title, const QString& body, NotificationSound sound) override {
        posted.append(title + " | " + body +
                      (sound == NotificationSound::alert ? " | sound" : " | silent"));
    }
    QStringList& posted;
};

// Targets held in known states in a store, and an engine whose evaluations the test runs by hand.
class AlertRules : public ::testing::Test {
protected:
    void SetUp() override {
        setLimits(true, 0, 10, 0);
        engine.start(store);
    }
    static void setLimits(bool enabled, int unreachableSecs, double lossPct, double latencyMs) {
        Preferences::instance().setValue(keys::alertsEnabled, enabled);
        Preferences::instance().setValue(keys::alertUnreachableSecs, unreachableSecs);
        Preferences::instance().setValue(keys::alertLossPct, lossPct);
        Preferences::instance().setValue(keys::alertLatencyMs, latencyMs);
    }
    Target& held(const TargetSpec& spec, const Outcomes& outcomes) {
        auto& target = *store.target(store.add(spec));
        holdMonitors(target, {outcomes});
        return target;
    }
    // One evaluation; the notifications it posted, sorted, as the order among rules is free.
    QStringList evaluate() {
        posted.clear();
        engine.evaluate();
        authorizations += int(posted.removeAll("authorization"));
        posted.sort();
        return posted;
    }

    QStringList posted;
    int authorizations = 0;
    HostStore store{{}, MonitorTiming::production()}; // empty, and never saved
    AlertEngine engine{std::make_unique<PostedNotifications>(posted), 1e6};
};

TEST_F(AlertRules, LossAndLatencyFireOnlyStrictlyAboveAPositiveLimit) {
    constexpr auto ping = TargetKind::hostPing, sweep = TargetKind::pingSweep;
    // Losses last: the target is down too, but only just, so only the loss rule can fire.
    const std::tuple<double, double, TargetKind, Outcomes, QString> cases[] = {
        {10, 0, ping, answeredThenLost(9, 1), ""},
        {10, 0, ping, answeredThenLost(899, 101), "h high packet loss (10%) | Host Ping | sound"},
        {10, 0, ping, answeredThenLost(871, 129), "h high packet loss (12%) | Host Ping | sound"},
        {0, 0, ping, answeredThenLost(1, 1), ""},
        {-1, 0, ping, answeredThenLost(1, 1), ""},
        {10, 80, TargetKind::traceroute, {80}, ""},
        {10, 80, TargetKind::traceroute, {5, 80.9}, "h high latency (80 ms) | Traceroute | sound"},
        {10, -5, TargetKind::traceroute, {80.9}, ""},
        {1, 1, sweep, {90, std::nullopt}, ""}, // sweeps are only ever unreachable
    };
    for (const auto& [lossLimit, latencyLimit, kind, outcomes, fired] : cases) {
        setLimits(true, 0, lossLimit, latencyLimit);
        // A sweep's scan looks its host up at once, so it gets an address rather than a name.
        auto& target = held({kind, kind == sweep ? "127.0.0.9" : "h", "", 24}, outcomes);
        EXPECT_EQ(evaluate().join(""), fired) << lossLimit << ' ' << latencyLimit;
        store.remove(target.id());
    }
}

// The alert fires at the first evaluation at least the limit (at least 5 s) after the first to see
// the target down. Clock readings bracket the evaluations: "just before" is before the limit.
TEST_F(AlertRules, UnreachableFiresOnceTheTargetHasBeenDownForTheLimit) {
    for (const auto& [setting, limit] : {std::pair{0, 5.0}, std::pair{7, 7.0}}) {
        setLimits(true, setting, 0, 0);
        auto& target = held({TargetKind::hostPing, "h", "", 24}, answeredThenLost(1, 3));
        auto& other = held({TargetKind::hostPing, "127.0.0.7", "", 24}, answeredThenLost(1, 3));
        const Date before = dateNow();
        EXPECT_EQ(evaluate(), QStringList{}) << "down, but only just";
        other.setEnabled(false); // so once enabled again, its outage is timed afresh
        const Date after = dateNow();
        QThread::msleep(qint64(std::max(0.0, before + limit - 0.1 - dateNow()) * 1000));
        EXPECT_EQ(evaluate(), QStringList{}) << setting;
        ASSERT_LT(dateNow(), before + limit) << "the machine stalled; the case proves nothing";
        QThread::msleep(qint64(std::max(0.0, after + limit - dateNow()) * 1000) + 1);
        other.setEnabled(true);
        holdMonitors(other, {answeredThenLost(1, 3)});
        EXPECT_EQ(evaluate(), QStringList{"h unreachable | Host Ping | sound"}) << setting;
        if (setting == 0) {
            holdMonitors(target, {{5}});
            testing::internal::CaptureStdout();
            EXPECT_EQ(evaluate(), QStringList{"h reachable again | Host Ping | silent"});
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "ALERT recovered: h unreachable\n");
            holdMonitors(target, {answeredThenLost(1, 3)});
            EXPECT_EQ(evaluate(), QStringList{}) << "a new outage is timed afresh";
        } else { // an outage that outlasts alerts switched off and on is timed afresh too
            setLimits(false, setting, 0, 0);
            evaluate();
            setLimits(true, setting, 0, 0);
            EXPECT_EQ(evaluate(), QStringList{});
        }
        store.remove(target.id());
        store.remove(other.id());
    }
}

TEST_F(AlertRules, RecoveriesAreSilentAndDisabledTargetsAndAlertsAreForgotten) {
    setLimits(false, 0, 10, 50);
    auto& target = held({TargetKind::traceroute, "127.0.0.8", "", 24}, {100, 100, std::nullopt});
    EXPECT_EQ(evaluate(), QStringList{});
    EXPECT_EQ(authorizations, 0) << "no permission is asked for while alerts are off";
    setLimits(true, 0, 10, 50);
    EXPECT_EQ(evaluate(), (QStringList{"127.0.0.8 high latency (100 ms) | Traceroute | sound",
                                       "127.0.0.8 high packet loss (33%) | Traceroute | sound"}));
    EXPECT_EQ(evaluate(), QStringList{}) << "a rule that stays fired is not repeated";
    holdMonitors(target, {Outcomes(10, 20.0)});
    EXPECT_EQ(evaluate(),
              (QStringList{"127.0.0.8 latency back to normal | Traceroute | silent",
                           "127.0.0.8 packet loss back to normal | Traceroute | silent"}));

    holdMonitors(target, {{100}});
    EXPECT_EQ(evaluate().size(), 1);
    target.setEnabled(false);
    EXPECT_EQ(evaluate(), QStringList{}) << "no recovery for a disabled target";
    target.setEnabled(true);
    holdMonitors(target, {});
    EXPECT_EQ(evaluate().size(), 1) << "enabled again while still slow, it fires afresh";
    setLimits(false, 0, 10, 50);
    EXPECT_EQ(evaluate(), QStringList{});
    setLimits(true, 0, 10, 50);
    EXPECT_EQ(evaluate().size(), 1) << "switching alerts off forgets what had fired";
    EXPECT_EQ(authorizations, 1);
}

// Daemons read the hints by type: a sound name is a string, suppressing sound a boolean.
TEST(DesktopNotifier, FiredAlertsAskForTheMessageSoundAndRecoveriesForSilence) {
    NotificationDaemonRecorder daemon(SessionBusEnvironment::bus());
    DesktopNotifier notifier;
    notifier.requestAuthorization();
    notifier.post("db.lan high latency (250 ms)", "Service Check", NotificationSound::alert);
    notifier.post("db.lan latency back to normal", "Service Check", NotificationSound::none);
    const auto calls = daemon.waitForNotifications(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(daemon.serverInformationRequests(), 1) << "authorization asks who the daemon is";
    for (const auto& call : calls) {
        EXPECT_EQ(
            (QStringList{call.appName, call.appIcon, call.summary.section(' ', 0, 0), call.body}),
            (QStringList{"Vantorel", "org.vantorel.Vantorel", "db.lan", "Service Check"}));
        // Each a notification of its own, shown for as long as the daemon shows any.
        EXPECT_EQ(std::pair(call.replacesId, call.expireTimeout), std::pair(0u, -1));
    }
    EXPECT_EQ(calls[0].hints, (QVariantMap{{"sound-name", QString("message-new-instant")}}));
    EXPECT_EQ(calls[1].hints, (QVariantMap{{"suppress-sound", true}}));
}

// A hung or missing daemon, or no bus at all, must never hold up the caller (the 25 s a
// blocking call would wait); nothing is started on demand, and a daemon that comes later is used.
TEST(DesktopNotifier, NoDaemonOrBusEverHoldsUpTheCaller) {
    const auto nowhere = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nowhere");
    DesktopNotifier noDaemon;
    auto hung = std::make_unique<NotificationDaemonRecorder>(
        SessionBusEnvironment::bus(), NotificationDaemonRecorder::Replies::never);
    for (auto connection : {QDBusConnection::sessionBus(), nowhere}) {
        DesktopNotifier notifier(connection);
        const auto start = std::chrono::steady_clock::now();
        notifier.requestAuthorization();
        notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << connection.name().toStdString();
    }
    EXPECT_EQ(hung->waitForNotifications(1).size(), 1u) << "the call did go out";
    hung.reset();
    noDaemon.post("gateway unreachable", "Host Ping", NotificationSound::alert);
    spinFor(200ms); // lets the bus's "no such service" error come back and be dropped
    EXPECT_EQ(SessionBusEnvironment::bus().ownerOf("org.freedesktop.Notifications"), 0u);
    NotificationDaemonRecorder lateDaemon(SessionBusEnvironment::bus());
    noDaemon.post("gateway reachable again", "Host Ping", NotificationSound::none);
    EXPECT_EQ(lateDaemon.waitForNotifications(1).size(), 1u);
}

} // namespace
} // namespace vantorel
