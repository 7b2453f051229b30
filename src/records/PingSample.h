#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <optional>

namespace vantorel {

// One probe of a monitor's series.
struct PingSample {
    // Sequence number within the monitor; continues across runs for monitors with history.
    std::int64_t id = 0;
    // Milliseconds from sending the probe to its answer; none for a lost probe.
    std::optional<double> rtt = std::nullopt;
    // When the probe was started, not when it was answered.
    Date time = 0;

    bool operator==(const PingSample&) const = default;
};

} // namespace vantorel
