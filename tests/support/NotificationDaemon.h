#pragma once

#include "support/SessionBus.h"
#include "support/SessionBusProcess.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <vector>

namespace vantorel::test {

// A notification as dunst keeps it in its history. Dunst does not keep hints (sounds and the
// like): NotificationDaemonRecorder shows those.
struct ShownNotification {
    int id = 0;
    QString appName;
    QString summary;
    QString body;
};

// A real notification daemon on a test bus: Debian's dunst, drawing on a private Xvfb display.
// One owner of org.freedesktop.Notifications at a time: do not run it beside a recorder.
class NotificationDaemon {
public:
    // Returns once dunst owns org.freedesktop.Notifications on `bus`. Throws std::runtime_error
    // when Xvfb or dunst cannot start.
    explicit NotificationDaemon(const SessionBus& bus);
    // Stops dunst and its display, and waits until the name is free again for the next owner.
    ~NotificationDaemon();

    NotificationDaemon(const NotificationDaemon&) = delete;
    NotificationDaemon& operator=(const NotificationDaemon&) = delete;

    // Every notification dunst received, oldest first, read with dunst's own `dunstctl history`.
    // Dunst moves a notification to its history only when it closes, so this closes those on
    // screen first (`dunstctl close-all`). Throws std::runtime_error when dunstctl fails.
    std::vector<ShownNotification> received();

    // received(), once it holds at least `count` notifications or `limit` has passed; runs the
    // event loop meanwhile.
    std::vector<ShownNotification>
    waitForReceived(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5));

private:
    QByteArray dunstctl(const QStringList& arguments) const;

    const SessionBus& bus_;
    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> display_;
    std::unique_ptr<TestDaemonProcess> dunst_;
};

} // namespace vantorel::test
