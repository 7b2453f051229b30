#include "metrics/ModelMetrics.h"

#include "targets/HostStore.h"

#include <algorithm>

namespace vantorel {

namespace {

using Exported = std::vector<ModelMetrics::Followed>;

// Answering, perhaps with some loss: ok, or a warning that stands for loss alone rather than for
// a block, a pause, a failed check or no answer yet.
bool isUp(const Target& target) {
    switch (target.health()) {
    case TargetHealth::ok:
        return true;
    case TargetHealth::warn:
        return !target.statusMessage() && target.currentLatency();
    case TargetHealth::off:
    case TargetHealth::down:
        return false;
    }
    return false;
}

bool isProbing(const Target& target) {
    return target.spec().kind != TargetKind::pingSweep;
}

void writeTargets(MetricsWriter& out, const Exported& exported) {
    out.family("vantorel_target_up", MetricType::gauge,
               "1 while the target answers, perhaps with some loss; 0 when it is down, blocked, "
               "paused, failing its check or switched off.");
    for (const auto& [target, tally] : exported)
        out.sample("", tally->labels(), std::int64_t(isUp(*target)));

    out.family("vantorel_probes_sent", MetricType::counter,
               "Probes with an outcome: echoes, traceroute walks or service checks.");
    for (const auto& [target, tally] : exported)
        if (isProbing(*target))
            out.sample("_total", tally->labels(), tally->sent());
    out.family("vantorel_probes_lost", MetricType::counter,
               "Probes that went unanswered or failed.");
    for (const auto& [target, tally] : exported)
        if (isProbing(*target))
            out.sample("_total", tally->labels(), tally->lost());

    out.family("vantorel_rtt_seconds", MetricType::histogram,
               "Round-trip times of the answered probes.", "seconds");
    const auto& bucketLabels = RttHistogram::boundLabels();
    for (const auto& [target, tally] : exported) {
        if (!isProbing(*target))
            continue;
        const RttHistogram& rtts = tally->rtts();
        // Nothing is counted below the exposed span, so its cumulative counts start at zero.
        std::int64_t cumulative = 0;
        for (std::size_t bucket = rtts.firstExposed(); bucket < rtts.endExposed(); ++bucket) {
            cumulative += rtts.counts()[bucket];
            out.sample("_bucket", tally->labels(), cumulative, bucketLabels[bucket]);
        }
        out.sample("_bucket", tally->labels(), rtts.count(), bucketLabels.back());
        out.sample("_count", tally->labels(), rtts.count());
        out.sample("_sum", tally->labels(), rtts.sum());
    }

    out.family("vantorel_last_rtt_seconds", MetricType::gauge,
               "Round-trip time of the newest answered probe.", "seconds");
    for (const auto& [target, tally] : exported)
        if (const auto& rtt = tally->lastRtt())
            out.sample("", tally->labels(), *rtt / 1000.0);

    out.family("vantorel_http_status", MetricType::gauge,
               "Status code of a service check's latest HTTP response.");
    for (const auto& [target, tally] : exported)
        if (const auto status = target->monitors().front()->httpStatus())
            out.sample("", tally->labels(), std::int64_t(*status));
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
    for (const auto& [target, tally] : exported)
        if (const auto& pass = tally->sweepPass())
            out.sample("", tally->labels(), std::int64_t(pass->alive));
    out.family("vantorel_sweep_hosts_scanned", MetricType::gauge,
               "Hosts scanned in the sweep's last complete pass.");
    for (const auto& [target, tally] : exported)
        if (const auto& pass = tally->sweepPass())
            out.sample("", tally->labels(), std::int64_t(pass->scanned));
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
