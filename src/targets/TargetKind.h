#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace vantorel {

// What a target watches. The order is the order pickers present the kinds in, and each kind's
// position is also the position of the monitor mode that probes it.
enum class TargetKind {
    hostPing,
    pingSweep,
    traceroute,
    serviceCheck,
};

inline constexpr std::array<TargetKind, 4> allTargetKinds{
    TargetKind::hostPing, TargetKind::pingSweep, TargetKind::traceroute, TargetKind::serviceCheck};

// 0 to 3, in the order of allTargetKinds.
constexpr int targetKindPosition(TargetKind kind) {
    return static_cast<int>(kind);
}

// The stored name of a kind; also the first half of its monitors' history keys.
QLatin1StringView persistedName(TargetKind kind);

// Exact, case-sensitive: "HostPing" names no kind.
std::optional<TargetKind> targetKindFromPersistedName(QStringView name);

// The text the user sees, e.g. "Host Ping".
QString label(TargetKind kind);

} // namespace vantorel
