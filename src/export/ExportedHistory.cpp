#include "export/ExportedHistory.h"

#include "monitor/PingMonitor.h"

#include <algorithm>
#include <iterator>

namespace vantorel {

std::optional<TargetKind> kindOfHistoryKey(const QString& key) {
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == key.size() - 1)
        return std::nullopt;
    const std::optional<TargetKind> kind =
        targetKindFromPersistedName(QStringView(key).left(colon));
    if (kind == TargetKind::pingSweep)
        return std::nullopt;
    return kind;
}

std::optional<ExportedHistory> exportedHistoryOf(const PingMonitor& monitor, Date since) {
    if (!monitor.persistKey())
        return std::nullopt;
    const std::optional<TargetKind> kind = kindOfHistoryKey(*monitor.persistKey());
    if (!kind)
        return std::nullopt;
    ExportedHistory history{.key = *monitor.persistKey(), .kind = *kind, .since = since};
    const auto& samples = monitor.samples();
    std::copy_if(samples.begin(), samples.end(), std::back_inserter(history.samples),
                 [since](const PingSample& sample) { return sample.time >= since; });
    if (*kind == TargetKind::traceroute)
        history.hops = monitor.hopStats();
    return history;
}

} // namespace vantorel
