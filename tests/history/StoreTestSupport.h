#pragma once

#include "history/SampleStore.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantorel::test {

struct LoadedSamples {
    std::vector<PingSample> samples;
    std::int64_t highestSeq = -1;
};

// Each load waits (running the event loop) for its completion; a missing completion fails the
// calling test through the empty optional, one that runs off the main thread fails it at once.
std::optional<LoadedSamples> loadSamplesNow(SampleStore& store, const QString& key, Date since);
std::optional<std::vector<HopStat>> loadTracePathNow(SampleStore& store, const QString& key);
std::optional<std::vector<SweepHostState>> loadSweepStateNow(SampleStore& store,
                                                             const QString& key);

// Sends everything written to file descriptor 2 (where the system-log line is echoed) to a file
// until finish() restores it and returns what was written.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    QByteArray finish();

private:
    QTemporaryFile file_;
    int savedFd_ = -1;
};

inline constexpr char kUnavailableLine[] = "Vantorel: history database unavailable — ";

int countOccurrences(const QByteArray& text, const QByteArray& needle);

// A single-value query, or a statement, run on the database file through a connection of its own.
QByteArray queryText(const QString& databaseFile, const char* sql);
bool executeSql(const QString& databaseFile, const char* sql);

} // namespace vantorel::test
