#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <optional>

namespace vantorel {

// Summary statistics of a monitor's sample series. Nothing is rounded; views format.
struct MonitorStats {
    std::optional<double> avg;
    std::optional<double> minRtt;
    std::optional<double> maxRtt;
    double lossPct = 0;
    double p95 = 0;
    std::optional<double> jitter;
    std::optional<double> mos;
    std::int64_t lostCount = 0;
    std::optional<Date> lastFailure;

    bool operator==(const MonitorStats&) const = default;
};

// Mean opinion score (1 … 5) from a mean latency and jitter in ms and a loss in percent, through
// the R-factor of ITU-T G.107's simplified E-model.
double meanOpinionScore(double avgMs, double jitterMs, double lossPct);

} // namespace vantorel
