#pragma once

#include "history/Sqlite.h"
#include "platform/Clock.h"
#include "records/HopStat.h"
#include "records/PingSample.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace vantorel {

// The history file opened for reading only, on a connection of its own: it never writes, never
// creates the file, and reads beside a running Vantorel that is writing to it.
class HistoryReader {
public:
    // False, with `error` saying why, when the file cannot be opened or is not a history database.
    bool open(const QString& file, QString& error);

    // Every key with samples or a stored path, sorted.
    QStringList keys() const;
    // The samples of `key` with time >= `since`, oldest first.
    std::vector<PingSample> samples(const QString& key, Date since) const;
    // The stored path of a traceroute's key; empty when there is none or it does not decode.
    std::vector<HopStat> tracePath(const QString& key) const;

private:
    sqlite::Connection db_;
};

} // namespace vantorel
