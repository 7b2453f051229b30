#pragma once

#include "alerts/NotificationSink.h"

#include <memory>

namespace vantorel {

// Where the alerts of a run without a window go: each into the system log (the journal, under a
// service manager) and on standard error, and also as a desktop notification when there is a
// session bus to post it on, e.g. a service of the user's logged-in session.
class LoggedAlerts final : public NotificationSink {
public:
    LoggedAlerts();
    ~LoggedAlerts() override;

    void requestAuthorization() override;
    void post(const QString& title, const QString& body, NotificationSound sound) override;

private:
    std::unique_ptr<NotificationSink> desktop_;
};

} // namespace vantorel
