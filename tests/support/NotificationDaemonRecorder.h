#pragma once

#include "support/SessionBus.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <chrono>
#include <memory>
#include <vector>

namespace vantorel::test {

// One Notify call exactly as it came over the bus, hints included.
struct RecordedNotification {
    QString appName;
    quint32 replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QStringList actions;
    QVariantMap hints;
    qint32 expireTimeout = 0;
};

// A stand-in notification daemon that records every call, for what a real daemon does not let
// us read back (dunst forgets hints). It owns org.freedesktop.Notifications on a test bus over a
// connection of its own and answers on a thread of its own, so calls really cross the bus and
// are answered even while the test's main thread is busy.
// One owner of the name at a time: do not run it beside a NotificationDaemon.
class NotificationDaemonRecorder {
public:
    // `never` records calls but leaves them unanswered, like a daemon that hangs.
    enum class Replies { answer, never };

    // Returns once the name is owned. Throws std::runtime_error when it cannot be taken.
    explicit NotificationDaemonRecorder(const SessionBus& bus, Replies replies = Replies::answer);
    // Gives the name up and waits until it is free again for the next owner.
    ~NotificationDaemonRecorder();

    NotificationDaemonRecorder(const NotificationDaemonRecorder&) = delete;
    NotificationDaemonRecorder& operator=(const NotificationDaemonRecorder&) = delete;

    // Notify calls in arrival order.
    std::vector<RecordedNotification> notifications() const;
    int serverInformationRequests() const;

    // notifications(), once it holds at least `count` or `limit` has passed; runs the event loop
    // meanwhile.
    std::vector<RecordedNotification>
    waitForNotifications(std::size_t count,
                         std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

    class Service;

private:
    QString connectionName_;
    QDBusConnection connection_;
    QThread thread_;
    std::unique_ptr<Service> service_;
};

} // namespace vantorel::test
