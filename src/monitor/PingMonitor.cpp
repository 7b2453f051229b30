#include "monitor/PingMonitor.h"

#include "history/SampleStore.h"
#include "net/Ipv4Text.h"
#include "net/Resolver.h"
#include "platform/OffPool.h"
#include "platform/Task.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "settings/SettingRules.h"

namespace vantorel {

std::shared_ptr<PingMonitor> PingMonitor::create(const QString& host, Mode mode,
                                                 std::optional<QString> persistKey,
                                                 MonitorTiming timing) {
    return std::shared_ptr<PingMonitor>(new PingMonitor(host, mode, std::move(persistKey), timing));
}

PingMonitor::PingMonitor(const QString& host, Mode mode, std::optional<QString> persistKey,
                         MonitorTiming timing)
    : id_(QUuid::createUuid())
    , host_(host)
    , mode_(mode)
    , persistKey_(std::move(persistKey))
    , timing_(timing) {
    readHistorySettings();
    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key != keys::scrollbackEnabled && key != keys::scrollbackMinutes)
            return;
        readHistorySettings();
        if (persistKey_)
            reloadHistoryWindow();
    });
}

void PingMonitor::readHistorySettings() {
    // Kept here rather than read for every sample: three settings lookups were about a tenth of
    // what recording a sample cost the main thread.
    const auto& preferences = Preferences::instance();
    recording_ = persistKey_ && preferences.boolValue(keys::scrollbackEnabled);
    historyWindowSeconds_ = historyWindowSeconds(preferences);
}

PingMonitor::~PingMonitor() {
    // Waiting tasks hold the monitor weakly and end by themselves; cancelling only saves them
    // their wait.
    if (retryTask_)
        retryTask_->cancel();
    if (probeTask_)
        probeTask_->cancel();
}

std::optional<double> PingMonitor::lastRtt() const {
    const auto& samples = series_.samples();
    for (auto sample = samples.rbegin(); sample != samples.rend(); ++sample)
        if (sample->rtt)
            return sample->rtt;
    return std::nullopt;
}

SampleStore& PingMonitor::store() const {
    return *SampleStore::shared();
}

QCoro::Task<std::optional<QString>> PingMonitor::probeAddress() const {
    if (parseIPv4(QStringView(host_)))
        co_return host_;
    // Sweeps stay IPv4: their ranges are IPv4 ranges.
    if (mode_ == Mode::liveness)
        co_return co_await offPool([host = host_] { return resolveIPv4(host); });
    // Read at each resolution (a loop's start, a walk), so that a change applies from the next.
    const bool preferIPv6 = Preferences::instance().boolValue(keys::preferIPv6);
    co_return co_await offPool([host = host_, preferIPv6] { return resolve(host, preferIPv6); });
}

void PingMonitor::start() {
    if (isRunning_)
        return;
    switch (mode_) {
    case Mode::continuous:
        startContinuous();
        break;
    case Mode::liveness:
        startLiveness();
        break;
    case Mode::traceroute:
        startTraceroute();
        break;
    case Mode::service:
        startService();
        break;
    }
}

void PingMonitor::stop() {
    if (retryTask_)
        retryTask_->cancel();
    if (probeTask_)
        probeTask_->cancel();
    retryTask_.reset();
    probeTask_.reset();
    // A stopped monitor writes nothing more: its last samples need not wait for company.
    if (persistKey_ && isRunning_)
        store().commitPending();
    isRunning_ = false;
    statusMessage_.reset();
    announceChange();
}

void PingMonitor::handOffHistory(std::function<void(PingMonitor&)> startLoop) {
    if (!persistKey_ || !series_.empty()) {
        startLoop(*this);
        return;
    }
    // Loaded even with recording off (with the short window): only writing is switched off.
    const Date since = dateNow() - historyWindowSeconds_;
    store().loadSamples(*persistKey_, since,
                        [weak = weak_from_this(), startLoop](std::vector<PingSample> stored,
                                                             std::int64_t highestSeq) {
                            const auto self = weak.lock();
                            // Stopped meanwhile, or another hand-off already started the loop.
                            if (!self || !self->isRunning_ || self->probeTask_)
                                return;
                            if (self->series_.empty() && !stored.empty()) {
                                self->series_.assign(stored);
                                self->recomputeStats();
                                self->announceChange();
                            }
                            self->counter_ = std::max(self->counter_, highestSeq);
                            startLoop(*self);
                        });
}

void PingMonitor::reloadHistoryWindow() {
    // A shorter window trims the series at the next sample; a longer one brings back from the
    // store what it holds of the stretch before the series, which a shorter window had trimmed.
    const Date since = dateNow() - historyWindowSeconds_;
    if (!isRunning_ || series_.empty() || series_.samples().front().time <= since)
        return;
    store().loadSamples(*persistKey_, since,
                        [weak = weak_from_this()](std::vector<PingSample> stored, std::int64_t) {
                            const auto self = weak.lock();
                            if (!self || self->series_.empty())
                                return;
                            // Only what is older than the series: the rest is in memory already,
                            // and the newest samples may not be stored yet.
                            const Date oldest = self->series_.samples().front().time;
                            std::erase_if(stored, [oldest](const PingSample& sample) {
                                return sample.time >= oldest;
                            });
                            if (stored.empty())
                                return;
                            const auto& kept = self->series_.samples();
                            stored.insert(stored.end(), kept.begin(), kept.end());
                            self->series_.assign(stored);
                            self->recomputeStats();
                            self->announceChange();
                        });
}

void PingMonitor::record(std::optional<double> rtt, Date time) {
    if (warmup_ >= 1) {
        // Warm-up outcomes are not kept, but they still count for the not-responding rule below.
        --warmup_;
    } else {
        ++counter_;
        const Date now = dateNow();
        const PingSample sample{counter_, rtt, time};
        series_.append(sample);
        if (recording_)
            store().appendSample(*persistKey_, sample);
        trimToHistoryWindow(now);
        if (series_.size() > std::size_t(kHardCap))
            series_.dropFront(series_.size() - kHardCap);
        recomputeStats();
    }

    if (rtt) {
        everReceived_ = true;
        consecutiveLosses_ = 0;
        blockRetries_ = 0;
        statusMessage_.reset();
        announceChange();
        return;
    }
    ++consecutiveLosses_;
    announceChange();
    if (autoPause_ && mode_ == Mode::continuous && !everReceived_ && consecutiveLosses_ >= 4)
        handleBlock(QStringLiteral("not responding"));
}

void PingMonitor::announceChange() {
    if (onChanged)
        onChanged();
    Q_EMIT changed();
}

void PingMonitor::trimToHistoryWindow(Date now) {
    const Date cutoff = now - historyWindowSeconds_;
    // Samples arrive in time order, so the ones to drop are at the front; scanning from there
    // stops after the few that left the window since the last sample.
    const auto& samples = series_.samples();
    const auto firstKept = std::find_if(samples.begin(), samples.end(),
                                        [cutoff](const PingSample& s) { return s.time >= cutoff; });
    if (firstKept != samples.end())
        series_.dropFront(std::size_t(firstKept - samples.begin()));
}

void PingMonitor::recomputeStats() {
    stats_ = series_.computeStats();
}

void PingMonitor::handleBlock(const QString& reason) {
    if (!isRunning_)
        return;
    if (probeTask_)
        probeTask_->cancel();
    probeTask_.reset();
    if (blockRetries_ >= kMaxRetries) {
        isRunning_ = false;
        statusMessage_ = QStringLiteral("Auto-paused: ping ") + reason;
    } else {
        ++blockRetries_;
        statusMessage_ = QStringLiteral("Reconnecting… (") + reason + QStringLiteral(")");
        scheduleRestart(timing_.restartDelay);
    }
    announceChange();
}

void PingMonitor::scheduleRestart(double seconds) {
    // The previous handle is replaced, not cancelled: it has either ended or will find the
    // monitor in a state where it does nothing.
    retryTask_ = startTask([weak = weak_from_this(), seconds](TaskHandle task) -> QCoro::Task<> {
        co_await sleepForSeconds(task, seconds);
        const auto self = weak.lock();
        if (task.isCancelled() || !self || !self->isRunning_)
            co_return;
        self->consecutiveLosses_ = 0;
        self->startPingLoop();
    });
}

} // namespace vantorel
