#pragma once

#include "monitor/MonitorStats.h"
#include "records/PingSample.h"

#include <deque>
#include <span>
#include <vector>

namespace vantorel {

// A monitor's series of samples, oldest first, together with its answered round-trip times kept
// in sorted order. The statistics are recomputed over the whole series after every change, as
// the definitions require, but the order statistics (minimum, maximum, 95th percentile) are read
// from the sorted times instead of sorting a copy each time: with a day's window that is the
// difference between a few hundred microseconds and a millisecond per sample and monitor.
class SampleSeries {
public:
    const std::deque<PingSample>& samples() const { return samples_; }
    bool empty() const { return samples_.empty(); }
    std::size_t size() const { return samples_.size(); }

    void append(const PingSample& sample);
    // Removes the oldest `count` samples.
    void dropFront(std::size_t count);
    void assign(std::span<const PingSample> samples);

    // Mean, loss, jitter and the latest loss in one pass over the series in order, so sums come
    // out exactly as a plain recomputation gives them; order statistics from the sorted times.
    MonitorStats computeStats() const;

private:
    void rebuildSorted();

    std::deque<PingSample> samples_;
    std::vector<double> sortedRtts_;
};

} // namespace vantorel
