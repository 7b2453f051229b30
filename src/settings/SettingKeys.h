#pragma once

#include <QLatin1StringView>

// The names under which settings live in the preferences store. They are part of the user's
// settings file, so a rename would silently reset that setting for every existing user.
namespace vantorel::keys {

inline constexpr QLatin1StringView appearance{"appearance"};
inline constexpr QLatin1StringView glassEnabled{"glassEnabled"};
inline constexpr QLatin1StringView latencyGreen{"latencyGreen"};
inline constexpr QLatin1StringView latencyYellow{"latencyYellow"};
inline constexpr QLatin1StringView scrollbackEnabled{"scrollbackEnabled"};
inline constexpr QLatin1StringView scrollbackMinutes{"scrollbackMinutes"};
inline constexpr QLatin1StringView use24Hour{"use24Hour"};
inline constexpr QLatin1StringView alertsEnabled{"alertsEnabled"};
inline constexpr QLatin1StringView alertUnreachableSecs{"alertUnreachableSecs"};
inline constexpr QLatin1StringView alertLossPct{"alertLossPct"};
inline constexpr QLatin1StringView alertLatencyMs{"alertLatencyMs"};
// Whether a host name with addresses of both families is probed over IPv6 rather than IPv4.
inline constexpr QLatin1StringView preferIPv6{"preferIPv6"};
inline constexpr QLatin1StringView metricsEnabled{"metricsEnabled"};
inline constexpr QLatin1StringView metricsPort{"metricsPort"};
inline constexpr QLatin1StringView targetsV2{"targetsV2"};
inline constexpr QLatin1StringView targets{"targets"};

} // namespace vantorel::keys
