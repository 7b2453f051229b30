#include "settings/Preferences.h"

#include "platform/SystemLog.h"
#include "settings/SettingsTable.h"
#include "settings/ValueConversion.h"

#include <QStandardPaths>

namespace vantorel {

Preferences::Preferences(const QString& filePath, QObject* parent)
    : QObject(parent)
    , settings_(filePath, QSettings::IniFormat) {}

Preferences& Preferences::instance() {
    // The table's defaults are registered as soon as the store exists, so that no reader, however
    // early, sees a zero where the table promises a default.
    static Preferences* shared = [] {
        auto* store = new Preferences(defaultFilePath());
        store->registerDefaults();
        return store;
    }();
    return *shared;
}

QString Preferences::defaultFilePath() {
    // Formed here rather than by QSettings' organisation/application constructor, which also
    // consults system-wide fallback files and caches the folder for the life of the process.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vantorel/Vantorel.conf");
}

QString Preferences::filePath() const {
    return settings_.fileName();
}

void Preferences::registerDefaults(const QVariantMap& defaults) {
    QStringList affected;
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        if (registeredDefaults_.value(it.key()) == it.value())
            continue;
        registeredDefaults_.insert(it.key(), it.value());
        readCache_.clear();
        if (!settings_.contains(it.key()))
            affected.append(it.key());
    }
    for (const QString& key : affected)
        Q_EMIT changed(key);
}

void Preferences::registerDefaults() {
    registerDefaults(registrationDefaults());
}

bool Preferences::contains(const QString& key) const {
    return settings_.contains(key) || registeredDefaults_.contains(key);
}

QVariant Preferences::value(const QString& key) const {
    if (const auto cached = readCache_.constFind(key); cached != readCache_.cend())
        return *cached;
    QVariant read = settings_.contains(key) ? settings_.value(key) : registeredDefaults_.value(key);
    readCache_.insert(key, read);
    return read;
}

bool Preferences::boolValue(const QString& key) const {
    return preference_values::toBool(value(key));
}

qint64 Preferences::integerValue(const QString& key) const {
    return preference_values::toInteger(value(key));
}

double Preferences::doubleValue(const QString& key) const {
    return preference_values::toDouble(value(key));
}

QString Preferences::stringValue(const QString& key) const {
    return preference_values::toText(value(key));
}

QByteArray Preferences::dataValue(const QString& key) const {
    return preference_values::toBytes(value(key));
}

QStringList Preferences::stringListValue(const QString& key) const {
    return preference_values::toTextList(value(key));
}

void Preferences::setValue(const QString& key, const QVariant& value) {
    if (key.isEmpty())
        return;
    if (!value.isValid()) {
        remove(key);
        return;
    }
    settings_.setValue(key, value);
    writeFile();
    Q_EMIT changed(key);
}

void Preferences::remove(const QString& key) {
    // QSettings reads an empty key as "every key".
    if (key.isEmpty())
        return;
    settings_.remove(key);
    writeFile();
    Q_EMIT changed(key);
}

void Preferences::writeFile() {
    settings_.sync();
    // Syncing may also bring in what another process wrote meanwhile, under any key.
    readCache_.clear();
    // QSettings keeps the first error it met, so a folder that stays unwritable logs one line
    // rather than one per change.
    const bool failed = settings_.status() != QSettings::NoError;
    if (failed && !failingToWrite_)
        logToSystem(QStringLiteral("Vantorel: settings could not be saved to %1").arg(filePath()));
    failingToWrite_ = failed;
    if (failed)
        Q_EMIT writeFailed();
}

} // namespace vantorel
