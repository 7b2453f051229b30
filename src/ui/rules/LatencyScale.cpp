#include "ui/rules/LatencyScale.h"

#include <algorithm>

namespace vantorel {

Thresholds repairedThresholds(double green, double yellow) {
    // The floor comes first so that a NaN threshold falls back to it, as in the latency colour.
    const double repairedGreen = std::max(1.0, green);
    return {.green = repairedGreen, .yellow = std::max(repairedGreen + 1.0, yellow)};
}

double chartTop(const Thresholds& thresholds, double p95) {
    return std::max(1.4 * thresholds.yellow, 1.15 * p95);
}

double gaugeMax(const Thresholds& thresholds, double p95) {
    return std::max(1.5 * thresholds.yellow, 1.15 * p95);
}

double hopBarScale(const Thresholds& thresholds, double largestHopLatency) {
    return std::max(1.4 * thresholds.yellow, 1.1 * largestHopLatency);
}

} // namespace vantorel
