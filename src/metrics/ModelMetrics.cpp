#include "metrics/ModelMetrics.h"

#include "targets/HostStore.h"

#include <algorithm>

namespace vantorel {

namespace {

using Exported = std::vector<ModelMetrics::Followed>;

void writeTargets(MetricsWriter& out, const Exported& exported) {
    out.family("vantorel_target_up", MetricType::gauge,
               "1 while the target answers, perhaps with some loss; 0 when it is down, blocked, "
               "paused, failing its check or switched off.");
    for (const auto& entry : exported)
        out.sample("", entry.tally->labels(), std::int64_t(entry.tally->up()));

    out.family("vantorel_probes_sent", MetricType::counter,
               "Probes with an outcome: echoes, traceroute walks or service checks.");
    for (const auto& entry : exported)
        if (entry.tally->probing())
            out.sample("_total", entry.tally->labels(), entry.tally->sent());
    out.family("vantorel_probes_lost", MetricType::counter,
               "Probes that went unanswered or failed.");
    for (const auto& entry : exported)
        if (entry.tally->probing())
            out.sample("_total", entry.tally->labels(), entry.tally->lost());

    out.family("vantorel_rtt_seconds", MetricType::histogram,
               "Round-trip times of the answered probes.", "seconds");
    const auto& bucketLabels = RttHistogram::boundLabels();
    for (const auto& entry : exported) {
        if (!entry.tally->probing())
            continue;
        const RttHistogram& rtts = entry.tally->rtts();
        // Nothing is counted below the exposed span, so its cumulative counts start at zero.
        std::int64_t cumulative = 0;
        for (std::size_t bucket = rtts.firstExposed(); bucket < rtts.endExposed(); ++bucket) {
            cumulative += rtts.counts()[bucket];
            out.sample("_bucket", entry.tally->labels(), cumulative, bucketLabels[bucket]);
        }
        out.sample("_bucket", entry.tally->labels(), rtts.count(), bucketLabels.back());
        out.sample("_count", entry.tally->labels(), rtts.count());
        out.sample("_sum", entry.tally->labels(), rtts.sum());
    }

    out.family("vantorel_last_rtt_seconds", MetricType::gauge,
               "Round-trip time of the newest answered probe.", "seconds");
    for (const auto& entry : exported)
        if (const auto& rtt = entry.tally->lastRtt())
            out.sample("", entry.tally->labels(), *rtt / 1000.0);

    out.family("vantorel_http_status", MetricType::gauge,
               "Status code of a service check's latest HTTP response.");
    for (const auto& entry : exported)
        if (const auto& status = entry.tally->httpStatus())
            out.sample("", entry.tally->labels(), std::int64_t(*status));
}

QByteArray hopLabels(const TargetTally& tally, const TargetTally::Hop& hop) {
    QByteArray labels = tally.labels() + ",hop=\"" + QByteArray::number(hop.number) + "\",";
    appendLabel(labels, "address", hop.address);
    return labels;
}

void writeHops(MetricsWriter& out, const Exported& exported) {
    std::vector<std::pair<const TargetTally::Hop*, QByteArray>> hops;
    for (const auto& entry : exported)
        for (const auto& hop : entry.tally->hops())
            hops.emplace_back(&hop, hopLabels(*entry.tally, hop));

    out.family("vantorel_hop_last_rtt_seconds", MetricType::gauge,
               "Round-trip time of a traceroute hop in the latest walk, when it answered.",
               "seconds");
    for (const auto& [hop, labels] : hops)
        if (hop->lastRtt)
            out.sample("", labels, *hop->lastRtt / 1000.0);
    out.family("vantorel_hop_probes", MetricType::counter,
               "Traceroute walks that probed the hop at this address.");
    for (const auto& [hop, labels] : hops)
        out.sample("_total", labels, hop->probes);
    out.family("vantorel_hop_lost", MetricType::counter,
               "Traceroute walks in which the hop did not answer.");
    for (const auto& [hop, labels] : hops)
        out.sample("_total", labels, hop->lost);
}

void writeSweeps(MetricsWriter& out, const Exported& exported) {
    out.family("vantorel_sweep_hosts_alive", MetricType::gauge,
               "Hosts that answered in the sweep's last complete pass.");
    for (const auto& entry : exported)
        if (const auto& pass = entry.tally->sweepPass())
            out.sample("", entry.tally->labels(), std::int64_t(pass->alive));
    out.family("vantorel_sweep_hosts_scanned", MetricType::gauge,
               "Hosts scanned in the sweep's last complete pass.");
    for (const auto& entry : exported)
        if (const auto& pass = entry.tally->sweepPass())
            out.sample("", entry.tally->labels(), std::int64_t(pass->scanned));
}

} // namespace

ModelMetrics::ModelMetrics(HostStore& store)
    : store_(store) {
    connect(&store, &HostStore::listChanged, this, &ModelMetrics::follow);
    // The targets go with their store, which must not find them held here, still probing.
    connect(&store, &QObject::destroyed, this, [this] { followed_.clear(); });
    follow();
}

ModelMetrics::~ModelMetrics() = default;

void ModelMetrics::follow() {
    std::vector<Followed> kept;
    for (const auto& target : store_.targets()) {
        const auto known = std::find_if(followed_.begin(), followed_.end(), [&](const auto& entry) {
            return entry.target->id() == target->id();
        });
        kept.push_back({target, known != followed_.end() ? std::move(known->tally)
                                                         : std::make_unique<TargetTally>(target)});
    }
    followed_ = std::move(kept);
}

QByteArray ModelMetrics::render(ExpositionFormat format) const {
    MetricsWriter out(format, text_, text_.size());
    writeTargets(out, followed_);
    writeHops(out, followed_);
    writeSweeps(out, followed_);
    out.finish();
    return text_;
}

} // namespace vantorel
