#include "ui/controls/TargetStatus.h"

#include "targets/Target.h"
#include "ui/controls/Theme.h"

#include <QStringList>
#include <algorithm>

namespace vantorel {

int aliveHostCount(const Target& target) {
    const auto& monitors = target.monitors();
    return int(std::count_if(monitors.begin(), monitors.end(),
                             [](const auto& monitor) { return monitor->alive() == true; }));
}

int knownHostCount(const Target& target) {
    const auto& monitors = target.monitors();
    return int(std::count_if(monitors.begin(), monitors.end(),
                             [](const auto& monitor) { return monitor->alive().has_value(); }));
}

QColor statusColour(const Target& target) {
    if (!target.enabled())
        return theme::gray();
    if (target.spec().kind == TargetKind::pingSweep) {
        if (target.isScanning())
            return theme::orange();
        return aliveHostCount(target) > 0 ? theme::green() : theme::red();
    }
    if (target.statusMessage())
        return theme::orange();
    const std::optional<double> latency = target.currentLatency();
    return latency ? theme::latencyColour(*latency) : theme::gray();
}

QString statusLine(const Target& target) {
    if (!target.enabled())
        return QStringLiteral("monitoring off");
    const int hosts = int(target.monitors().size());
    if (target.spec().kind == TargetKind::pingSweep) {
        if (target.isScanning())
            return QStringLiteral("scanning… %1/%2").arg(knownHostCount(target)).arg(hosts);
        return QStringLiteral("%1/%2 alive").arg(aliveHostCount(target)).arg(hosts);
    }
    if (const std::optional<QString> message = target.statusMessage())
        return *message;
    if (!target.currentLatency())
        return QStringLiteral("starting…");
    return QString::asprintf("%.0f%% packet loss", target.lossPct());
}

std::optional<QString> latencyFigure(const Target& target) {
    if (!target.enabled() || target.spec().kind == TargetKind::pingSweep)
        return std::nullopt;
    const std::optional<double> latency = target.currentLatency();
    if (!latency)
        return std::nullopt;
    return formatMilliseconds(*latency, 0);
}

QString accessibleSummary(const Target& target) {
    QStringList parts{label(target.spec().kind)};
    if (target.enabled()) {
        const char* const health[] = {"off", "ok", "warning", "down"};
        parts.append(QString::fromLatin1(health[int(target.health())]));
    }
    parts.append(statusLine(target));
    if (const std::optional<QString> figure = latencyFigure(target))
        parts.append(*figure);
    return parts.join(QStringLiteral(", "));
}

QString formatMilliseconds(double ms, int decimals) {
    return QString::asprintf("%.*f ms", decimals, ms);
}

} // namespace vantorel
