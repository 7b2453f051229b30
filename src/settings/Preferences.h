#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace vantorel {

// The per-user preferences store: an INI file plus defaults registered at start-up.
//
// A read returns the stored value if there is one, else the registered default, else the zero of
// the requested type. Registered defaults live in memory only, so a key the user never changed
// keeps following its default across versions. Every write goes to disk at once, because the
// process usually ends by being killed rather than by an orderly exit.
//
// Lives on the main thread like the rest of the model; views observe `changed`.
class Preferences : public QObject {
    Q_OBJECT

public:
    // A store over the given INI file; the process-wide store uses `defaultFilePath()`.
    explicit Preferences(const QString& filePath, QObject* parent = nullptr);

    // The store of the running application, created on first use with the defaults registered.
    static Preferences& instance();

    // The user's "Vantorel/Vantorel.conf" in the configuration folder (XDG_CONFIG_HOME, or the
    // test folder when QStandardPaths test mode is on), decided when called.
    static QString defaultFilePath();

    QString filePath() const;

    // Adds to (or replaces among) the registered defaults.
    void registerDefaults(const QVariantMap& defaults);
    // Registers the defaults of the settings table in one call.
    void registerDefaults();

    // Every key with a stored value.
    QStringList storedKeys() const { return settings_.allKeys(); }
    // Whether the key has a stored value or a registered default.
    bool contains(const QString& key) const;
    // The stored value, else the registered default, else an invalid variant.
    QVariant value(const QString& key) const;

    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    double doubleValue(const QString& key) const;
    QString stringValue(const QString& key) const;
    QByteArray dataValue(const QString& key) const;
    QStringList stringListValue(const QString& key) const;

    // Stores the value (an invalid variant removes the key) and writes the file.
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Whether a write to the file has failed: what was stored since lives only in memory and is
    // gone at the next launch.
    bool isFailingToWrite() const { return failingToWrite_; }

Q_SIGNALS:
    // Emitted after every write or removal of the key, and when a newly registered default
    // changes what an unstored key reads.
    void changed(const QString& key);
    // Emitted after every write that did not reach the file.
    void writeFailed();

private:
    void writeFile();

    QSettings settings_;
    QVariantMap registeredDefaults_;
    // What each key read as since the last write. Monitors read a few keys for every sample, and
    // QSettings answers each read with a lock and a normalised copy of the key.
    mutable QHash<QString, QVariant> readCache_;
    bool failingToWrite_ = false;
};

} // namespace vantorel
