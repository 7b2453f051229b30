#include "headless/LoggedAlerts.h"

#include "alerts/DesktopNotifier.h"
#include "platform/SystemLog.h"

namespace vantorel {

LoggedAlerts::LoggedAlerts() {
    if (QDBusConnection::sessionBus().isConnected())
        desktop_ = std::make_unique<DesktopNotifier>();
}

LoggedAlerts::~LoggedAlerts() = default;

void LoggedAlerts::requestAuthorization() {
    if (desktop_)
        desktop_->requestAuthorization();
}

void LoggedAlerts::post(const QString& title, const QString& body, NotificationSound sound) {
    // The title names the target and what happened to it; the body is the target's kind.
    logToSystem(QStringLiteral("%1 (%2)").arg(title, body));
    if (desktop_)
        desktop_->post(title, body, sound);
}

} // namespace vantorel
