#include "alerts/DesktopNotifier.h"

#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/NotificationDaemonRecorder.h"
#include "support/QtPrinters.h"
#include "support/SessionBus.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

namespace vantorel {
namespace {

using test::NotificationDaemon;
using test::NotificationDaemonRecorder;
using test::SessionBus;
using test::SessionBusEnvironment;
using namespace std::chrono_literals;

[[maybe_unused]] testing::Environment* const privateSessionBus =
    testing::AddGlobalTestEnvironment(new SessionBusEnvironment);

const QString kNotificationsName = QStringLiteral("org.freedesktop.Notifications");

// Generous for a call that only queues a message, tiny beside the 25 s a blocking call would wait
// for a daemon that never answers.
constexpr qint64 kNonBlockingLimitMs = 1000;

SessionBus& bus() {
    return SessionBusEnvironment::bus();
}

TEST(DesktopNotifierTest, FiredAndRecoveryNotificationsReachARealDaemon) {
    NotificationDaemon dunst(bus());
    DesktopNotifier notifier;
    const auto down = QString::fromUtf8("café.lan unreachable");
    const auto up = QString::fromUtf8("café.lan reachable again");

    // Going down a second time must show again, not be folded into the first notification.
    notifier.post(down, "Host Ping", NotificationSound::alert);
    notifier.post(up, "Host Ping", NotificationSound::none);
    notifier.post(down, "Host Ping", NotificationSound::alert);

    const auto shown = dunst.waitForReceived(3);
    ASSERT_EQ(shown.size(), 3u);
    for (const auto& notification : shown) {
        EXPECT_EQ(notification.appName, "Vantorel");
        EXPECT_EQ(notification.body, "Host Ping");
    }
    EXPECT_EQ(shown[0].summary, down);
    EXPECT_EQ(shown[1].summary, up);
    EXPECT_EQ(shown[2].summary, down);
}

TEST(DesktopNotifierTest, FiredNotificationAsksForTheMessageSound) {
    NotificationDaemonRecorder daemon(bus());
    DesktopNotifier notifier;

    notifier.post("db.lan high latency (250 ms)", "Service Check", NotificationSound::alert);

    const auto calls = daemon.waitForNotifications(1);
    ASSERT_EQ(calls.size(), 1u);
    const auto& call = calls[0];
    EXPECT_EQ(call.appName, "Vantorel");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.appIcon, "org.vantorel.Vantorel");
    EXPECT_EQ(call.summary, "db.lan high latency (250 ms)");
    EXPECT_EQ(call.body, "Service Check");
    EXPECT_TRUE(call.actions.isEmpty());
    EXPECT_EQ(call.expireTimeout, -1);
    EXPECT_EQ(call.hints.value("sound-name").metaType().id(), QMetaType::QString);
    EXPECT_EQ(call.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_FALSE(call.hints.contains("suppress-sound"));
}

TEST(DesktopNotifierTest, RecoveryNotificationIsSilent) {
    NotificationDaemonRecorder daemon(bus());
    DesktopNotifier notifier;

    notifier.post("db.lan latency back to normal", "Service Check", NotificationSound::none);

    const auto calls = daemon.waitForNotifications(1);
    ASSERT_EQ(calls.size(), 1u);
    const auto& call = calls[0];
    EXPECT_EQ(call.summary, "db.lan latency back to normal");
    EXPECT_EQ(call.body, "Service Check");
    // Daemons read the hint as a D-Bus boolean; a string "true" would be ignored.
    EXPECT_EQ(call.hints.value("suppress-sound").metaType().id(), QMetaType::Bool);
    EXPECT_TRUE(call.hints.value("suppress-sound").toBool());
    EXPECT_FALSE(call.hints.contains("sound-name"));
}

TEST(DesktopNotifierTest, AuthorizationRequestAsksTheDaemonWhoItIs) {
    NotificationDaemonRecorder daemon(bus());
    DesktopNotifier notifier;

    notifier.requestAuthorization();

    EXPECT_TRUE(test::spinUntil([&] { return daemon.serverInformationRequests() == 1; }, 5s));
    EXPECT_TRUE(daemon.notifications().empty());
}

TEST(DesktopNotifierTest, DaemonThatNeverAnswersDoesNotHoldUpTheCaller) {
    NotificationDaemonRecorder hungDaemon(bus(), NotificationDaemonRecorder::Replies::never);
    DesktopNotifier notifier;

    QElapsedTimer clock;
    clock.start();
    notifier.requestAuthorization();
    notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
    notifier.post("gateway reachable again", "Host Ping", NotificationSound::none);
    EXPECT_LT(clock.elapsed(), kNonBlockingLimitMs);

    // The calls did go out; they are simply never answered.
    EXPECT_EQ(hungDaemon.waitForNotifications(2).size(), 2u);
    EXPECT_EQ(hungDaemon.serverInformationRequests(), 1);
}

TEST(DesktopNotifierTest, NoDaemonOnTheBusIsHarmlessAndLeavesTheNotifierWorking) {
    ASSERT_EQ(bus().ownerOf(kNotificationsName), 0u);
    DesktopNotifier notifier;

    QElapsedTimer clock;
    clock.start();
    notifier.requestAuthorization();
    notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
    EXPECT_LT(clock.elapsed(), kNonBlockingLimitMs);
    test::spinFor(200ms); // lets the bus's "no such service" errors come back and be dropped
    EXPECT_EQ(bus().ownerOf(kNotificationsName), 0u) << "nothing may be started on demand";

    NotificationDaemonRecorder lateDaemon(bus());
    notifier.post("gateway reachable again", "Host Ping", NotificationSound::none);
    const auto calls = lateDaemon.waitForNotifications(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].summary, "gateway reachable again");
}

TEST(DesktopNotifierTest, NoBusAtAllIsHarmless) {
    const QString name = "vantorel-test-no-bus";
    const auto nowhere = QDBusConnection::connectToBus("unix:path=/nonexistent/vantorel-bus", name);
    ASSERT_FALSE(nowhere.isConnected());
    DesktopNotifier notifier(nowhere);

    QElapsedTimer clock;
    clock.start();
    notifier.requestAuthorization();
    notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
    notifier.post("gateway reachable again", "Host Ping", NotificationSound::none);
    EXPECT_LT(clock.elapsed(), kNonBlockingLimitMs);
    test::spinFor(100ms);
    QDBusConnection::disconnectFromBus(name);
}

TEST(DesktopNotifierTest, BusThatWentAwayIsHarmless) {
    auto lostBus = std::make_unique<SessionBus>(SessionBus::Role::standalone);
    const QString name = "vantorel-test-lost-bus";
    const auto connection = QDBusConnection::connectToBus(lostBus->address(), name);
    ASSERT_TRUE(connection.isConnected());
    DesktopNotifier notifier(connection);
    {
        NotificationDaemonRecorder daemon(*lostBus);
        notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
        ASSERT_EQ(daemon.waitForNotifications(1).size(), 1u);
    }

    lostBus.reset();
    test::spinUntil([&] { return !connection.isConnected(); }, 2s);
    QElapsedTimer clock;
    clock.start();
    notifier.requestAuthorization();
    notifier.post("gateway reachable again", "Host Ping", NotificationSound::none);
    EXPECT_LT(clock.elapsed(), kNonBlockingLimitMs);
    test::spinFor(100ms);
    QDBusConnection::disconnectFromBus(name);
}

} // namespace
} // namespace vantorel
