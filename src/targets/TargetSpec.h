#pragma once

#include "targets/TargetKind.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace vantorel {

// The stored description of one target. A target keeps the spec it was created with for its
// whole life (only whether it starts with Vantorel may change), so everything derived from it is
// derived again on demand rather than cached.
struct TargetSpec {
    TargetKind kind = TargetKind::hostPing;
    // A host name or IPv4 literal; a service address for service checks; the first address of
    // the range for sweeps. Kept as typed, so 010.0.0.1 stays 010.0.0.1.
    QString host;
    // The last address of a sweep's range; empty for every other kind.
    QString endHost;
    // The prefix length a sweep names its network with; 24 for every other kind.
    std::int64_t maskPrefix = 24;
    // Whether the target is switched on when the application starts; off unless the user asks.
    bool startWithVantorel = false;

    // The hosts to monitor, never empty. A sweep with a readable, ascending range gives its
    // addresses, cut to the first maxSweepHosts; anything else gives `host`. IPv4 literals come
    // in canonical form, so that they are probed and keyed as the address they name.
    QStringList hosts() const;

    // `host`, except for a sweep with an IPv4 start and a prefix of 8 to 32, which is named
    // after its network, e.g. 192.168.1.0/24. The end of the range plays no part.
    QString displayName() const;

    // Whether both describe one target: the same kind and display name, IPv4 literals compared
    // as the addresses they name (010.0.0.1 is 10.0.0.1).
    bool isSameTarget(const TargetSpec& other) const;

    bool operator==(const TargetSpec&) const = default;
};

inline constexpr int maxSweepHosts = 254;

} // namespace vantorel
