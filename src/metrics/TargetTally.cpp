#include "metrics/TargetTally.h"

#include "metrics/MetricsWriter.h"
#include "targets/Target.h"

#include <algorithm>

namespace vantorel {

namespace {

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

} // namespace

TargetTally::TargetTally(const std::shared_ptr<Target>& target)
    : probing_(target->spec().kind != TargetKind::pingSweep) {
    appendLabel(labels_, "target", target->spec().displayName());
    labels_ += ',';
    appendLabel(labels_, "kind", QString(persistedName(target->spec().kind)));

    // The target announces being switched on or off at once, and other changes at most four
    // times a second however many hosts it has.
    connect(target.get(), &Target::changed, this,
            [this, raw = target.get()] { takeTargetState(*raw); });
    takeTargetState(*target);
    if (!probing_)
        return;
    for (const auto& monitor : target->monitors()) {
        seen_ = std::max(seen_, monitor->counter());
        // Directly, not through the target's coalesced announcement: a traceroute's hops are
        // counted at the sample that ends each walk, while the walk's hops are still known.
        connect(monitor.get(), &PingMonitor::changed, this,
                [this, raw = monitor.get()] { foldNewSamples(*raw); });
    }
}

void TargetTally::takeTargetState(const Target& target) {
    up_ = isUp(target);
    httpStatus_ = target.monitors().front()->httpStatus();
    // A sweep's monitors record no samples; its result is the pass.
    if (!probing_)
        takeCompletePass(target);
}

void TargetTally::foldNewSamples(const PingMonitor& monitor) {
    const auto& samples = monitor.samples();
    if (samples.empty() || samples.back().id <= seen_)
        return;
    // Numbers above the monitor's own counter came from the stored history, loaded into an
    // empty series: an earlier run recorded them.
    if (samples.back().id > monitor.counter()) {
        seen_ = samples.back().id;
        return;
    }
    // Every recorded sample is announced on its own, so this is nearly always just the newest.
    auto first = samples.end();
    while (first != samples.begin() && std::prev(first)->id > seen_)
        --first;
    for (auto sample = first; sample != samples.end(); ++sample)
        foldSample(*sample);
    seen_ = samples.back().id;
    if (monitor.mode() == PingMonitor::Mode::traceroute)
        foldWalk(monitor);
}

void TargetTally::foldSample(const PingSample& sample) {
    ++sent_;
    if (sample.rtt) {
        rtts_.observe(*sample.rtt / 1000.0);
        lastRtt_ = sample.rtt;
    } else {
        ++lost_;
    }
}

void TargetTally::foldWalk(const PingMonitor& monitor) {
    // A hop is counted under the address answering at its TTL; when the route moves, the old
    // address's counts go with it and the new one starts from zero.
    std::vector<Hop> hops;
    for (const auto& hop : monitor.hopStats()) {
        const auto kept = std::find_if(hops_.begin(), hops_.end(), [&](const Hop& known) {
            return known.number == hop.number && known.address == hop.host;
        });
        Hop counted = kept != hops_.end() ? *kept : Hop{hop.number, hop.host, 0, 0, {}};
        counted.lastRtt = hop.last;
        if (monitor.walkHops().contains(int(hop.number))) {
            ++counted.probes;
            if (!hop.last)
                ++counted.lost;
        }
        hops.push_back(std::move(counted));
    }
    hops_ = std::move(hops);
}

void TargetTally::takeCompletePass(const Target& target) {
    SweepPass pass;
    for (const auto& monitor : target.monitors()) {
        // Only a complete picture: a pass still filling in, or one a stop cut short, would show
        // hosts as missing that are merely not scanned yet.
        if (!monitor->alive())
            return;
        ++pass.scanned;
        pass.alive += *monitor->alive() ? 1 : 0;
    }
    sweepPass_ = pass;
}

} // namespace vantorel
