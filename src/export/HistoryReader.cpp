#include "export/HistoryReader.h"

#include "history/HistorySql.h"
#include "records/HopStatJson.h"

namespace vantorel {

namespace {

constexpr char kSelectKeys[] =
    "SELECT DISTINCT key FROM samples UNION SELECT key FROM trace_paths ORDER BY key;";

} // namespace

bool HistoryReader::open(const QString& file, QString& error) {
    db_ = sqlite::Connection::openReadOnly(file, error);
    if (db_ && !sqlite::Statement::prepare(db_, kSelectKeys)) {
        error = db_.errorMessage();
        db_ = {};
    }
    if (!db_)
        error = QStringLiteral("%1 cannot be read as a history file: %2").arg(file, error);
    return bool(db_);
}

QStringList HistoryReader::keys() const {
    QStringList keys;
    sqlite::Statement select = sqlite::Statement::prepare(db_, kSelectKeys);
    while (select && select.stepRow())
        keys.append(QString::fromUtf8(select.columnText(0).value_or(QByteArray())));
    return keys;
}

std::vector<PingSample> HistoryReader::samples(const QString& key, Date since) const {
    std::vector<PingSample> samples;
    sqlite::Statement select = sqlite::Statement::prepare(db_, history_sql::kSelectSamples);
    if (!select)
        return samples;
    select.bindText(1, key.toUtf8());
    select.bindDouble(2, since);
    while (select.stepRow())
        samples.push_back(
            {select.columnInt64(0), select.columnOptionalDouble(1), select.columnDouble(2)});
    return samples;
}

std::vector<HopStat> HistoryReader::tracePath(const QString& key) const {
    sqlite::Statement select = sqlite::Statement::prepare(db_, history_sql::kSelectTracePath);
    if (!select)
        return {};
    select.bindText(1, key.toUtf8());
    if (!select.stepRow())
        return {};
    const std::optional<QByteArray> json = select.columnText(0);
    if (!json)
        return {};
    return decodeHopStats(*json).value_or(std::vector<HopStat>());
}

} // namespace vantorel
