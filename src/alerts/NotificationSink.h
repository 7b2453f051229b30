#pragma once

#include <QString>

namespace vantorel {

enum class NotificationSound { alert, none };

// Where alert notifications go. The desktop implementation talks to the session bus; tests of the
// alert rules can hand in a recorder instead and read back exactly what was posted.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;

    // Asks once for permission to notify. Nothing depends on the answer, so none is returned.
    virtual void requestAuthorization() = 0;

    // Shows one notification at once. Fire-and-forget: delivery failures are not reported.
    virtual void post(const QString& title, const QString& body, NotificationSound sound) = 0;
};

} // namespace vantorel
