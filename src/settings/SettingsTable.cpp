#include "settings/SettingsTable.h"

#include "settings/SettingKeys.h"

#include <QString>
#include <QVector>

namespace vantorel {

namespace {

QVector<SettingDefinition> buildTable() {
    using enum SettingType;
    return {
        {keys::appearance, text, QString("auto")},
        // The glass look is painted by the application itself, so it is available everywhere.
        {keys::glassEnabled, boolean, true},
        {keys::latencyGreen, floating, 50.0},
        {keys::latencyYellow, floating, 150.0},
        {keys::scrollbackEnabled, boolean, true},
        {keys::scrollbackMinutes, integer, qint64(30)},
        {keys::use24Hour, boolean, false},
        {keys::alertsEnabled, boolean, false},
        {keys::alertUnreachableSecs, integer, qint64(30)},
        {keys::alertLossPct, floating, 10.0},
        {keys::alertLatencyMs, floating, 500.0},
        {keys::preferIPv6, boolean, false},
        // The metrics endpoint for Prometheus, on the loopback, off until switched on. The port
        // has no control: it matters only when another program already has it.
        {keys::metricsEnabled, boolean, false},
        {keys::metricsPort, integer, qint64(9464)},
        {keys::targetsV2, bytes, QVariant()},
        {keys::targets, textList, QVariant()},
    };
}

} // namespace

std::span<const SettingDefinition> settingsTable() {
    static const QVector<SettingDefinition> table = buildTable();
    return {table.constData(), std::size_t(table.size())};
}

QVariantMap registrationDefaults() {
    QVariantMap defaults;
    for (const SettingDefinition& row : settingsTable()) {
        if (row.defaultValue.isValid())
            defaults.insert(row.key, row.defaultValue);
    }
    return defaults;
}

} // namespace vantorel
