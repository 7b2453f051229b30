#include "settings/SettingRules.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"

#include <algorithm>

namespace vantorel {

namespace {

constexpr std::int64_t kWindowWithoutScrollbackSeconds = 600;
constexpr std::int64_t kMinScrollbackMinutes = 1;
constexpr std::int64_t kMaxScrollbackMinutes = 1440;
constexpr std::int64_t kMinUnreachableDelaySeconds = 5;

} // namespace

std::int64_t historyWindowSeconds(bool scrollbackEnabled, std::int64_t scrollbackMinutes) {
    if (!scrollbackEnabled)
        return kWindowWithoutScrollbackSeconds;
    return std::clamp(scrollbackMinutes, kMinScrollbackMinutes, kMaxScrollbackMinutes) * 60;
}

std::int64_t historyWindowSeconds(const Preferences& preferences) {
    return historyWindowSeconds(preferences.boolValue(keys::scrollbackEnabled),
                                preferences.integerValue(keys::scrollbackMinutes));
}

LatencyColour latencyColour(double milliseconds, double greenThreshold, double yellowThreshold) {
    // The floor comes first so that a NaN threshold falls back to it.
    const double green = std::max(1.0, greenThreshold);
    const double yellow = std::max(green + 1.0, yellowThreshold);
    if (milliseconds < green)
        return LatencyColour::green;
    if (milliseconds < yellow)
        return LatencyColour::yellow;
    return LatencyColour::red;
}

LatencyColour latencyColour(double milliseconds, const Preferences& preferences) {
    return latencyColour(milliseconds, preferences.doubleValue(keys::latencyGreen),
                         preferences.doubleValue(keys::latencyYellow));
}

std::int64_t unreachableDelaySeconds(std::int64_t alertUnreachableSecs) {
    return std::max(alertUnreachableSecs, kMinUnreachableDelaySeconds);
}

std::int64_t unreachableDelaySeconds(const Preferences& preferences) {
    return unreachableDelaySeconds(preferences.integerValue(keys::alertUnreachableSecs));
}

} // namespace vantorel
