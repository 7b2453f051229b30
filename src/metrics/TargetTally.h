#pragma once

#include "metrics/RttHistogram.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vantorel {

class PingMonitor;
class Target;
struct PingSample;

// What the exporter keeps of one target: counts and round-trip times folded in from its monitor's
// samples as each is recorded, per-hop counts of a traceroute's walks, and a sweep's last
// complete pass. A monitor's series is trimmed to its window and capped, so nothing here is
// derived from the series as a whole: each sample is counted once, by its sequence number, and
// the counts only grow for as long as the target stays in the list, switched on or off.
//
// Samples recorded before the tally was made, and any the monitor takes over from the stored
// history, were not seen by this exporter and are not counted.
class TargetTally : public QObject {
public:
    // A hop as the latest walk left it.
    struct Hop {
        std::int64_t number = 0;
        QString address;
        std::int64_t probes = 0;
        std::int64_t lost = 0;
        // Milliseconds; none when the hop's probe in that walk went unanswered.
        std::optional<double> lastRtt;
    };

    struct SweepPass {
        int alive = 0;
        int scanned = 0;
    };

    explicit TargetTally(const std::shared_ptr<Target>& target);

    // `target="…",kind="…"`: the display name, and the kind's stored name (e.g. "hostPing").
    const QByteArray& labels() const { return labels_; }

    // False for a sweep, whose echoes count towards its pass rather than as probes.
    bool probing() const { return probing_; }
    // 1 while the target answers, perhaps with some loss.
    bool up() const { return up_; }
    const std::optional<int>& httpStatus() const { return httpStatus_; }
    std::int64_t sent() const { return sent_; }
    std::int64_t lost() const { return lost_; }
    const RttHistogram& rtts() const { return rtts_; }
    // Milliseconds: the newest answered sample's round-trip time. Kept rather than looked up in
    // the series, where a host down for a day would have a day of losses to pass over.
    const std::optional<double>& lastRtt() const { return lastRtt_; }
    // The hops of the path at the end of the latest walk, in hop order.
    const std::vector<Hop>& hops() const { return hops_; }
    // None until a pass has completed or a stored one was restored.
    const std::optional<SweepPass>& sweepPass() const { return sweepPass_; }

private:
    void foldNewSamples(const PingMonitor& monitor);
    void foldSample(const PingSample& sample);
    void foldWalk(const PingMonitor& monitor);
    void takeTargetState(const Target& target);
    void takeCompletePass(const Target& target);

    QByteArray labels_;
    const bool probing_;
    // Taken as the target announces its changes, while what they read is fresh in the cache,
    // rather than at a scrape: a scrape once a second of a hundred targets would find each
    // target's monitor, series and statistics long gone from it, and that walk cost as much as
    // writing the whole exposition.
    bool up_ = false;
    std::optional<int> httpStatus_;
    // The highest sequence number already counted or passed over.
    std::int64_t seen_ = 0;
    std::int64_t sent_ = 0;
    std::int64_t lost_ = 0;
    RttHistogram rtts_;
    std::optional<double> lastRtt_;
    std::vector<Hop> hops_;
    std::optional<SweepPass> sweepPass_;
};

} // namespace vantorel
