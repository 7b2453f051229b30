#pragma once

#include "targets/Target.h"

#include <optional>
#include <vector>

namespace vantorel::test {

using Outcomes = std::vector<std::optional<double>>;

// Stops the monitors of a started target at once, so that they hold exactly `outcomes[i]` (after a
// host ping's warm-up) and `alive[i]` as a stored sweep result; health and alerts follow these.
inline void holdMonitors(const Target& target, const std::vector<Outcomes>& outcomes,
                         const std::vector<std::optional<bool>>& alive = {}) {
    for (std::size_t i = 0; i < target.monitors().size(); ++i) {
        auto& monitor = *target.monitors()[i];
        monitor.stop();
        const bool warmsUp = monitor.mode() == PingMonitor::Mode::continuous;
        for (int outcome = 0; warmsUp && outcome < PingMonitor::kWarmupCount; ++outcome)
            monitor.record(1, dateNow());
        for (const auto& rtt : i < outcomes.size() ? outcomes[i] : Outcomes{})
            monitor.record(rtt, dateNow());
        if (i < alive.size())
            monitor.restoreLiveness(alive[i], std::nullopt, std::nullopt);
    }
}

// `answered` replies of 5 ms followed by `lost` losses.
inline Outcomes answeredThenLost(int answered, int lost) {
    Outcomes outcomes(std::size_t(answered), 5.0);
    outcomes.insert(outcomes.end(), std::size_t(lost), std::nullopt);
    return outcomes;
}

} // namespace vantorel::test
