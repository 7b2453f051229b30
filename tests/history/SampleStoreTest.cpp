#include "history/SampleStore.h"

#include "history/StoreTestSupport.h"
#include "support/EventLoop.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace std::chrono_literals;

namespace vantorel {
namespace {

using test::loadSamplesNow;
using test::loadSweepStateNow;
using test::loadTracePathNow;
using test::queryText;

constexpr Date kEverything = -std::numeric_limits<double>::max();

class SampleStoreTest : public testing::Test {
protected:
    QString file() const { return dir_.filePath(QStringLiteral("nested/Vantorel/history.sqlite")); }

    QTemporaryDir dir_;
    std::shared_ptr<SampleStore> store_ = SampleStore::create(file());
};

TEST_F(SampleStoreTest, LoadsTheRangeFromSinceInTimeOrderWithTheHighestSeqOfAllTheKeysRows) {
    // Submitted before the open has had any chance to finish: they must still see the database.
    store_->appendSample("hostPing:a", {.id = 1, .rtt = 10.0, .time = 100.0});
    store_->appendSample("hostPing:a", {.id = 7, .rtt = std::nullopt, .time = 300.0});
    store_->appendSample("hostPing:a", {.id = 3, .rtt = 12.5, .time = 200.0});
    store_->appendSample("hostPing:a", {.id = 9, .rtt = 5.0, .time = 99.999});
    store_->appendSample("hostPing:b", {.id = 100, .rtt = 1.0, .time = 250.0});

    const auto loaded = loadSamplesNow(*store_, "hostPing:a", 100.0);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->samples,
              (std::vector<PingSample>{{.id = 1, .rtt = 10.0, .time = 100.0},
                                       {.id = 3, .rtt = 12.5, .time = 200.0},
                                       {.id = 7, .rtt = std::nullopt, .time = 300.0}}));
    // From the row before `since`, not from the other key.
    EXPECT_EQ(loaded->highestSeq, 9);

    const auto none = loadSamplesNow(*store_, "hostPing:c", kEverything);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->samples.empty());
    EXPECT_EQ(none->highestSeq, 0);
}

TEST_F(SampleStoreTest, NewFileIsCreatedInWalModeWithIncrementalAutoVacuum) {
    ASSERT_TRUE(loadSamplesNow(*store_, "k", 0));
    EXPECT_EQ(queryText(file(), "PRAGMA journal_mode;"), "wal");
    EXPECT_EQ(queryText(file(), "PRAGMA auto_vacuum;"), "2");
    EXPECT_EQ(queryText(file(), "SELECT sql FROM sqlite_master WHERE name='idx_samples_key_t';"),
              "CREATE INDEX idx_samples_key_t ON samples(key, t)");
}

TEST_F(SampleStoreTest, TracePathsAndSweepStatesAreUpsertedByKeyAndReadBack) {
    HopStat first{.number = 1, .host = "198.18.0.1", .last = 1.5};
    HopStat second{.number = 2, .host = "198.18.1.1", .hostname = "router.lab", .last = 2.25};
    second.rtts = {2.0, 2.25};
    store_->saveTracePath("traceroute:x", {first});
    store_->saveTracePath("traceroute:x", {first, second});
    store_->saveTracePath("traceroute:y", {first});

    const std::vector<SweepHostState> sweep{
        {.host = "198.18.0.1", .alive = true, .latency = 0.75, .hostname = "a.lab"},
        {.host = "198.18.0.2", .alive = false}};
    store_->saveSweepState("pingSweep:lab", std::vector<SweepHostState>{{.host = "198.18.0.9"}});
    store_->saveSweepState("pingSweep:lab", sweep);

    // The round-trip history is not stored.
    second.rtts.clear();
    EXPECT_EQ(loadTracePathNow(*store_, "traceroute:x"), (std::vector<HopStat>{first, second}));
    EXPECT_EQ(loadTracePathNow(*store_, "traceroute:y"), (std::vector<HopStat>{first}));
    EXPECT_EQ(loadTracePathNow(*store_, "traceroute:z"), std::vector<HopStat>{});
    EXPECT_EQ(loadSweepStateNow(*store_, "pingSweep:lab"), sweep);
    EXPECT_EQ(loadSweepStateNow(*store_, "pingSweep:other"), std::vector<SweepHostState>{});

    EXPECT_EQ(queryText(file(), "SELECT count(*) FROM trace_paths;"), "2");
    EXPECT_EQ(queryText(file(), "SELECT state FROM sweep_states WHERE key='pingSweep:lab';"),
              R"([{"host":"198.18.0.1","alive":true,"latency":0.75,"hostname":"a.lab"},)"
              R"({"host":"198.18.0.2","alive":false}])");
    const double updated =
        queryText(file(), "SELECT updated FROM sweep_states WHERE key='pingSweep:lab';").toDouble();
    EXPECT_NEAR(updated, dateNow(), 60.0);
}

TEST_F(SampleStoreTest, StoredTextThatDoesNotDecodeLoadsAsNothing) {
    ASSERT_TRUE(loadSamplesNow(*store_, "k", 0));
    ASSERT_TRUE(test::executeSql(
        file(), "INSERT INTO trace_paths VALUES ('traceroute:x', '[{\"number\":1}]', 0);"
                "INSERT INTO sweep_states VALUES ('pingSweep:x', '{\"host\":\"a\"}', 0);"));
    EXPECT_EQ(loadTracePathNow(*store_, "traceroute:x"), std::vector<HopStat>{});
    EXPECT_EQ(loadSweepStateNow(*store_, "pingSweep:x"), std::vector<SweepHostState>{});
}

TEST_F(SampleStoreTest, PruningDeletesOnlySamplesBeforeTheCutoff) {
    // A cutoff whose shortest text has many digits: written any less precisely, the sample just
    // below it would survive or the one at it would go.
    const Date cutoff = 786000000.123456789;
    const Date justBefore = std::nextafter(cutoff, 0.0);
    store_->appendSample("k", {.id = 1, .rtt = 1.0, .time = justBefore});
    store_->appendSample("k", {.id = 2, .rtt = 1.0, .time = cutoff});
    store_->appendSample("k", {.id = 3, .rtt = 1.0, .time = cutoff + 1});
    store_->saveTracePath("traceroute:x", {HopStat{.number = 1}});
    store_->pruneBefore(cutoff);

    auto loaded = loadSamplesNow(*store_, "k", kEverything);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->samples,
              (std::vector<PingSample>{{.id = 2, .rtt = 1.0, .time = cutoff},
                                       {.id = 3, .rtt = 1.0, .time = cutoff + 1}}));
    // Old trace paths stay.
    EXPECT_EQ(loadTracePathNow(*store_, "traceroute:x")->size(), 1u);

    // With a retention, the cutoff is counted back from now.
    const Date now = dateNow();
    store_->appendSample("r", {.id = 1, .rtt = 1.0, .time = now - 1000});
    store_->appendSample("r", {.id = 2, .rtt = 1.0, .time = now - 10});
    store_->prune(500);
    loaded = loadSamplesNow(*store_, "r", kEverything);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->samples.size(), 1u);
    EXPECT_EQ(loaded->samples[0].id, 2);
}

TEST_F(SampleStoreTest, ScheduledPruningRepeatsAndDoesNotKeepTheStoreAlive) {
    const auto oldSampleIsGone = [&] {
        const auto loaded = loadSamplesNow(*store_, "k", kEverything);
        return loaded && loaded->samples.empty();
    };
    store_->schedulePruning(3600, 0.02);
    for (int round = 0; round < 2; ++round) {
        store_->appendSample("k", {.id = round, .rtt = 1.0, .time = dateNow() - 7200});
        EXPECT_TRUE(test::spinUntil(oldSampleIsGone, 5s)) << "round " << round;
    }
    store_->appendSample("k", {.id = 9, .rtt = 1.0, .time = dateNow()});
    test::spinFor(60ms);
    EXPECT_EQ(loadSamplesNow(*store_, "k", kEverything)->samples.size(), 1u);

    const std::weak_ptr<SampleStore> weak = store_;
    store_.reset();
    EXPECT_TRUE(test::spinUntil([&] { return weak.expired(); }, 2s));
}

} // namespace
} // namespace vantorel
