#include "ui/rules/AddTargetSummary.h"

#include "net/ServiceProbe.h"

namespace vantorel {

namespace {

std::optional<QString> serviceSummary(const QString& address) {
    const std::optional<ServiceProbe> probe = ServiceProbe::parse(address);
    if (!probe)
        return std::nullopt;
    // The periods are those the service monitor probes at.
    if (const ServiceProbe::Http* http = probe->http())
        return QStringLiteral("HTTP check of %1 every 5s")
            .arg(QString::fromUtf8(http->url.toEncoded()));
    const ServiceProbe::Tcp& tcp = *probe->tcp();
    return QStringLiteral("TCP connect to %1 port %2 every 1s")
        .arg(tcp.host, QString::number(tcp.port));
}

} // namespace

std::optional<QString> addTargetSummary(const TargetSpec& spec) {
    switch (spec.kind) {
    case TargetKind::hostPing:
        return QStringLiteral("Ping ") + spec.host;
    case TargetKind::traceroute:
        return QStringLiteral("Trace route to ") + spec.host;
    case TargetKind::serviceCheck:
        return serviceSummary(spec.host);
    case TargetKind::pingSweep: {
        const QStringList hosts = spec.hosts();
        return QStringLiteral("%1 hosts \u00b7 %2\u2013%3 \u00b7 %4")
            .arg(QString::number(hosts.size()), hosts.first(), hosts.last(), spec.displayName());
    }
    }
    return std::nullopt;
}

} // namespace vantorel
