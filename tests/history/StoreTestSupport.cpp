#include "history/StoreTestSupport.h"

#include "history/Sqlite.h"
#include "platform/MainThread.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vantorel::test {

namespace {

// Every completion must arrive on the main thread, where the model objects that receive them live.
template <typename Result, typename Start> std::optional<Result> waitFor(Start start) {
    std::optional<Result> result;
    start([&result](Result value) {
        if (!isMainThread())
            ADD_FAILURE() << "a completion ran off the main thread";
        result = std::move(value);
    });
    if (!spinUntil([&] { return result.has_value(); }))
        return std::nullopt;
    return result;
}

} // namespace

std::optional<LoadedSamples> loadSamplesNow(SampleStore& store, const QString& key, Date since) {
    return waitFor<LoadedSamples>([&](auto done) {
        store.loadSamples(key, since, [done](std::vector<PingSample> samples, std::int64_t seq) {
            done(LoadedSamples{std::move(samples), seq});
        });
    });
}

std::optional<std::vector<HopStat>> loadTracePathNow(SampleStore& store, const QString& key) {
    return waitFor<std::vector<HopStat>>([&](auto done) { store.loadTracePath(key, done); });
}

std::optional<std::vector<SweepHostState>> loadSweepStateNow(SampleStore& store,
                                                             const QString& key) {
    return waitFor<std::vector<SweepHostState>>(
        [&](auto done) { store.loadSweepState(key, done); });
}

StderrCapture::StderrCapture() {
    file_.open();
    std::fflush(stderr);
    savedFd_ = ::dup(STDERR_FILENO);
    ::dup2(file_.handle(), STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
    finish();
}

QByteArray StderrCapture::finish() {
    if (savedFd_ < 0)
        return {};
    std::fflush(stderr);
    ::dup2(savedFd_, STDERR_FILENO);
    ::close(savedFd_);
    savedFd_ = -1;
    file_.seek(0);
    return file_.readAll();
}

int countOccurrences(const QByteArray& text, const QByteArray& needle) {
    return int(text.count(needle));
}

QByteArray queryText(const QString& databaseFile, const char* sql) {
    QString error;
    const auto db = sqlite::Connection::open(databaseFile, error);
    auto statement = sqlite::Statement::prepare(db, sql);
    if (!statement || !statement.stepRow())
        return "<no row>";
    return statement.columnText(0).value_or("<null>");
}

bool executeSql(const QString& databaseFile, const char* sql) {
    QString error;
    const auto db = sqlite::Connection::open(databaseFile, error);
    return db && db.execute(sql) == 0;
}

} // namespace vantorel::test
