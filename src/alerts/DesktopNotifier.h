#pragma once

#include "alerts/NotificationSink.h"

#include <QDBusConnection>

namespace vantorel {

// Posts freedesktop.org desktop notifications (org.freedesktop.Notifications) over D-Bus.
// Every call is asynchronous and its answer is dropped: a missing, slow or broken notification
// daemon, or no bus at all, costs nothing and never stalls the caller.
class DesktopNotifier final : public NotificationSink {
public:
    // The bus defaults to the session bus; tests may hand in a connection to a bus of their own.
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    // The protocol has no permission step; asking the daemon who it is is the closest thing and
    // lets a daemon that is started on demand come up before the first real notification.
    void requestAuthorization() override;

    void post(const QString& title, const QString& body, NotificationSound sound) override;

private:
    QDBusConnection bus_;
};

} // namespace vantorel
