#pragma once

namespace vantorel {

// The user's thresholds repaired as the latency colour repairs them: green at least 1 ms, yellow
// at least 1 ms above green.
struct Thresholds {
    double green = 0;
    double yellow = 0;
};
Thresholds repairedThresholds(double green, double yellow);

// Top of a latency chart's scale: room above the yellow threshold, or above the 95th percentile
// when the series runs higher.
double chartTop(const Thresholds& thresholds, double p95);
// Full scale of the latency gauge.
double gaugeMax(const Thresholds& thresholds, double p95);
// Full width of a hop bar: room above the yellow threshold, or above the slowest hop shown.
double hopBarScale(const Thresholds& thresholds, double largestHopLatency);

} // namespace vantorel
