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

MonitorStats computeStats(const std::deque<PingSample>& samples, std::vector<double>& scratch) {
    MonitorStats stats;
    auto& answered = scratch;
    answered.clear();
    double sum = 0;
    double jitterSum = 0;
    std::int64_t jitterCount = 0;
    double minRtt = 0;
    double maxRtt = 0;
    std::optional<double> previous;
    for (const auto& sample : samples) {
        if (!sample.rtt) {
            ++stats.lostCount;
            stats.lastFailure = sample.time;
            continue;
        }
        const double x = *sample.rtt;
        if (previous) {
            // Jitter compares answered neighbours, skipping the losses between them.
            jitterSum += std::abs(x - *previous);
            ++jitterCount;
            minRtt = std::min(minRtt, x);
            maxRtt = std::max(maxRtt, x);
        } else {
            minRtt = maxRtt = x;
        }
        previous = x;
        answered.push_back(x);
        sum += x;
    }

    const auto n = std::int64_t(samples.size());
    if (n > 0)
        stats.lossPct = double(stats.lostCount) / double(n) * 100;
    if (jitterCount >= 1)
        stats.jitter = jitterSum / double(jitterCount);
    if (answered.empty())
        return stats;

    stats.avg = sum / double(answered.size());
    stats.mos = meanOpinionScore(*stats.avg, stats.jitter.value_or(0), stats.lossPct);
    stats.minRtt = minRtt;
    stats.maxRtt = maxRtt;
    // Only one order statistic is needed, so a selection replaces the full sort.
    const auto k = std::size_t(double(answered.size() - 1) * 0.95);
    std::nth_element(answered.begin(), answered.begin() + std::ptrdiff_t(k), answered.end());
    stats.p95 = answered[k];
    return stats;
}

} // namespace vantorel
