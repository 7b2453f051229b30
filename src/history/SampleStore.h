#pragma once

#include "history/SweepHostState.h"
#include "history/WriteBatch.h"
#include "platform/Clock.h"
#include "platform/SerialQueue.h"
#include "records/HopStat.h"
#include "records/PingSample.h"

#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vantorel {

class HistoryDatabase;

// The on-disk history: recorded samples for a limited time, the last path of each traceroute and
// the last result of each sweep. Every call returns at once; the work runs on the store's own
// queue in submission order (behind the open), and completions always run on the main thread,
// also when the database is unavailable. Failures are absorbed: loads then find nothing and
// writes are dropped. Called from the main thread.
//
// Writes are gathered and committed together, at most `kCommitDelay` after the oldest of them, so
// a kill loses at most that much. They gather here, on the main thread, and go to the queue as one
// batch: handing each sample over on its own would wake the queue's thread for every probe, which
// cost more than the probe. Everything else (loads, pruning) hands over what is pending first, so
// it sees every write submitted before it.
class SampleStore : public std::enable_shared_from_this<SampleStore> {
public:
    using SamplesCompletion =
        std::function<void(std::vector<PingSample> samples, std::int64_t highestSeq)>;
    using TracePathCompletion = std::function<void(std::vector<HopStat> hops)>;
    using SweepStateCompletion = std::function<void(std::vector<SweepHostState> states)>;
    using SavingCompletion = std::function<void(std::optional<QString> reason)>;

    // How long a running application keeps samples, and how often it deletes the older ones.
    static constexpr double kRetentionSeconds = 7 * 24 * 3600;
    static constexpr double kPruneIntervalSeconds = 6 * 3600;

    // The process's store on the user's history file, opened on first use and never destroyed.
    static const std::shared_ptr<SampleStore>& shared();
    // "<XDG data home>/Vantorel/history.sqlite"; empty when the platform reports no data folder.
    static QString defaultDatabaseFile();

    // A store on `databaseFile`, whose folder is created when missing.
    static std::shared_ptr<SampleStore> create(const QString& databaseFile);

    static constexpr std::chrono::milliseconds kCommitDelay{250};

    ~SampleStore();
    SampleStore(const SampleStore&) = delete;
    SampleStore& operator=(const SampleStore&) = delete;

    void appendSample(const QString& key, const PingSample& sample);
    // The samples of `key` with time >= `since` in ascending time order, and the highest sequence
    // number ever stored for `key` (0 when none), so that numbering continues after a restart.
    void loadSamples(const QString& key, Date since, SamplesCompletion completion);

    void saveTracePath(const QString& key, std::vector<HopStat> hops);
    // The stored hops, or none when there is no path or it does not decode.
    void loadTracePath(const QString& key, TracePathCompletion completion);

    void saveSweepState(const QString& key, std::span<const SweepHostState> states);
    // The stored result, or none when there is none or it does not decode.
    void loadSweepState(const QString& key, SweepStateCompletion completion);

    // Commits everything submitted before, without waiting for the rest of the delay.
    void commitPending();
    // The same, and returns once it is on disk: for the end of the process, where nothing
    // queued would run any more.
    void flush();
    // Once the database has been opened: why samples are not being saved (it did not open, or
    // cannot be written), or none while they are.
    void checkSaving(SavingCompletion completion);

    // Deletes the samples older than now minus `retentionSeconds`; trace paths and sweep results
    // are kept however old they are.
    void prune(double retentionSeconds);
    // Deletes the samples whose time is before `cutoff`; a sample at `cutoff` stays.
    void pruneBefore(Date cutoff);
    // Prunes with `retentionSeconds` every `intervalSeconds`, the first time one interval from
    // now, for as long as the store exists; replaces the schedule set before.
    void schedulePruning(double retentionSeconds, double intervalSeconds);

private:
    explicit SampleStore(const QString& databaseFile);

    // The batch to add a write to, whose commit is then on its way.
    WriteBatch& pendingWrites();

    // Touched only on `queue_`. Declared before it so that the queue, which runs its waiting work
    // when destroyed, goes first.
    std::unique_ptr<HistoryDatabase> database_;
    SerialQueue queue_;
    std::unique_ptr<RepeatingTimer> pruneTimer_;
    WriteBatch pending_;
    QTimer commitTimer_;
};

} // namespace vantorel
