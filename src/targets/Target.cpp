#include "targets/Target.h"

#include "history/SampleStore.h"
#include "platform/Task.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace vantorel {

namespace {

PingMonitor::Mode modeFor(TargetKind kind) {
    // Each kind is probed by the monitor mode at the same position.
    return static_cast<PingMonitor::Mode>(targetKindPosition(kind));
}

template <typename Value>
std::optional<double> meanOfPresent(const std::vector<std::shared_ptr<PingMonitor>>& monitors,
                                    Value value) {
    double sum = 0;
    int count = 0;
    for (const auto& monitor : monitors) {
        if (const std::optional<double> v = value(*monitor)) {
            sum += *v;
            ++count;
        }
    }
    return count > 0 ? std::optional(sum / count) : std::nullopt;
}

} // namespace

std::shared_ptr<Target> Target::create(TargetSpec spec, bool enabled, MonitorTiming timing) {
    std::shared_ptr<Target> target(new Target(std::move(spec), enabled, timing));
    target->restoreSweepState();
    if (enabled)
        target->start();
    return target;
}

std::optional<QString> Target::persistKey(TargetKind kind, const QString& host) {
    if (kind == TargetKind::pingSweep)
        return std::nullopt;
    return QString(persistedName(kind)) + QLatin1Char(':') + host;
}

QString Target::sweepResultKey() const {
    return QStringLiteral("pingSweep:") + spec_.displayName();
}

Target::Target(TargetSpec spec, bool enabled, MonitorTiming timing)
    : id_(QUuid::createUuid())
    , spec_(std::move(spec))
    , timing_(timing)
    , enabled_(enabled) {
    for (const QString& host : spec_.hosts()) {
        auto monitor =
            PingMonitor::create(host, modeFor(spec_.kind), persistKey(spec_.kind, host), timing_);
        monitor->onChanged = [this] { coalescer_.notify(); };
        monitors_.push_back(std::move(monitor));
    }
    coalescer_.fired = [this] {
        Q_EMIT changed();
        checkSweepCompletion();
    };
}

Target::~Target() {
    if (rescanTask_)
        rescanTask_->cancel();
    for (const auto& monitor : monitors_) {
        // Whoever still holds the monitor may keep it, and it changes, after this is gone; the
        // stop's own change is of no more use to a target that is going.
        monitor->onChanged = nullptr;
        monitor->stop();
    }
}

void Target::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    if (enabled) {
        enabled_ = true;
        start();
    } else {
        stop();
    }
    Q_EMIT changed();
}

void Target::setStartWithVantorel(bool on) {
    if (spec_.startWithVantorel == on)
        return;
    spec_.startWithVantorel = on;
    Q_EMIT changed();
}

void Target::start() {
    for (const auto& monitor : monitors_)
        monitor->start();
    if (spec_.kind == TargetKind::pingSweep)
        startRescan();
}

void Target::stop() {
    enabled_ = false;
    if (rescanTask_)
        rescanTask_->cancel();
    rescanTask_.reset();
    for (const auto& monitor : monitors_)
        monitor->stop();
}

void Target::startRescan() {
    if (rescanTask_)
        rescanTask_->cancel();
    rescanTask_ = startTask([weak = weak_from_this(), interval = timing_.sweepRescanInterval](
                                TaskHandle task) -> QCoro::Task<> {
        while (!task.isCancelled()) {
            co_await sleepForSeconds(task, interval);
            const auto self = weak.lock();
            if (task.isCancelled() || !self || !self->enabled_)
                co_return;
            // The monitors, not the target: the loop must not replace itself. A scan still in
            // progress is left alone by its monitor.
            for (const auto& monitor : self->monitors_)
                monitor->start();
        }
    });
}

void Target::checkSweepCompletion() {
    if (spec_.kind != TargetKind::pingSweep)
        return;
    if (isScanning()) {
        wasScanning_ = true;
        return;
    }
    if (!wasScanning_)
        return;
    wasScanning_ = false;
    // A pass cut short by a stop is not a result worth keeping.
    if (!enabled_)
        return;
    std::vector<SweepHostState> states;
    states.reserve(monitors_.size());
    for (const auto& monitor : monitors_)
        states.push_back(
            {monitor->host(), monitor->alive(), monitor->latency(), monitor->hostname()});
    SampleStore::shared()->saveSweepState(sweepResultKey(), states);
}

void Target::restoreSweepState() {
    if (spec_.kind != TargetKind::pingSweep)
        return;
    SampleStore::shared()->loadSweepState(
        sweepResultKey(), [weak = weak_from_this()](std::vector<SweepHostState> states) {
            const auto self = weak.lock();
            if (!self)
                return;
            std::map<QString, SweepHostState> byHost;
            for (auto& state : states)
                byHost.emplace(state.host, std::move(state)); // the first of a host wins
            for (const auto& monitor : self->monitors_) {
                const auto stored = byHost.find(monitor->host());
                if (stored != byHost.end() && monitor->mode() == PingMonitor::Mode::liveness)
                    monitor->restoreLiveness(stored->second.alive, stored->second.latency,
                                             stored->second.hostname);
            }
        });
}

const PingMonitor* Target::firstMonitor() const {
    return monitors_.empty() ? nullptr : monitors_.front().get();
}

bool Target::isScanning() const {
    if (!enabled_ || spec_.kind != TargetKind::pingSweep)
        return false;
    const auto known = std::count_if(monitors_.begin(), monitors_.end(), [](const auto& monitor) {
        return monitor->alive().has_value();
    });
    return std::size_t(known) < monitors_.size();
}

TargetHealth Target::health() const {
    if (!enabled_)
        return TargetHealth::off;
    if (spec_.kind == TargetKind::pingSweep) {
        if (isScanning())
            return TargetHealth::ok; // healthy while a pass is still filling in
        const bool anyAlive =
            std::any_of(monitors_.begin(), monitors_.end(),
                        [](const auto& monitor) { return monitor->alive() == true; });
        return anyAlive ? TargetHealth::ok : TargetHealth::down;
    }
    const auto* monitor = firstMonitor();
    if (!monitor)
        return TargetHealth::off;
    if (monitor->consecutiveLosses() >= 3)
        return TargetHealth::down;
    if (statusMessage() || !monitor->lastRtt() || lossPct() > 10.0)
        return TargetHealth::warn;
    return TargetHealth::ok;
}

std::optional<QString> Target::statusMessage() const {
    const auto* monitor = firstMonitor();
    if (!monitor || spec_.kind == TargetKind::pingSweep)
        return std::nullopt;
    return monitor->statusMessage();
}

std::optional<double> Target::currentLatency() const {
    return meanOfPresent(monitors_, [](const PingMonitor& m) { return m.lastRtt(); });
}

double Target::lossPct() const {
    if (monitors_.empty())
        return 0;
    double sum = 0;
    for (const auto& monitor : monitors_)
        sum += monitor->stats().lossPct;
    return sum / double(monitors_.size());
}

std::optional<double> Target::avgLatency() const {
    return meanOfPresent(monitors_, [](const PingMonitor& m) { return m.stats().avg; });
}

std::optional<double> Target::minLatency() const {
    std::optional<double> least;
    for (const auto& monitor : monitors_)
        if (const auto v = monitor->stats().minRtt; v && (!least || *v < *least))
            least = v;
    return least;
}

std::optional<double> Target::maxLatency() const {
    std::optional<double> most;
    for (const auto& monitor : monitors_)
        if (const auto v = monitor->stats().maxRtt; v && (!most || *v > *most))
            most = v;
    return most;
}

std::optional<double> Target::jitter() const {
    const auto* monitor = firstMonitor();
    if (!monitor || spec_.kind == TargetKind::pingSweep)
        return std::nullopt;
    return monitor->stats().jitter;
}

std::optional<double> Target::mos() const {
    const auto* monitor = firstMonitor();
    if (!monitor || spec_.kind == TargetKind::pingSweep)
        return std::nullopt;
    return monitor->stats().mos;
}

} // namespace vantorel
