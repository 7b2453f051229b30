#include "monitor/SampleSeries.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {
// Past this many removals at once (a shorter window chosen in the preferences), sorting the rest
// anew is cheaper than taking the times out one by one.
constexpr std::size_t kRebuildThreshold = 64;
} // namespace

void SampleSeries::append(const PingSample& sample) {
    samples_.push_back(sample);
    if (sample.rtt)
        sortedRtts_.insert(std::upper_bound(sortedRtts_.begin(), sortedRtts_.end(), *sample.rtt),
                           *sample.rtt);
}

void SampleSeries::dropFront(std::size_t count) {
    count = std::min(count, samples_.size());
    if (count == 0)
        return;
    const auto end = samples_.begin() + std::ptrdiff_t(count);
    if (count > kRebuildThreshold) {
        samples_.erase(samples_.begin(), end);
        rebuildSorted();
        return;
    }
    for (auto sample = samples_.begin(); sample != end; ++sample) {
        if (sample->rtt)
            sortedRtts_.erase(
                std::lower_bound(sortedRtts_.begin(), sortedRtts_.end(), *sample->rtt));
    }
    samples_.erase(samples_.begin(), end);
}

void SampleSeries::assign(std::span<const PingSample> samples) {
    samples_.assign(samples.begin(), samples.end());
    rebuildSorted();
}

void SampleSeries::rebuildSorted() {
    sortedRtts_.clear();
    for (const auto& sample : samples_)
        if (sample.rtt)
            sortedRtts_.push_back(*sample.rtt);
    std::sort(sortedRtts_.begin(), sortedRtts_.end());
}

MonitorStats SampleSeries::computeStats() const {
    MonitorStats stats;
    double sum = 0;
    double jitterSum = 0;
    std::int64_t jitterCount = 0;
    std::optional<double> previous;
    for (const auto& sample : samples_) {
        if (!sample.rtt) {
            ++stats.lostCount;
            stats.lastFailure = sample.time;
            continue;
        }
        // Jitter compares answered neighbours, skipping the losses between them.
        if (previous) {
            jitterSum += std::abs(*sample.rtt - *previous);
            ++jitterCount;
        }
        previous = sample.rtt;
        sum += *sample.rtt;
    }

    if (!samples_.empty())
        stats.lossPct = double(stats.lostCount) / double(samples_.size()) * 100;
    if (jitterCount >= 1)
        stats.jitter = jitterSum / double(jitterCount);
    if (sortedRtts_.empty())
        return stats;

    stats.avg = sum / double(sortedRtts_.size());
    stats.mos = meanOpinionScore(*stats.avg, stats.jitter.value_or(0), stats.lossPct);
    stats.minRtt = sortedRtts_.front();
    stats.maxRtt = sortedRtts_.back();
    stats.p95 = sortedRtts_[std::size_t(double(sortedRtts_.size() - 1) * 0.95)];
    return stats;
}

} // namespace vantorel
