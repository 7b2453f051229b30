#include "history/SampleStore.h"

#include "history/HistoryDatabase.h"
#include "history/SweepHostStateJson.h"
#include "platform/MainThread.h"
#include "records/HopStatJson.h"

#include <QStandardPaths>
#include <chrono>
#include <cmath>
#include <utility>

namespace vantorel {

const std::shared_ptr<SampleStore>& SampleStore::shared() {
    // Never destroyed: work may still be queued for it while the process exits.
    static const auto* const instance =
        new std::shared_ptr<SampleStore>(create(defaultDatabaseFile()));
    return *instance;
}

QString SampleStore::defaultDatabaseFile() {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return {};
    return dataHome + QStringLiteral("/Vantorel/history.sqlite");
}

std::shared_ptr<SampleStore> SampleStore::create(const QString& databaseFile) {
    return std::shared_ptr<SampleStore>(new SampleStore(databaseFile));
}

SampleStore::SampleStore(const QString& databaseFile)
    : database_(std::make_unique<HistoryDatabase>())
    , queue_(QStringLiteral(VANTOREL_APP_ID ".samplestore")) {
    queue_.async([database = database_.get(), databaseFile] { database->open(databaseFile); });
}

SampleStore::~SampleStore() {
    // Queued before the queue's own end, which runs everything waiting but drops the timers.
    commitPending();
}

void SampleStore::enqueueWrite(std::function<void(WriteBatch&)> write) {
    queue_.async([this, write = std::move(write)] {
        write(batch_);
        // A commit already scheduled is at most the delay away, and so within it for this write.
        if (std::exchange(commitScheduled_, true))
            return;
        queue_.asyncAfter(kCommitDelay, [this] {
            commitScheduled_ = false;
            commitBatch();
        });
    });
}

void SampleStore::commitBatch() {
    batch_.commitTo(*database_);
}

void SampleStore::commitPending() {
    queue_.async([this] { commitBatch(); });
}

void SampleStore::flush() {
    queue_.sync([this] { commitBatch(); });
}

void SampleStore::appendSample(const QString& key, const PingSample& sample) {
    enqueueWrite([key = key.toUtf8(), sample](WriteBatch& batch) mutable {
        batch.addSample(std::move(key), sample);
    });
}

void SampleStore::loadSamples(const QString& key, Date since, SamplesCompletion completion) {
    queue_.async([this, database = database_.get(), key = key.toUtf8(), since,
                  completion = std::move(completion)]() mutable {
        commitBatch();
        auto samples = database->loadSamples(key, since);
        const std::int64_t highestSeq = database->highestSeq(key);
        postToMain([completion = std::move(completion), samples = std::move(samples),
                    highestSeq]() mutable { completion(std::move(samples), highestSeq); });
    });
}

void SampleStore::saveTracePath(const QString& key, std::vector<HopStat> hops) {
    const Date updated = dateNow();
    enqueueWrite([key = key.toUtf8(), hops = std::move(hops), updated](WriteBatch& batch) mutable {
        if (auto json = encodeHopStats(hops))
            batch.setTracePath(std::move(key), std::move(*json), updated);
    });
}

void SampleStore::loadTracePath(const QString& key, TracePathCompletion completion) {
    queue_.async([this, database = database_.get(), key = key.toUtf8(),
                  completion = std::move(completion)]() mutable {
        commitBatch();
        std::vector<HopStat> hops;
        if (const auto json = database->loadTracePath(key))
            hops = decodeHopStats(*json).value_or(std::vector<HopStat>{});
        postToMain([completion = std::move(completion), hops = std::move(hops)]() mutable {
            completion(std::move(hops));
        });
    });
}

void SampleStore::saveSweepState(const QString& key, std::span<const SweepHostState> states) {
    auto json = encodeSweepHostStates(states);
    if (!json)
        return;
    const Date updated = dateNow();
    enqueueWrite([key = key.toUtf8(), json = std::move(*json), updated](WriteBatch& batch) mutable {
        batch.setSweepState(std::move(key), std::move(json), updated);
    });
}

void SampleStore::loadSweepState(const QString& key, SweepStateCompletion completion) {
    queue_.async([this, database = database_.get(), key = key.toUtf8(),
                  completion = std::move(completion)]() mutable {
        commitBatch();
        std::vector<SweepHostState> states;
        if (const auto json = database->loadSweepState(key))
            states = decodeSweepHostStates(*json).value_or(std::vector<SweepHostState>{});
        postToMain([completion = std::move(completion), states = std::move(states)]() mutable {
            completion(std::move(states));
        });
    });
}

void SampleStore::prune(double retentionSeconds) {
    pruneBefore(dateNow() - retentionSeconds);
}

void SampleStore::pruneBefore(Date cutoff) {
    queue_.async([this, cutoff] {
        commitBatch();
        database_->pruneBefore(cutoff);
    });
}

void SampleStore::schedulePruning(double retentionSeconds, double intervalSeconds) {
    pruneTimer_.reset();
    if (!(intervalSeconds > 0) || !std::isfinite(intervalSeconds))
        return;
    const auto interval = std::chrono::nanoseconds(std::int64_t(intervalSeconds * 1e9));
    pruneTimer_ =
        queue_.scheduleRepeating(interval, [weakStore = weak_from_this(), retentionSeconds] {
            auto store = weakStore.lock();
            if (!store)
                return;
            store->prune(retentionSeconds);
            // Should this be the last reference, the store must not be destroyed here: its
            // queue cannot wait for itself to finish. The main thread lets go of it instead.
            postToMain([store = std::move(store)] {});
        });
}

} // namespace vantorel
