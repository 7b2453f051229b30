#include "app/MetricsSwitch.h"

#include "metrics/MetricsServer.h"
#include "platform/SystemLog.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"

namespace vantorel {

MetricsSwitch::MetricsSwitch(HostStore& store)
    : endpoint_(store) {
    connect(&Preferences::instance(), &Preferences::changed, this, &MetricsSwitch::follow);
    follow(keys::metricsEnabled);
}

void MetricsSwitch::follow(const QString& key) {
    if (key != keys::metricsEnabled && key != keys::metricsPort)
        return;
    const Preferences& preferences = Preferences::instance();
    if (!preferences.boolValue(keys::metricsEnabled)) {
        endpoint_.stop();
        return;
    }
    const auto port = quint16(preferences.integerValue(keys::metricsPort));
    if (endpoint_.server() && endpoint_.server()->port() == port)
        return;
    if (const auto error = endpoint_.start({QHostAddress::LocalHost, port}))
        logToSystem(
            QStringLiteral("The metrics cannot be served on port %1: %2").arg(port).arg(*error));
}

} // namespace vantorel
