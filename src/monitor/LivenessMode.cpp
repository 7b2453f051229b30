#include "monitor/PingMonitor.h"
#include "net/ICMPEngine.h"
#include "net/Resolver.h"
#include "platform/OffPool.h"
#include "platform/Task.h"

#include <numeric>

// The liveness mode of a monitor: one short scan of five echoes, for each host of a sweep.
namespace vantorel {

namespace {

constexpr int kProbesPerScan = 5;
constexpr int kLivenessTtl = 64;
constexpr double kLivenessTimeout = 1.0;
constexpr double kStaggerSpan = 0.25;
constexpr int kStaggerSteps = 5;

// A sweep starts all its scans at once; spreading their first probes over a quarter of a second
// by the address's last component keeps 254 echoes from leaving in one burst. The spread goes in
// a few steps rather than one per address: the echoes of a step leave, come back and go on to
// their next probe together, waking the threads once for the step instead of once per host.
double startStagger(const QString& address) {
    const auto pieces = address.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return 0;
    bool ok = false;
    const uint last = pieces.last().toUInt(&ok);
    const bool plainDigits = std::all_of(pieces.last().begin(), pieces.last().end(),
                                         [](QChar c) { return c.isDigit(); });
    if (!ok || !plainDigits || last > 255)
        return 0;
    return double(int(last) * kStaggerSteps / 256) / kStaggerSteps * kStaggerSpan;
}

} // namespace

void PingMonitor::startLiveness() {
    if (isRunning_)
        return;
    if (retryTask_)
        retryTask_->cancel();
    alive_.reset();
    isRunning_ = true;
    announceChange();
    probeTask_ = startTask([weak = weak_from_this()](TaskHandle task) -> QCoro::Task<> {
        const auto self = weak.lock();
        if (!self)
            co_return;
        co_await self->livenessScan(task);
    });
}

QCoro::Task<void> PingMonitor::livenessScan(TaskHandle task) {
    const auto resolved = co_await probeAddress();
    if (task.isCancelled() || !isRunning_)
        co_return;
    if (!resolved) {
        alive_ = false;
        isRunning_ = false;
        announceChange();
        co_return;
    }
    const QString address = *resolved;

    co_await sleepForSeconds(task, startStagger(address));

    std::vector<double> rtts;
    const auto& engine = ICMPEngine::shared();
    for (int i = 0; i < kProbesPerScan; ++i) {
        if (task.isCancelled() || !isRunning_)
            co_return; // a stopped scan publishes nothing
        const ICMPOutcome outcome = co_await engine->probe(address, kLivenessTtl, kLivenessTimeout);
        if (const auto* reply = std::get_if<ICMPReply>(&outcome); reply && !reply->timeExceeded)
            rtts.push_back(reply->ms);
        if (i + 1 < kProbesPerScan)
            co_await sleepForSeconds(task, timing_.livenessProbePause);
    }
    if (task.isCancelled())
        co_return;

    alive_ = !rtts.empty();
    if (rtts.empty())
        latency_.reset();
    else
        latency_ = std::accumulate(rtts.begin(), rtts.end(), 0.0) / double(rtts.size());
    isRunning_ = false;
    announceChange();
    if (!rtts.empty())
        lookUpHostname();
}

void PingMonitor::lookUpHostname() {
    // Once in the monitor's life, and only for a host that has answered: a sweep of a sparse
    // range must not send a reverse query for every silent address on every rescan.
    if (hostname_ || hostnameLookupAttempted_ || hostnameLookupInFlight_)
        return;
    hostnameLookupInFlight_ = true;
    startTask([weak = weak_from_this(), host = host_](TaskHandle) -> QCoro::Task<> {
        const auto name = co_await offPool([host] { return reverseLookup(host); });
        const auto self = weak.lock();
        if (!self)
            co_return;
        self->hostnameLookupInFlight_ = false;
        self->hostnameLookupAttempted_ = true;
        if (name) {
            self->hostname_ = name;
            self->announceChange();
        }
    });
}

void PingMonitor::restoreLiveness(std::optional<bool> alive, std::optional<double> latency,
                                  const std::optional<QString>& hostname) {
    // A running or already scanned monitor knows better than the stored result.
    if (isRunning_ || alive_)
        return;
    alive_ = alive;
    latency_ = latency;
    if (!hostname_)
        hostname_ = hostname;
    announceChange();
}

} // namespace vantorel
