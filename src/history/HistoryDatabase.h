#pragma once

#include "history/Sqlite.h"
#include "platform/Clock.h"
#include "records/PingSample.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantorel {

// The history database itself, used from one thread at a time (the sample store's queue).
// Every operation on a database that did not open does nothing or finds nothing, and a statement
// that fails affects only its own operation: history is a convenience, never a reason to stop.
class HistoryDatabase {
public:
    // Creates the file's folder, opens the file and brings the schema up to date. When the file
    // cannot be used, the reason is logged once and the database stays closed.
    void open(const QString& file);
    // Opens an existing history file for reading only, beside a Vantorel that may be writing to
    // it: nothing is created, configured or written. False, with `error` saying why, when the
    // file cannot be opened or is not a history database.
    bool openForReading(const QString& file, QString& error);

    // Why samples are not being kept (the file did not open, or cannot be written), or none.
    const std::optional<QString>& savingError() const { return savingError_; }

    // The writes between the two land together or not at all.
    void beginTransaction();
    void commitTransaction();

    void appendSample(const QByteArray& key, const PingSample& sample);
    // The samples with time >= `since`, oldest first.
    std::vector<PingSample> loadSamples(const QByteArray& key, Date since) const;
    // Every key with samples or a stored path, sorted.
    QList<QByteArray> keys() const;
    // The highest sequence number of all rows of `key`, 0 when it has none.
    std::int64_t highestSeq(const QByteArray& key) const;

    void saveTracePath(const QByteArray& key, const QByteArray& hopsJson, Date updated);
    std::optional<QByteArray> loadTracePath(const QByteArray& key) const;
    void saveSweepState(const QByteArray& key, const QByteArray& stateJson, Date updated);
    std::optional<QByteArray> loadSweepState(const QByteArray& key) const;

    // Deletes the samples older than `cutoff` and returns the freed pages to the file system.
    void pruneBefore(Date cutoff);

private:
    void configure();
    void checkWritable();
    void fail(const QString& reason);
    void saveText(const char* sql, const QByteArray& key, const QByteArray& text, Date updated);
    std::optional<QByteArray> loadText(const char* sql, const QByteArray& key) const;

    sqlite::Connection db_;
    // Declared after the connection so that they are finalized before the connection closes.
    sqlite::Statement insertStmt_;
    sqlite::Statement beginStmt_;
    sqlite::Statement commitStmt_;
    std::optional<QString> savingError_;
};

} // namespace vantorel
