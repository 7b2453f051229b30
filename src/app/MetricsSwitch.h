#pragma once

#include "metrics/MetricsEndpoint.h"

#include <QObject>

namespace vantorel {

class HostStore;

// The desktop application's metrics endpoint, following its preference: the store's metrics
// served on the loopback while it is switched on, and nothing at all, not even counting, while it
// is off. When the port cannot be listened on, the system log says why.
class MetricsSwitch : public QObject {
public:
    explicit MetricsSwitch(HostStore& store);

private:
    void follow(const QString& key);

    MetricsEndpoint endpoint_;
};

} // namespace vantorel
