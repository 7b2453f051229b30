#include "targets/TargetKind.h"

namespace vantorel {

QLatin1StringView persistedName(TargetKind kind) {
    switch (kind) {
    case TargetKind::hostPing:
        return QLatin1StringView("hostPing");
    case TargetKind::pingSweep:
        return QLatin1StringView("pingSweep");
    case TargetKind::traceroute:
        return QLatin1StringView("traceroute");
    case TargetKind::serviceCheck:
        return QLatin1StringView("serviceCheck");
    }
    return {};
}

std::optional<TargetKind> targetKindFromPersistedName(QStringView name) {
    for (const TargetKind kind : allTargetKinds) {
        if (name == persistedName(kind))
            return kind;
    }
    return std::nullopt;
}

QString label(TargetKind kind) {
    switch (kind) {
    case TargetKind::hostPing:
        return QStringLiteral("Host Ping");
    case TargetKind::pingSweep:
        return QStringLiteral("Ping Sweep");
    case TargetKind::traceroute:
        return QStringLiteral("Traceroute");
    case TargetKind::serviceCheck:
        return QStringLiteral("Service Check");
    }
    return {};
}

} // namespace vantorel
