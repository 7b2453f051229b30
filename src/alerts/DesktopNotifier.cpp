#include "alerts/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>
#include <utility>

namespace vantorel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The freedesktop sound theme's name for an incoming message; daemons that play sounds know it.
const QString kAlertSound = QStringLiteral("message-new-instant");

// Lets the daemon pick how long a notification stays on screen.
constexpr int kDaemonDefaultTimeout = -1;

QVariantMap hintsFor(NotificationSound sound) {
    QVariantMap hints;
    if (sound == NotificationSound::alert)
        hints.insert(QStringLiteral("sound-name"), kAlertSound);
    else
        hints.insert(QStringLiteral("suppress-sound"), true);
    return hints;
}

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus)
    : bus_(std::move(bus)) {}

void DesktopNotifier::requestAuthorization() {
    bus_.asyncCall(
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetServerInformation"));
}

void DesktopNotifier::post(const QString& title, const QString& body, NotificationSound sound) {
    auto notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    notify << QStringLiteral("Vantorel")      // app_name
           << 0u                              // replaces_id: always a new notification
           << QStringLiteral(VANTOREL_APP_ID) // app_icon
           << title                           // summary
           << body                            // body
           << QStringList()                   // actions
           << hintsFor(sound)                 // hints
           << kDaemonDefaultTimeout;          // expire_timeout
    // The pending reply is dropped on purpose: the notification id is of no use to us.
    bus_.asyncCall(notify);
}

} // namespace vantorel
