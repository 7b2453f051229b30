#pragma once

#include "metrics/MetricsWriter.h"
#include "metrics/TargetTally.h"

#include <QByteArray>
#include <QObject>
#include <memory>
#include <vector>

namespace vantorel {

class HostStore;

// The metrics of a running model: every target of the store, switched on or off, with the
// counts its tally keeps and the state its monitors publish. Follows the list as targets are
// added and removed; a removed target's series disappear. Reads only what the model has already
// published, so rendering never waits on probing.
//
// Labelled `target` (the display name) and `kind` (the kind's stored name, e.g. "hostPing",
// stable where the shown label may be reworded); hop metrics also `hop` (the TTL) and `address`
// (the node answering there, "*" while none has). Counts begin when this is made.
//
//   vantorel_target_up                 1 while the target answers, else 0
//   vantorel_probes_sent_total         probes with an outcome (echoes, walks, service checks)
//   vantorel_probes_lost_total         of those, the unanswered or failed
//   vantorel_rtt_seconds               histogram of the answered probes' round-trip times
//   vantorel_last_rtt_seconds          the newest answered probe's round-trip time
//   vantorel_http_status               the status of a service check's latest HTTP response
//   vantorel_hop_last_rtt_seconds      a traceroute hop's round-trip time in the latest walk
//   vantorel_hop_probes_total          walks that probed the hop
//   vantorel_hop_lost_total            of those, the ones where it did not answer
//   vantorel_sweep_hosts_alive         hosts that answered in a sweep's last complete pass
//   vantorel_sweep_hosts_scanned       hosts that pass scanned
class ModelMetrics : public QObject {
public:
    explicit ModelMetrics(HostStore& store);
    ~ModelMetrics() override;

    // Its memory is written over by the next call once nothing holds the text any more.
    QByteArray render(ExpositionFormat format) const;

    struct Followed {
        std::shared_ptr<Target> target;
        std::unique_ptr<TargetTally> tally;
    };

private:
    void follow();

    // Read only when it announces a change of its list, so never once it has gone.
    HostStore& store_;
    // In the store's order, matched up once per change of the list rather than on every scrape:
    // a scrape of a cold process pays for every lookup in cache misses.
    std::vector<Followed> followed_;
    // The latest exposition, kept so that the next one can be written into the same memory: a
    // scrape a second of a large exposition would otherwise take and give back that much memory
    // every time, which costs far more than writing it.
    mutable QByteArray text_;
};

} // namespace vantorel
