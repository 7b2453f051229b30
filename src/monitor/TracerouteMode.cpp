#include "history/SampleStore.h"
#include "monitor/PingMonitor.h"
#include "net/ICMPEngine.h"
#include "net/Resolver.h"
#include "platform/Clock.h"
#include "platform/OffPool.h"
#include "platform/Task.h"

#include <QStringList>
#include <algorithm>

// The traceroute mode of a monitor: the route to the host walked TTL by TTL, again and again,
// with a round-trip history per hop and one sample per walk.
namespace vantorel {

namespace {

constexpr int kFirstTtl = 1;
constexpr int kLastTtl = 30;
constexpr double kHopTimeout = 1.0;

// What identifies a path for storage: hop numbers and addresses, not names or times, so that
// walks over an unchanged route never write.
QString hopSignature(const std::vector<HopStat>& hops) {
    QStringList parts;
    parts.reserve(qsizetype(hops.size()));
    for (const auto& hop : hops)
        parts.append(QString::number(hop.number) + QLatin1Char(':') + hop.host);
    return parts.join(QLatin1Char(','));
}

} // namespace

void PingMonitor::startTraceroute() {
    if (retryTask_)
        retryTask_->cancel();
    statusMessage_.reset();
    isRunning_ = true;
    announceChange();
    if (hopStats_.empty() && persistKey_) {
        store().loadTracePath(*persistKey_, [weak = weak_from_this()](std::vector<HopStat> hops) {
            if (const auto self = weak.lock())
                self->restoreHops(std::move(hops));
        });
    }
    handOffHistory([](PingMonitor& monitor) { monitor.startTraceRun(); });
}

void PingMonitor::restoreHops(std::vector<HopStat> hops) {
    if (!isRunning_ || !hopStats_.empty() || hops.empty())
        return;
    hopStats_ = std::move(hops);
    for (const auto& hop : hopStats_)
        if (hop.hostname)
            hopHostnames_[hop.host] = *hop.hostname;
    // The signature stays unset, so the first completed walk writes the path once.
    announceChange();
}

void PingMonitor::startTraceRun() {
    if (!isRunning_ || probeTask_)
        return;
    traceStart_ = dateNow();
    traceStartMono_ = monotonicNanos();
    traceRunSeen_.clear();
    probeTask_ = startTask([weak = weak_from_this()](TaskHandle task) -> QCoro::Task<> {
        const auto self = weak.lock();
        if (!self)
            co_return;
        co_await self->traceWalk(task);
    });
}

void PingMonitor::endWalk(const TaskHandle& walk) {
    if (probeTask_ && *probeTask_ == walk)
        probeTask_.reset();
}

QCoro::Task<void> PingMonitor::traceWalk(TaskHandle task) {
    const auto resolved = co_await probeAddress();
    if (task.isCancelled() || !isRunning_) {
        endWalk(task);
        co_return;
    }
    if (!resolved) {
        endWalk(task);
        isRunning_ = false;
        statusMessage_ = QStringLiteral("Cannot resolve ") + host_;
        announceChange();
        co_return;
    }
    const QString address = *resolved;

    if (!traceEngine_)
        traceEngine_ = ICMPEngine::create();
    // Held by the walk too: a monitor released mid-walk keeps its engine until the probe ends.
    const auto engine = traceEngine_;
    for (int ttl = kFirstTtl;; ++ttl) {
        if (task.isCancelled() || !isRunning_) {
            endWalk(task);
            co_return;
        }
        const ICMPOutcome outcome = co_await engine->probe(address, ttl, kHopTimeout);
        if (task.isCancelled() || !isRunning_) {
            endWalk(task);
            co_return;
        }
        if (const auto* reply = std::get_if<ICMPReply>(&outcome)) {
            recordHop(ttl, reply->from, reply->ms);
            if (!reply->timeExceeded) {
                finishTraceRun(true); // the destination itself answered
                co_return;
            }
        } else if (std::holds_alternative<ICMPFailed>(outcome)) {
            finishTraceRun(false);
            co_return;
        } else {
            recordHop(ttl, HopStat::kUnanswered, std::nullopt);
        }
        if (ttl == kLastTtl) {
            finishTraceRun(true);
            co_return;
        }
    }
}

void PingMonitor::recordHop(int ttl, const QString& host, std::optional<double> rtt) {
    traceRunSeen_.insert(ttl);
    const auto existing = std::find_if(hopStats_.begin(), hopStats_.end(),
                                       [ttl](const HopStat& hop) { return hop.number == ttl; });
    if (existing != hopStats_.end()) {
        existing->record(host, rtt);
    } else {
        HopStat hop{.number = ttl, .host = host};
        hop.record(host, rtt);
        // Kept sorted by number; hops come in ascending order, so this is nearly always the end.
        const auto position = std::upper_bound(
            hopStats_.begin(), hopStats_.end(), ttl,
            [](int number, const HopStat& other) { return number < other.number; });
        hopStats_.insert(position, std::move(hop));
    }
    announceChange();
    if (host != HopStat::kUnanswered)
        lookUpHopName(host);
}

void PingMonitor::finishTraceRun(bool completed) {
    if (!isRunning_)
        return;
    probeTask_.reset();
    std::optional<double> rtt;
    if (completed) {
        // Hops beyond where this walk ended belong to a longer route that no longer exists.
        std::erase_if(hopStats_, [this](const HopStat& hop) {
            return !traceRunSeen_.contains(int(hop.number));
        });
        if (persistKey_ && !hopStats_.empty()) {
            const QString signature = hopSignature(hopStats_);
            if (savedHopSignature_ != signature) {
                store().saveTracePath(*persistKey_, hopStats_);
                savedHopSignature_ = signature;
            }
        }
        if (!hopStats_.empty())
            rtt = hopStats_.back().last;
    }
    // An engine failure is a lost sample; hops are neither pruned nor saved for it.
    record(rtt, traceStart_.value_or(dateNow()));
    scheduleNextTraceRun();
}

void PingMonitor::scheduleNextTraceRun() {
    // On the monotonic clock: a wall-clock step must neither stall the walks nor rush them.
    // Walks start on the beat that host pings share, so the hop probes of every traceroute leave
    // together and their answers wake the threads once for all of them. A walk that overran its
    // period is followed at once, as before; the first period, and the one after such a walk, is
    // shortened or stretched (by half a period at most) to reach the beat.
    const double delay = traceStart_ ? secondsToNextBeat(traceStartMono_, timing_.traceRunPeriod)
                                     : timing_.traceRunPeriod;
    retryTask_ = startTask([weak = weak_from_this(), delay](TaskHandle task) -> QCoro::Task<> {
        co_await sleepForSeconds(task, delay);
        const auto self = weak.lock();
        if (task.isCancelled() || !self)
            co_return;
        self->startTraceRun();
    });
}

void PingMonitor::lookUpHopName(const QString& host) {
    if (const auto cached = hopHostnames_.find(host); cached != hopHostnames_.end()) {
        if (!cached->second.isEmpty())
            applyHopName(host, cached->second);
        return;
    }
    if (hopLookupsInFlight_.contains(host))
        return;
    hopLookupsInFlight_.insert(host);
    startTask([weak = weak_from_this(), host](TaskHandle) -> QCoro::Task<> {
        const auto name = co_await offPool([host] { return reverseLookup(host); });
        const auto self = weak.lock();
        if (!self)
            co_return;
        self->hopLookupsInFlight_.erase(host);
        // An empty entry remembers that the address has no name, so it is not asked again.
        self->hopHostnames_[host] = name.value_or(QString());
        if (name)
            self->applyHopName(host, *name);
    });
}

void PingMonitor::applyHopName(const QString& host, const QString& name) {
    bool renamed = false;
    for (auto& hop : hopStats_) {
        if (hop.host == host && hop.hostname != name) {
            hop.hostname = name;
            renamed = true;
        }
    }
    if (renamed)
        announceChange();
}

} // namespace vantorel
