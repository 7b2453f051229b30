#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <span>

namespace vantorel {

enum class SettingType { text, boolean, integer, floating, bytes, textList };

struct SettingDefinition {
    QLatin1StringView key;
    SettingType type;
    // Invalid for the keys that have no default and are absent until first written.
    QVariant defaultValue;
};

// Every setting the application stores, with its type and default, in one list.
std::span<const SettingDefinition> settingsTable();

// The defaults registered at start-up: every setting of the table that has one.
QVariantMap registrationDefaults();

} // namespace vantorel
