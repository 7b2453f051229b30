#include "targets/UnreadableList.h"

#include "platform/SystemLog.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"

namespace vantorel {

QString keepUnreadableList(Preferences& preferences, const QByteArray& list,
                           const QDateTime& nowUtc) {
    const QString prefix = QString(keys::targetsV2) + QStringLiteral(".unreadable-");
    // Launches that meet the same list again, before anything was saved, find their copy.
    for (const QString& key : preferences.storedKeys())
        if (key.startsWith(prefix) && preferences.dataValue(key) == list)
            return key;
    const QString stamped = prefix + nowUtc.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString key = stamped;
    for (int n = 2; preferences.contains(key); ++n)
        key = stamped + QLatin1Char('-') + QString::number(n);
    preferences.setValue(key, list);
    logToSystem(
        QStringLiteral("Vantorel: the target list could not be read; it is kept as %1 in %2")
            .arg(key, preferences.filePath()));
    return key;
}

} // namespace vantorel
