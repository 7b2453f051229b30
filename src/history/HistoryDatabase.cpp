#include "history/HistoryDatabase.h"

#include "history/DamagedFile.h"
#include "history/HistorySql.h"
#include "platform/SystemLog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <sqlite3.h>

namespace vantorel {

namespace {

// The one line that says history is not being kept, whatever the reason.
void logHistoryUnavailable(const QString& reason) {
    logToSystem(QStringLiteral("Vantorel: history database unavailable — %1").arg(reason));
}

// SQLite opens any file without looking inside it; the first read of the contents is where a
// file that is not a database, or one whose structure is broken, shows itself.
std::optional<QString> findDamage(const sqlite::Connection& db) {
    const int rc = db.execute(history_sql::kReadSchema) & 0xff;
    if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT)
        return db.errorMessage();
    return std::nullopt;
}

// The shortest decimal text that reads back as the same double, without an exponent.
QByteArray decimalText(double value) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QByteArray(buffer, result.ptr - buffer);
}

} // namespace

void HistoryDatabase::open(const QString& file) {
    if (file.isEmpty()) {
        fail(QStringLiteral("no folder for application data"));
        return;
    }
    // Errors are ignored: a folder that exists already is fine, and a missing one makes the
    // open below fail with a reason worth logging.
    QDir().mkpath(QFileInfo(file).absolutePath());

    QString error;
    db_ = sqlite::Connection::open(file, error);
    if (!db_) {
        fail(error);
        return;
    }

    // A file that opens but is not a usable database would otherwise leave history dead for
    // good, as nothing ever retries: every later start would meet the same file. Keep the
    // damaged file under a name a person recognises and carry on with a fresh one.
    if (const auto damage = findDamage(db_)) {
        db_ = {};
        const auto aside = moveDamagedFileAside(file, QDateTime::currentDateTimeUtc(), error);
        if (!aside) {
            fail(*damage + QStringLiteral("; could not move it aside: ") + error);
            return;
        }
        db_ = sqlite::Connection::open(file, error);
        if (!db_) {
            fail(*damage + QStringLiteral("; moved it to %1, but a new database could not be "
                                          "opened: %2")
                               .arg(*aside, error));
            return;
        }
        logHistoryUnavailable(*damage + QStringLiteral("; moved it to %1 and started a new one")
                                            .arg(QDir::toNativeSeparators(*aside)));
    }
    configure();
}

void HistoryDatabase::configure() {
    // Results are deliberately not checked: a pragma the file refuses leaves a database that
    // still records, only less efficiently.
    //
    // The auto-vacuum mode goes first. SQLite applies it only while the file is still empty, and
    // switching to WAL already writes the file's first page: in the opposite order a new file
    // would never vacuum incrementally, and pruning would never give space back.
    db_.execute(history_sql::kAutoVacuum);
    db_.execute(history_sql::kJournalMode);
    db_.execute(history_sql::kSynchronous);
    db_.execute(history_sql::kSchema);
    db_.execute(history_sql::kIndex);
    db_.execute(history_sql::kSeqIndex);
    insertStmt_ = sqlite::Statement::prepare(db_, history_sql::kInsertSample);
    // Prepared once like the insert: parsing the two anew for every batch took about 7 % of the
    // store thread's time.
    beginStmt_ = sqlite::Statement::prepare(db_, history_sql::kBegin);
    commitStmt_ = sqlite::Statement::prepare(db_, history_sql::kCommit);
    checkWritable();
}

void HistoryDatabase::checkWritable() {
    // A read-only file opens and reads like any other, and a WAL database whose folder refuses
    // the -wal file fails only at its first statement: without a trial write, every sample would
    // be dropped without a word. The row is rolled back at once.
    const int rc = db_.execute(history_sql::kTrialWrite) & 0xff;
    if (rc == SQLITE_OK)
        return;
    const QString reason = db_.errorMessage();
    db_.execute(history_sql::kRollback);
    // Someone else writing for longer than the busy timeout says nothing about our own rights.
    if (rc == SQLITE_BUSY)
        return;
    savingError_ = QStringLiteral("cannot write to it: ") + reason;
    logHistoryUnavailable(*savingError_);
}

void HistoryDatabase::fail(const QString& reason) {
    savingError_ = reason;
    logHistoryUnavailable(reason);
    db_ = {};
}

void HistoryDatabase::beginTransaction() {
    beginStmt_.run();
}

void HistoryDatabase::commitTransaction() {
    commitStmt_.run();
}

void HistoryDatabase::appendSample(const QByteArray& key, const PingSample& sample) {
    if (!insertStmt_)
        return;
    insertStmt_.reset();
    insertStmt_.bindText(1, key);
    insertStmt_.bindInt64(2, sample.id);
    insertStmt_.bindOptionalDouble(3, sample.rtt);
    insertStmt_.bindDouble(4, sample.time);
    insertStmt_.step();
}

std::vector<PingSample> HistoryDatabase::loadSamples(const QByteArray& key, Date since) const {
    std::vector<PingSample> samples;
    if (!db_)
        return samples;
    auto select = sqlite::Statement::prepare(db_, history_sql::kSelectSamples);
    if (!select)
        return samples;
    select.bindText(1, key);
    select.bindDouble(2, since);
    while (select.stepRow()) {
        samples.push_back(PingSample{.id = select.columnInt64(0),
                                     .rtt = select.columnOptionalDouble(1),
                                     .time = select.columnDouble(2)});
    }
    return samples;
}

bool HistoryDatabase::openForReading(const QString& file, QString& error) {
    db_ = sqlite::Connection::openReadOnly(file, error);
    if (db_ && !sqlite::Statement::prepare(db_, history_sql::kSelectKeys)) {
        error = db_.errorMessage();
        db_ = {};
    }
    if (!db_)
        error = QStringLiteral("%1 cannot be read as a history file: %2").arg(file, error);
    return bool(db_);
}

QList<QByteArray> HistoryDatabase::keys() const {
    QList<QByteArray> keys;
    auto select = sqlite::Statement::prepare(db_, history_sql::kSelectKeys);
    while (select && select.stepRow())
        keys.append(select.columnText(0).value_or(QByteArray()));
    return keys;
}

std::int64_t HistoryDatabase::highestSeq(const QByteArray& key) const {
    if (!db_)
        return 0;
    auto select = sqlite::Statement::prepare(db_, history_sql::kSelectHighestSeq);
    if (!select)
        return 0;
    select.bindText(1, key);
    // MAX over no rows is NULL, which reads as 0.
    return select.stepRow() ? select.columnInt64(0) : 0;
}

void HistoryDatabase::saveTracePath(const QByteArray& key, const QByteArray& hopsJson,
                                    Date updated) {
    saveText(history_sql::kUpsertTracePath, key, hopsJson, updated);
}

std::optional<QByteArray> HistoryDatabase::loadTracePath(const QByteArray& key) const {
    return loadText(history_sql::kSelectTracePath, key);
}

void HistoryDatabase::saveSweepState(const QByteArray& key, const QByteArray& stateJson,
                                     Date updated) {
    saveText(history_sql::kUpsertSweepState, key, stateJson, updated);
}

std::optional<QByteArray> HistoryDatabase::loadSweepState(const QByteArray& key) const {
    return loadText(history_sql::kSelectSweepState, key);
}

void HistoryDatabase::saveText(const char* sql, const QByteArray& key, const QByteArray& text,
                               Date updated) {
    if (!db_)
        return;
    auto upsert = sqlite::Statement::prepare(db_, sql);
    if (!upsert)
        return;
    upsert.bindText(1, key);
    upsert.bindText(2, text);
    upsert.bindDouble(3, updated);
    upsert.step();
}

std::optional<QByteArray> HistoryDatabase::loadText(const char* sql, const QByteArray& key) const {
    if (!db_)
        return std::nullopt;
    auto select = sqlite::Statement::prepare(db_, sql);
    if (!select)
        return std::nullopt;
    select.bindText(1, key);
    if (!select.stepRow())
        return std::nullopt;
    return select.columnText(0);
}

void HistoryDatabase::pruneBefore(Date cutoff) {
    // Infinities and NaN have no decimal form; such a cutoff could only come from a nonsensical
    // retention, and deleting nothing is the safe reading of it.
    if (!db_ || !std::isfinite(cutoff))
        return;
    const QByteArray sql = history_sql::kPruneSamplesBefore + decimalText(cutoff) + ';';
    db_.execute(sql.constData());
    db_.execute(history_sql::kIncrementalVacuum);
}

} // namespace vantorel
