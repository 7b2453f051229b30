#pragma once

#include <cstdint>

namespace vantorel {

class Preferences;

// Length of the in-memory sample series and of the history chart: ten minutes without
// scrollback, otherwise the stored minutes limited to one minute through one day.
std::int64_t historyWindowSeconds(bool scrollbackEnabled, std::int64_t scrollbackMinutes);
std::int64_t historyWindowSeconds(const Preferences& preferences);

enum class LatencyColour { green, yellow, red };

// The one colouring of a latency against the user's two thresholds. Thresholds stored in the
// wrong order, or at zero, are repaired here rather than rejected where they are typed.
LatencyColour latencyColour(double milliseconds, double greenThreshold, double yellowThreshold);
LatencyColour latencyColour(double milliseconds, const Preferences& preferences);

// How long a target must stay down before "unreachable" fires: the stored seconds, at least 5.
std::int64_t unreachableDelaySeconds(std::int64_t alertUnreachableSecs);
std::int64_t unreachableDelaySeconds(const Preferences& preferences);

} // namespace vantorel
