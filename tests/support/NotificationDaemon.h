#pragma once

#include "support/SessionBus.h"

#include <vector>

namespace vantorel::test {

// A notification as dunst keeps it in its history, without hints: see NotificationDaemonRecorder.
struct ShownNotification {
    int id = 0;
    QString appName;
    QString summary;
};

// A real notification daemon on a test bus: Debian's dunst, drawing on a private Xvfb display.
// Not beside a recorder: org.freedesktop.Notifications has one owner at a time.
class NotificationDaemon {
public:
    // Returns once dunst owns the name; throws std::runtime_error when Xvfb or dunst cannot start.
    explicit NotificationDaemon(const SessionBus& bus);
    ~NotificationDaemon(); // returns once the name is free again for the next owner

    // Every notification dunst received, oldest first, as its history tells once this
    // closed what is on screen (dunst keeps in its history only what closed).
    std::vector<ShownNotification> received();

private:
    const SessionBus& bus_;
    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> display_;
    std::unique_ptr<TestDaemonProcess> dunst_;
};

} // namespace vantorel::test
