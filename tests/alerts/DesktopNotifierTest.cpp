#include "alerts/DesktopNotifier.h"

#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/NotificationDaemonRecorder.h"
#include "support/QtPrinters.h"
#include "support/SessionBus.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::NotificationDaemonRecorder;
using test::SessionBus;
using test::SessionBusEnvironment;

[[maybe_unused]] testing::Environment* const privateSessionBus =
    testing::AddGlobalTestEnvironment(new SessionBusEnvironment);

SessionBus& bus() {
    return SessionBusEnvironment::bus();
}

TEST(DesktopNotifier, ARealDaemonShowsEveryNotificationWithoutFoldingRepeats) {
    test::NotificationDaemon dunst(bus());
    DesktopNotifier notifier;
    const QString down = QString::fromUtf8("café.lan unreachable");
    notifier.post(down, "Host Ping", NotificationSound::alert);
    notifier.post("café.lan reachable again", "Host Ping", NotificationSound::none);
    notifier.post(down, "Host Ping", NotificationSound::alert);
    const auto shown = dunst.waitForReceived(3);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].summary, down);
    EXPECT_EQ(shown[1].summary, QString::fromUtf8("café.lan reachable again"));
    EXPECT_EQ(shown[2].summary, down);
    for (const auto& notification : shown)
        EXPECT_EQ(notification.appName + " " + notification.body, "Vantorel Host Ping");
}

// Daemons read the hints by type: a sound name is a string, suppressing sound a boolean.
TEST(DesktopNotifier, FiredAlertsAskForTheMessageSoundAndRecoveriesForSilence) {
    NotificationDaemonRecorder daemon(bus());
    DesktopNotifier notifier;
    notifier.requestAuthorization();
    notifier.post("db.lan high latency (250 ms)", "Service Check", NotificationSound::alert);
    notifier.post("db.lan latency back to normal", "Service Check", NotificationSound::none);
    const auto calls = daemon.waitForNotifications(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(daemon.serverInformationRequests(), 1) << "authorization asks who the daemon is";
    for (const auto& call : calls) {
        EXPECT_EQ(call.appName, "Vantorel");
        EXPECT_EQ(call.appIcon, "org.vantorel.Vantorel");
        EXPECT_EQ(call.body, "Service Check");
        EXPECT_EQ(call.replacesId, 0u);
        EXPECT_EQ(call.expireTimeout, -1);
        EXPECT_TRUE(call.actions.isEmpty());
    }
    EXPECT_EQ(calls[0].hints.value("sound-name").metaType().id(), QMetaType::QString);
    EXPECT_EQ(calls[0].hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_FALSE(calls[0].hints.contains("suppress-sound"));
    EXPECT_EQ(calls[1].hints.value("suppress-sound").metaType().id(), QMetaType::Bool);
    EXPECT_TRUE(calls[1].hints.value("suppress-sound").toBool());
    EXPECT_FALSE(calls[1].hints.contains("sound-name"));
}

// A hung, missing or vanished daemon, or no bus at all, must never hold up the caller (the 25 s a
// blocking call would wait), and the notifier goes on working once a daemon is there.
TEST(DesktopNotifier, NoDaemonOrBusEverHoldsUpTheCaller) {
    auto lostBus = std::make_unique<SessionBus>(SessionBus::Role::standalone);
    const auto lost = QDBusConnection::connectToBus(lostBus->address(), "lost");
    const auto nowhere = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nowhere");
    lostBus.reset();
    ASSERT_FALSE(nowhere.isConnected());
    ASSERT_TRUE(test::spinUntil([&] { return !lost.isConnected(); }));
    auto hung = std::make_unique<NotificationDaemonRecorder>(
        bus(), NotificationDaemonRecorder::Replies::never);
    for (auto connection : {QDBusConnection::sessionBus(), lost, nowhere}) {
        DesktopNotifier notifier(connection);
        QElapsedTimer clock;
        clock.start();
        notifier.requestAuthorization();
        notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
        notifier.post("gateway reachable again", "Host Ping", NotificationSound::none);
        EXPECT_LT(clock.elapsed(), 1000) << connection.name().toStdString();
    }
    EXPECT_EQ(hung->waitForNotifications(2).size(), 2u) << "the calls did go out";
    hung.reset();

    DesktopNotifier notifier;
    notifier.post("gateway unreachable", "Host Ping", NotificationSound::alert);
    test::spinFor(200ms); // lets the bus's "no such service" error come back and be dropped
    EXPECT_EQ(bus().ownerOf("org.freedesktop.Notifications"), 0u) << "nothing starts on demand";
    NotificationDaemonRecorder lateDaemon(bus());
    notifier.post("gateway reachable again", "Host Ping", NotificationSound::none);
    ASSERT_EQ(lateDaemon.waitForNotifications(1).size(), 1u);
    EXPECT_EQ(lateDaemon.notifications()[0].summary, "gateway reachable again");
}

} // namespace
} // namespace vantorel
