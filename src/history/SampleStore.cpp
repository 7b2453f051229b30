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
    commitTimer_.setSingleShot(true);
    commitTimer_.setInterval(kCommitDelay);
    // A coarse timer may fire up to 5 % late, past the promised delay.
    commitTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&commitTimer_, &QTimer::timeout, [this] { commitPending(); });
    queue_.async([database = database_.get(), databaseFile] { database->open(databaseFile); });
}

SampleStore::~SampleStore() {
    // Queued before the queue's own end, which runs everything waiting.
    commitPending();
}

WriteBatch& SampleStore::pendingWrites() {
    // The oldest write of a batch starts its clock; later ones ride along.
    if (!commitTimer_.isActive())
        commitTimer_.start();
    return pending_;
}

void SampleStore::commitPending() {
    commitTimer_.stop();
    if (pending_.empty())
        return;
    queue_.async([database = database_.get(), batch = std::move(pending_)]() mutable {
        batch.commitTo(*database);
    });
    pending_ = WriteBatch();
}

void SampleStore::flush() {
    commitPending();
    queue_.sync([] {});
}

void SampleStore::appendSample(const QString& key, const PingSample& sample) {
    pendingWrites().addSample(key.toUtf8(), sample);
}

void SampleStore::loadSamples(const QString& key, Date since, SamplesCompletion completion) {
    commitPending();
    queue_.async([database = database_.get(), key = key.toUtf8(), since,
                  completion = std::move(completion)]() mutable {
        auto samples = database->loadSamples(key, since);
        const std::int64_t highestSeq = database->highestSeq(key);
        postToMain([completion = std::move(completion), samples = std::move(samples),
                    highestSeq]() mutable { completion(std::move(samples), highestSeq); });
    });
}

void SampleStore::saveTracePath(const QString& key, std::vector<HopStat> hops) {
    if (auto json = encodeHopStats(hops))
        pendingWrites().setTracePath(key.toUtf8(), std::move(*json), dateNow());
}

void SampleStore::loadTracePath(const QString& key, TracePathCompletion completion) {
    commitPending();
    queue_.async([database = database_.get(), key = key.toUtf8(),
                  completion = std::move(completion)]() mutable {
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
    pendingWrites().setSweepState(key.toUtf8(), std::move(*json), dateNow());
}

void SampleStore::loadSweepState(const QString& key, SweepStateCompletion completion) {
    commitPending();
    queue_.async([database = database_.get(), key = key.toUtf8(),
                  completion = std::move(completion)]() mutable {
        std::vector<SweepHostState> states;
        if (const auto json = database->loadSweepState(key))
            states = decodeSweepHostStates(*json).value_or(std::vector<SweepHostState>{});
        postToMain([completion = std::move(completion), states = std::move(states)]() mutable {
            completion(std::move(states));
        });
    });
}

void SampleStore::checkSaving(SavingCompletion completion) {
    queue_.async([database = database_.get(), completion = std::move(completion)]() mutable {
        postToMain([completion = std::move(completion), reason = database->savingError()] {
            completion(reason);
        });
    });
}

void SampleStore::prune(double retentionSeconds) {
    pruneBefore(dateNow() - retentionSeconds);
}

void SampleStore::pruneBefore(Date cutoff) {
    commitPending();
    queue_.async([database = database_.get(), cutoff] { database->pruneBefore(cutoff); });
}

void SampleStore::schedulePruning(double retentionSeconds, double intervalSeconds) {
    pruneTimer_.reset();
    if (!(intervalSeconds > 0) || !std::isfinite(intervalSeconds))
        return;
    const auto interval = std::chrono::nanoseconds(std::int64_t(intervalSeconds * 1e9));
    pruneTimer_ =
        queue_.scheduleRepeating(interval, [weakStore = weak_from_this(), retentionSeconds] {
            // On the main thread, where the writes still pending are, which go first; and where
            // the store may be let go of, which its own queue could not wait for.
            postToMain([weakStore, retentionSeconds] {
                if (const auto store = weakStore.lock())
                    store->prune(retentionSeconds);
            });
        });
}

} // namespace vantorel
