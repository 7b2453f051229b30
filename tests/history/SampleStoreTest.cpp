#include "history/SampleStore.h"

#include "history/DamagedFile.h"
#include "history/Sqlite.h"
#include "platform/MainThread.h"
#include "support/EventLoop.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <signal.h>
#include <thread>

using namespace std::chrono_literals;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

constexpr char kUnavailable[] = "Vantorel: history database unavailable — ";

// A load's result, which must be delivered on the main thread, where the models live.
template <typename Result, typename Load> Result await(Load load) {
    auto result = std::make_shared<std::optional<Result>>();
    load([result](Result value) {
        EXPECT_TRUE(isMainThread()) << "a completion ran off the main thread";
        *result = std::move(value);
    });
    EXPECT_TRUE(spinUntil([&] { return result->has_value(); })) << "no completion";
    return result->value_or(Result{});
}
using Loaded = std::pair<std::vector<PingSample>, std::int64_t>; // samples, highest seq
Loaded samplesOf(SampleStore& store, const QString& key, Date since = -1e300) {
    return await<Loaded>([&](auto done) {
        store.loadSamples(key, since, [done](auto samples, auto seq) { done({samples, seq}); });
    });
}
std::vector<std::int64_t> idsOf(SampleStore& store, const QString& key) {
    std::vector<std::int64_t> ids;
    std::ranges::transform(samplesOf(store, key).first, std::back_inserter(ids), &PingSample::id);
    return ids;
}
std::vector<HopStat> pathOf(SampleStore& store, const QString& key) {
    return await<std::vector<HopStat>>([&](auto done) { store.loadTracePath(key, done); });
}
std::vector<SweepHostState> sweepOf(SampleStore& store, const QString& key) {
    return await<std::vector<SweepHostState>>([&](auto done) { store.loadSweepState(key, done); });
}

// The first value of `sql`, run on the file through a connection of its own.
QByteArray sqlText(const QString& file, const char* sql) {
    QString error;
    const auto connection = sqlite::Connection::open(file, error);
    auto statement = sqlite::Statement::prepare(connection, sql);
    return statement && statement.stepRow() ? statement.columnText(0).value_or("") : "<no row>";
}

// Runs the recorder on `file` until it has reported twice and `enough` samples are committed, then
// kills it (SIGKILL) at a random moment of its batching; returns its last reported number and log.
std::pair<qint64, QByteArray> recordInto(const QString& file, qint64 enough) {
    QProcess recorder;
    recorder.start(HISTORY_RECORDER_PATH, {file});
    qint64 committed = 0;
    int reports = 0;
    const auto reported = [&] {
        for (recorder.waitForReadyRead(10); recorder.canReadLine(); ++reports)
            committed = recorder.readLine().mid(10).trimmed().toLongLong(); // "committed N"
        return reports > 1 && committed >= enough;
    };
    EXPECT_TRUE(spinUntil(reported, 20s));
    test::spinFor(std::chrono::milliseconds(QRandomGenerator::global()->bounded(300)));
    ::kill(pid_t(recorder.processId()), SIGKILL);
    recorder.waitForFinished();
    return {committed, recorder.readAllStandardError()};
}

class SampleStoreTest : public testing::Test {
protected:
    QString file() const { return dir_.filePath("nested/Vantorel/history.sqlite"); }
    QTemporaryDir dir_;
    // Used at once: what is submitted before the open has finished must still see the database.
    std::shared_ptr<SampleStore> store_ = SampleStore::create(file());
};

TEST_F(SampleStoreTest, SamplesLoadFromTheSinceTimeInTimeOrderWithTheKeysHighestSeq) {
    const PingSample first{.id = 1, .rtt = 10.0, .time = 100.0},
        second{.id = 3, .rtt = 12.5, .time = 200.0}, third{.id = 7, .time = 300.0};
    for (const PingSample& sample : {first, third, second})
        store_->appendSample("hostPing:a", sample);
    store_->appendSample("hostPing:a", {.id = 9, .rtt = 5.0, .time = 99.999});
    store_->appendSample("hostPing:b", {.id = 100, .rtt = 1.0, .time = 250.0});
    // The highest seq comes from the row before the since time, not from the other key.
    EXPECT_EQ(samplesOf(*store_, "hostPing:a", 100.0), Loaded({first, second, third}, 9));
    EXPECT_EQ(samplesOf(*store_, "hostPing:c"), Loaded({}, 0));
}

TEST_F(SampleStoreTest, TracePathsAndSweepResultsAreKeptPerKeyTheLastOneWins) {
    HopStat first{.number = 1, .host = "198.18.0.1", .last = 1.5};
    HopStat second{.number = 2, .host = "198.18.1.1", .hostname = "router.lab", .last = 2.25};
    second.rtts = {2.0, 2.25};
    store_->saveTracePath("traceroute:x", {first});
    store_->saveTracePath("traceroute:x", {first, second});
    second.rtts.clear(); // the round-trip history is not stored
    // Each load sees the writes before it, with no other load to commit them first.
    EXPECT_EQ(pathOf(*store_, "traceroute:x"), (std::vector{first, second}));
    const std::vector<SweepHostState> sweep{
        {.host = "198.18.0.1", .alive = true, .latency = 0.75, .hostname = "a.lab"},
        {.host = "198.18.0.2", .alive = false}};
    store_->saveSweepState("pingSweep:lab", std::vector<SweepHostState>{{.host = "198.18.0.9"}});
    store_->saveSweepState("pingSweep:lab", sweep);
    EXPECT_EQ(sweepOf(*store_, "pingSweep:lab"), sweep);
    EXPECT_EQ(pathOf(*store_, "traceroute:z"), std::vector<HopStat>{});
    EXPECT_EQ(sweepOf(*store_, "pingSweep:lab"), sweep);
    EXPECT_EQ(sqlText(file(), "SELECT hops FROM trace_paths"),
              R"([{"number":1,"host":"198.18.0.1","last":1.5},)"
              R"({"number":2,"host":"198.18.1.1","hostname":"router.lab","last":2.25}])");
    EXPECT_EQ(sqlText(file(), "SELECT state FROM sweep_states"),
              R"([{"host":"198.18.0.1","alive":true,"latency":0.75,"hostname":"a.lab"},)"
              R"({"host":"198.18.0.2","alive":false}])");

    // Stored text that does not decode loads as nothing.
    sqlText(file(), R"(UPDATE trace_paths SET hops='[{"number":1}]')");
    sqlText(file(), R"(UPDATE sweep_states SET state='{"host":"a"}')");
    EXPECT_EQ(pathOf(*store_, "traceroute:x"), std::vector<HopStat>{});
    EXPECT_EQ(sweepOf(*store_, "pingSweep:lab"), std::vector<SweepHostState>{});
}

TEST_F(SampleStoreTest, PruningRemovesExactlyTheSamplesOlderThanTheRetention) {
    // A cutoff whose shortest text has many digits: written any less precisely, the sample just
    // before it would survive or the one at it would go.
    const Date cutoff = 786000000.123456789;
    store_->appendSample("k", {.id = 1, .time = std::nextafter(cutoff, 0.0)});
    store_->appendSample("k", {.id = 2, .time = cutoff});
    store_->appendSample("k", {.id = 3, .time = std::nextafter(cutoff, 1e12)});
    store_->saveTracePath("traceroute:x", {HopStat{.number = 1}});
    store_->pruneBefore(cutoff);
    EXPECT_EQ(idsOf(*store_, "k"), (std::vector<std::int64_t>{2, 3}));

    // With a retention the cutoff is counted back from the moment of the call.
    const double week = 7 * 86400;
    const Date called = dateNow();
    store_->appendSample(QString(4096, 'r'), {.id = 1, .time = called - week - 0.001});
    store_->appendSample(QString(4096, 'r'), {.id = 2, .time = called - week + 10});
    store_->prune(week);
    ASSERT_LT(dateNow() - called, 10.0) << "too slow to tell the samples apart";
    EXPECT_EQ(idsOf(*store_, QString(4096, 'r')), std::vector<std::int64_t>{2});
    EXPECT_EQ(sqlText(file(), "PRAGMA freelist_count"), "0") << "pruning gives the space back";
    EXPECT_EQ(pathOf(*store_, "traceroute:x").size(), 1u) << "trace paths are never pruned";
}

TEST_F(SampleStoreTest, ScheduledPruningRepeats) {
    store_->schedulePruning(3600, 0.02);
    for (int round = 0; round < 2; ++round) {
        store_->appendSample("k", {.id = round, .time = dateNow() - 7200});
        EXPECT_TRUE(spinUntil([&] { return idsOf(*store_, "k").empty(); }, 5s)) << round;
    }
    store_->appendSample("k", {.id = 9, .time = dateNow()});
    test::spinFor(60ms);
    EXPECT_EQ(idsOf(*store_, "k"), std::vector<std::int64_t>{9});
}

// The delay runs from the oldest write: samples that keep coming, as from running monitors, do not
// hold back the first. A store that goes commits what it still holds.
TEST_F(SampleStoreTest, WritesCommitOnTheirOwnWithinTheDelayAndAtOnceOnAFlush) {
    int id = 0;
    const auto start = std::chrono::steady_clock::now();
    auto appended = start - 1h;
    const auto committed = [&] {
        if (std::chrono::steady_clock::now() - appended >= 50ms) {
            appended = std::chrono::steady_clock::now();
            store_->appendSample("k", {.id = ++id, .time = double(id)});
        }
        return sqlText(file(), "SELECT count(*) FROM samples").toLongLong() > 0;
    };
    EXPECT_TRUE(spinUntil(committed, 3 * SampleStore::kCommitDelay) && appended - start >= 150ms)
        << "the first of a stream of samples commits within the delay, and not at once";
    while (id < 100)
        store_->appendSample("k", {.id = ++id, .time = double(id)});
    store_->saveSweepState("pingSweep:lab", std::vector<SweepHostState>{{.host = "198.18.0.9"}});
    store_->flush();
    EXPECT_EQ(sqlText(file(), "SELECT count(*) FROM samples"), "100");
    EXPECT_EQ(sqlText(file(), "SELECT count(*) FROM sweep_states"), "1");
    store_->appendSample("k", {.id = 101, .time = 101});
    store_.reset();
    EXPECT_EQ(sqlText(file(), "SELECT count(*) FROM samples"), "101");
}

// Killed at any moment of its batching, 20 times over, the file stays sound and holds every
// sample up to some number, none missing below it: whole transactions of rounds of five, in order.
TEST(SampleStoreKill, EveryKillLeavesASoundFileWithAnUnbrokenRunOfCommittedSamples) {
    QTemporaryDir dir;
    const QString file = dir.filePath("history.sqlite");
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        const qint64 before = sqlText(file, "SELECT count(*) FROM samples").toLongLong();
        // The recorder numbers from 1 again: each run writes a key of its own.
        sqlText(file, "UPDATE samples SET key = 'earlier'");
        const auto [committed, log] = recordInto(file, 0);
        EXPECT_EQ(sqlText(file, "PRAGMA integrity_check"), "ok");
        EXPECT_EQ(sqlText(file, "SELECT count(*) = count(DISTINCT seq) AND max(seq) = count(*) AND "
                                "max(seq) % 5 = 0 FROM samples WHERE key != 'earlier'"),
                  "1");
        EXPECT_GE(sqlText(file, "SELECT max(seq) FROM samples WHERE key != 'earlier'").toLongLong(),
                  committed);
        EXPECT_GT(sqlText(file, "SELECT count(*) FROM samples").toLongLong(), before);
    }
}

// A program holding the write lock for a second (a backup, a sqlite3 shell) only delays samples.
TEST_F(SampleStoreTest, SamplesWaitForAnotherWriterInsteadOfBeingLost) {
    ASSERT_EQ(idsOf(*store_, "k"), std::vector<std::int64_t>{}) << "the file is open";
    QString error;
    const auto other = sqlite::Connection::open(file(), error);
    ASSERT_EQ(other.execute("BEGIN IMMEDIATE;"), 0);
    for (int id = 1; id <= 3; ++id)
        store_->appendSample("k", {.id = id, .time = double(id)});
    std::thread releaser([&] {
        std::this_thread::sleep_for(1s);
        other.execute("COMMIT;");
    });
    store_->flush(); // which a quitting application relies on to have them on disk
    releaser.join();
    EXPECT_EQ(sqlText(file(), "SELECT count(*) FROM samples"), "3");
}

TEST(SampleStoreFailure, AnUnusableFolderIsLoggedOnceAndEveryLoadStillCompletesEmpty) {
    QTemporaryFile blocker; // a folder under a regular file cannot be made
    ASSERT_TRUE(blocker.open());
    const auto [committed, log] = recordInto(blocker.fileName() + "/Vantorel/history.sqlite", 0);
    EXPECT_EQ(committed, 0);
    EXPECT_EQ(log.count(kUnavailable), 1) << log.constData();
    EXPECT_TRUE(log.contains(kUnavailable + QByteArray("unable to open database file")));
    const auto store = SampleStore::create(blocker.fileName() + "/Vantorel/history.sqlite");
    EXPECT_TRUE(await<std::optional<QString>>([&](auto done) { store->checkSaving(done); }));
}

TEST(SampleStoreFailure, ADamagedFileIsMovedAsideAndTheFreshOneKeepsWhatWasCommittedThroughAKill) {
    QTemporaryDir dir;
    const QString file = dir.filePath("history.sqlite");
    const QByteArray garbage = QByteArray("not a database, just a file of text\n").repeated(200);
    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write(garbage) == garbage.size());
    damaged.close();

    const auto [committed, log] = recordInto(file, 400);
    const QStringList aside = QDir(dir.path()).entryList({"history.sqlite.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(log.count(kUnavailable), 1) << log.constData();
    EXPECT_TRUE(log.contains("file is not a database") && log.contains(aside[0].toUtf8()));
    QFile moved(dir.filePath(aside[0]));
    EXPECT_TRUE(moved.open(QIODevice::ReadOnly) && moved.readAll() == garbage);

    const auto [samples, highestSeq] = samplesOf(*SampleStore::create(file), "hostPing:127.0.0.1");
    EXPECT_GE(highestSeq, committed);
    ASSERT_GE(qint64(samples.size()), committed);
    for (std::size_t i = 0; i < std::size_t(committed); ++i)
        EXPECT_EQ(std::pair(samples[i].id, samples[i].rtt.has_value()),
                  std::pair(std::int64_t(i + 1), (i + 1) % 7 != 0));
    // The next start finds a healthy file: nothing is logged or moved.
    EXPECT_FALSE(recordInto(file, 0).second.contains(kUnavailable));
    EXPECT_EQ(QDir(dir.path()).entryList({"history.sqlite.damaged-*"}).size(), 1);
    // A database whose structure is broken goes aside as well.
    const QString broken = dir.filePath("broken.sqlite");
    sqlText(broken, "CREATE TABLE t (x)");
    QFile schemaPage(broken);
    ASSERT_TRUE(schemaPage.open(QIODevice::ReadWrite) && schemaPage.seek(100) &&
                schemaPage.write("\xff\xff") == 2 && schemaPage.flush());
    EXPECT_TRUE(recordInto(broken, 0).second.contains("database disk image is malformed"));
    EXPECT_EQ(QDir(dir.path()).entryList({"broken.sqlite.damaged-*"}).size(), 1);
    // Damaged again within the same second, the file goes beside the earlier copy, not over it,
    // and its write-ahead log with it, which would otherwise be replayed into the fresh file.
    const QDateTime second = QDateTime::currentDateTimeUtc().addDays(1);
    QString error;
    const std::optional<QString> first = moveDamagedFileAside(file, second, error);
    ASSERT_TRUE(first && QFile::copy(*first, file) && QFile::copy(*first, file + "-wal"));
    EXPECT_EQ(moveDamagedFileAside(file, second, error), *first + "-2");
    EXPECT_TRUE(QFile::exists(*first) && QFile::exists(*first + "-2-wal"));
    // One that cannot be moved (its new name too long for the folder) is not reported as moved.
    const QString longName = dir.filePath(QString(240, 'x'));
    ASSERT_TRUE(QFile::copy(*first, longName));
    EXPECT_FALSE(moveDamagedFileAside(longName, second, error) || error.isEmpty());
}

} // namespace
} // namespace vantorel
