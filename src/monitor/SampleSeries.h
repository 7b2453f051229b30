#pragma once

#include "monitor/MonitorStats.h"
#include "monitor/SortedTimes.h"
#include "records/PingSample.h"

#include <deque>
#include <span>

namespace vantorel {

// A monitor's series of samples, oldest first, with what its statistics need kept up to date as
// samples come and go: a day's window holds 86,400 samples, and walking them for every new one
// cost a monitor more than the probe itself. The sums run in whole nanoseconds, so adding and
// later taking away a time leaves them exactly as they were, however long the monitor runs.
// The order statistics (minimum, maximum, 95th percentile) come from the answered times kept
// in order, instead of sorting a copy each time.
class SampleSeries {
public:
    const std::deque<PingSample>& samples() const { return samples_; }
    bool empty() const { return samples_.empty(); }
    std::size_t size() const { return samples_.size(); }

    void append(const PingSample& sample);
    // Removes the oldest `count` samples.
    void dropFront(std::size_t count);
    void assign(std::span<const PingSample> samples);

    MonitorStats computeStats() const;

private:
    void tally(const PingSample& sample);
    void retally();
    void dropOldest();

    std::deque<PingSample> samples_;
    SortedTimes sortedRtts_;
    std::int64_t rttSumNanos_ = 0;
    // Jitter: the differences between neighbouring answers, skipping the losses between them.
    std::int64_t jitterSumNanos_ = 0;
    std::int64_t answeredCount_ = 0;
    std::int64_t lastAnswerNanos_ = 0;
    std::int64_t lostCount_ = 0;
    // The newest loss; it stays in the series while any loss does, as samples leave oldest first.
    Date lastFailure_ = 0;
};

} // namespace vantorel
