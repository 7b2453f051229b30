#include "targets/TargetForm.h"

#include "net/Ipv4Text.h"
#include "net/Ipv6Text.h"
#include "net/ServiceProbe.h"
#include "targets/TrimSpaces.h"

namespace vantorel {

namespace {

// A range the form accepts: both ends readable, ascending, and at most maxSweepHosts addresses.
bool isAcceptableRange(std::uint32_t start, std::uint32_t end) {
    return end >= start && end - start < std::uint32_t(maxSweepHosts);
}

std::optional<QString> sweepMessage(QStringView host, QStringView endHost) {
    if (host.isEmpty() && endHost.isEmpty())
        return std::nullopt;
    const auto start = parseIPv4(host);
    // An IPv6 network holds far more addresses than any sweep could ever probe.
    if (!start && parseIPv6(host))
        return QStringLiteral("An IPv6 range cannot be swept; use IPv4 addresses");
    if (!start)
        return QStringLiteral("Start must be a valid IPv4 address");
    const auto end = parseIPv4(endHost);
    if (!end)
        return QStringLiteral("End must be a valid IPv4 address");
    if (isAcceptableRange(*start, *end))
        return std::nullopt;
    if (*end >= *start)
        return QStringLiteral("Range too large (max 254 addresses)");
    return QStringLiteral("Start IP must be \u2264 end IP");
}

} // namespace

std::optional<QString> validationMessage(TargetKind kind, QStringView host, QStringView endHost) {
    const QStringView trimmedHost = trimSpacesAndTabs(host);
    switch (kind) {
    case TargetKind::serviceCheck:
        if (trimmedHost.isEmpty() || ServiceProbe::parse(trimmedHost))
            return std::nullopt;
        return QStringLiteral("Use host:port (TCP) or an http(s):// URL");
    case TargetKind::pingSweep:
        return sweepMessage(trimmedHost, trimSpacesAndTabs(endHost));
    case TargetKind::hostPing:
    case TargetKind::traceroute:
        break;
    }
    return std::nullopt;
}

std::optional<TargetSpec> specFromForm(TargetKind kind, QStringView host, QStringView endHost,
                                       std::int64_t chosenPrefix) {
    const QStringView trimmedHost = trimSpacesAndTabs(host);
    switch (kind) {
    case TargetKind::hostPing:
    case TargetKind::traceroute:
        if (trimmedHost.isEmpty())
            return std::nullopt;
        break;
    case TargetKind::serviceCheck:
        if (!ServiceProbe::parse(trimmedHost))
            return std::nullopt;
        break;
    case TargetKind::pingSweep: {
        const QStringView trimmedEnd = trimSpacesAndTabs(endHost);
        const auto start = parseIPv4(trimmedHost);
        const auto end = parseIPv4(trimmedEnd);
        if (!start || !end || !isAcceptableRange(*start, *end))
            return std::nullopt;
        return TargetSpec{kind, trimmedHost.toString(), trimmedEnd.toString(), chosenPrefix};
    }
    }
    return TargetSpec{kind, canonicalHost(kind, trimmedHost.toString()), QString(), 24};
}

} // namespace vantorel
