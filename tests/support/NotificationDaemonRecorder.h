#pragma once

#include "support/EventLoop.h"
#include "support/SessionBus.h"

#include <QDBusVirtualObject>
#include <QVariantMap>
#include <vector>

namespace vantorel::test {

// One Notify call as it came over the bus, hints included (its actions are not kept).
struct RecordedNotification {
    QString appName;
    quint32 replacesId = 0;
    QString appIcon;
    QString summary;
    QString body;
    QVariantMap hints;
    qint32 expireTimeout = 0;
};

// A stand-in notification daemon recording every call, for what dunst forgets (hints). It owns
// org.freedesktop.Notifications on a test bus over a connection of its own, so calls really
// cross the bus, and answers as the test runs the event loop. Not beside a NotificationDaemon.
class NotificationDaemonRecorder : private QDBusVirtualObject {
public:
    // `never` records calls but leaves them unanswered, like a daemon that hangs.
    enum class Replies { answer, never };

    // Returns once the name is owned; throws std::runtime_error when it cannot be taken.
    explicit NotificationDaemonRecorder(const SessionBus& bus, Replies replies = Replies::answer);
    ~NotificationDaemonRecorder() override; // once the name is free for the next owner

    int serverInformationRequests() const { return serverInformationRequests_; }

    // The calls, once `count` came or `limit` passed; runs the event loop meanwhile.
    std::vector<RecordedNotification>
    waitForNotifications(std::size_t count,
                         std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
        spinUntil([&] { return notifications_.size() >= count; }, limit);
        return notifications_;
    }

private:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override;

    const Replies replies_;
    const QString connection_;
    std::vector<RecordedNotification> notifications_;
    int serverInformationRequests_ = 0;
};

} // namespace vantorel::test
