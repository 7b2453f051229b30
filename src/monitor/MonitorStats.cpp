#include "monitor/MonitorStats.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

double meanOpinionScore(double avgMs, double jitterMs, double lossPct) {
    const double effectiveLatency = avgMs * 0.5 + jitterMs * 2 + 10;
    // Below 160 ms latency barely matters; above it every 10 ms costs a point of R.
    double r = effectiveLatency < 160 ? 93.2 - effectiveLatency / 40
                                      : 93.2 - (effectiveLatency - 120) / 10;
    r -= 2.5 * lossPct;
    r = std::clamp(r, 0.0, 100.0);
    const double mos = 1 + 0.035 * r + (100 - r) * (0.000007 * r * (r - 60));
    return std::clamp(mos, 1.0, 5.0);
}

} // namespace vantorel
