#include "alerts/AlertEngine.h"

#include "alerts/DesktopNotifier.h"
#include "platform/Clock.h"
#include "platform/Task.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "settings/SettingRules.h"
#include "targets/HostStore.h"

#include <cmath>
#include <cstdio>

namespace vantorel {

namespace {

const QString kUnreachable = QStringLiteral("unreachable");
const QString kLoss = QStringLiteral("loss");
const QString kLatency = QStringLiteral("latency");

// Truncated toward zero, as the notification shows it: 12.9 % reads "12%".
qint64 truncated(double value) {
    return qint64(std::trunc(value));
}

QString ruleText(const Target& target, const QString& rule, bool recovery) {
    if (rule == kUnreachable)
        return recovery ? QStringLiteral("reachable again") : QStringLiteral("unreachable");
    if (rule == kLoss)
        return recovery ? QStringLiteral("packet loss back to normal")
                        : QStringLiteral("high packet loss (%1%)").arg(truncated(target.lossPct()));
    return recovery ? QStringLiteral("latency back to normal")
                    : QStringLiteral("high latency (%1 ms)")
                          .arg(truncated(target.currentLatency().value_or(0)));
}

} // namespace

AlertEngine::AlertEngine(std::unique_ptr<NotificationSink> sink, double evaluationInterval)
    : sink_(std::move(sink))
    , evaluationInterval_(evaluationInterval) {}

AlertEngine::~AlertEngine() {
    if (task_)
        task_->cancel();
}

AlertEngine& AlertEngine::shared() {
    // Lives until the process ends, like the store it watches.
    static auto* engine = new AlertEngine(std::make_unique<DesktopNotifier>());
    return *engine;
}

void AlertEngine::start(HostStore& store) {
    if (task_)
        return;
    store_ = &store;
    task_ = startTask([this, alive = std::weak_ptr<bool>(alive_),
                       interval = evaluationInterval_](TaskHandle task) -> QCoro::Task<> {
        while (!task.isCancelled()) {
            co_await sleepForSeconds(task, interval);
            if (task.isCancelled() || alive.expired())
                co_return;
            evaluate();
        }
    });
}

void AlertEngine::evaluate() {
    auto& preferences = Preferences::instance();
    if (!preferences.boolValue(keys::alertsEnabled) || !store_) {
        // Forgotten without recoveries: switching alerts on again starts every rule afresh.
        active_.clear();
        downSince_.clear();
        return;
    }
    if (!authRequested_) {
        authRequested_ = true;
        sink_->requestAuthorization();
    }
    const double unreachableSeconds =
        unreachableDelaySeconds(preferences.integerValue(keys::alertUnreachableSecs));
    const double lossLimit = preferences.doubleValue(keys::alertLossPct);
    const double latencyLimit = preferences.doubleValue(keys::alertLatencyMs);
    // Outages are timed on the monotonic clock, so a wall-clock step neither fires nor delays one.
    const double now = double(monotonicNanos()) / 1e9;

    QSet<QUuid> seen;
    for (const auto& target : store_->targets()) {
        if (!target->enabled())
            continue;
        const QUuid id = target->id();
        seen.insert(id);
        QSet<QString> fired;

        if (target->health() == TargetHealth::down) {
            // The outage clock starts at the first evaluation that sees the target down.
            const double since = downSince_.try_emplace(id, now).first->second;
            if (now - since >= unreachableSeconds)
                fired.insert(kUnreachable);
        } else {
            downSince_.erase(id);
        }
        if (target->spec().kind != TargetKind::pingSweep) {
            if (lossLimit > 0 && target->lossPct() > lossLimit)
                fired.insert(kLoss);
            const auto latency = target->currentLatency();
            if (latencyLimit > 0 && latency && *latency > latencyLimit)
                fired.insert(kLatency);
        }

        const QSet<QString> previous = active_.count(id) ? active_[id] : QSet<QString>();
        for (const QString& rule : fired - previous)
            notify(*target, rule, false);
        for (const QString& rule : previous - fired)
            notify(*target, rule, true);
        active_[id] = fired;
    }
    // Removed or disabled targets lose their alert state without a recovery notification.
    std::erase_if(active_, [&](const auto& entry) { return !seen.contains(entry.first); });
    std::erase_if(downSince_, [&](const auto& entry) { return !seen.contains(entry.first); });
}

void AlertEngine::notify(const Target& target, const QString& rule, bool recovery) {
    const QString name = target.spec().displayName();
    sink_->post(name + QLatin1Char(' ') + ruleText(target, rule, recovery),
                label(target.spec().kind),
                recovery ? NotificationSound::none : NotificationSound::alert);
    const QByteArray line =
        QStringLiteral("ALERT %1: %2 %3\n")
            .arg(recovery ? QStringLiteral("recovered") : QStringLiteral("fired"), name, rule)
            .toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fflush(stdout);
}

} // namespace vantorel
