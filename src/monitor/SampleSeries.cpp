#include "monitor/SampleSeries.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

// Past this many removals at once (a shorter window chosen in the preferences), tallying the
// rest anew is cheaper than taking the samples out one by one.
constexpr std::size_t kRetallyThreshold = 64;

// Round-trip times are measured in nanoseconds, so this gives back the measured figure. A time
// read from a damaged file may be anything; it is held to an hour so the sums cannot overflow.
std::int64_t nanosOf(double rttMs) {
    constexpr double kLongestMs = 3'600'000;
    if (!(rttMs > 0))
        return 0;
    return std::llround(std::min(rttMs, kLongestMs) * 1e6);
}

} // namespace

void SampleSeries::append(const PingSample& sample) {
    samples_.push_back(sample);
    tally(sample);
    if (sample.rtt)
        sortedRtts_.insert(*sample.rtt);
}

// Adds the newest sample to the sums; the sorted times are the caller's.
void SampleSeries::tally(const PingSample& sample) {
    if (!sample.rtt) {
        ++lostCount_;
        lastFailure_ = sample.time;
        return;
    }
    const std::int64_t nanos = nanosOf(*sample.rtt);
    if (answeredCount_ > 0)
        jitterSumNanos_ += std::abs(nanos - lastAnswerNanos_);
    ++answeredCount_;
    lastAnswerNanos_ = nanos;
    rttSumNanos_ += nanos;
}

void SampleSeries::dropFront(std::size_t count) {
    count = std::min(count, samples_.size());
    if (count > kRetallyThreshold) {
        samples_.erase(samples_.begin(), samples_.begin() + std::ptrdiff_t(count));
        retally();
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        dropOldest();
}

void SampleSeries::dropOldest() {
    const PingSample oldest = samples_.front();
    samples_.pop_front();
    if (!oldest.rtt) {
        --lostCount_;
        return;
    }
    const std::int64_t nanos = nanosOf(*oldest.rtt);
    rttSumNanos_ -= nanos;
    --answeredCount_;
    sortedRtts_.erase(*oldest.rtt);
    // The oldest answer's only jitter term is with the next answer. Losses before that answer
    // are passed over once, when the answer before them leaves, so the walk costs nothing on
    // average.
    if (answeredCount_ == 0)
        return;
    const auto next = std::find_if(samples_.begin(), samples_.end(),
                                   [](const PingSample& sample) { return sample.rtt.has_value(); });
    jitterSumNanos_ -= std::abs(nanosOf(*next->rtt) - nanos);
}

void SampleSeries::assign(std::span<const PingSample> samples) {
    samples_.assign(samples.begin(), samples.end());
    retally();
}

void SampleSeries::retally() {
    rttSumNanos_ = jitterSumNanos_ = answeredCount_ = lostCount_ = 0;
    std::vector<double> rtts;
    for (const auto& sample : samples_) {
        tally(sample);
        if (sample.rtt)
            rtts.push_back(*sample.rtt);
    }
    sortedRtts_.assign(std::move(rtts));
}

MonitorStats SampleSeries::computeStats() const {
    MonitorStats stats;
    stats.lostCount = lostCount_;
    if (lostCount_ > 0)
        stats.lastFailure = lastFailure_;
    if (!samples_.empty())
        stats.lossPct = double(lostCount_) / double(samples_.size()) * 100;
    // The sums go to milliseconds before dividing, so a series of whole milliseconds averages
    // exactly as a plain sum of its times does.
    if (answeredCount_ >= 2)
        stats.jitter = double(jitterSumNanos_) / 1e6 / double(answeredCount_ - 1);
    if (sortedRtts_.empty())
        return stats;

    stats.avg = double(rttSumNanos_) / 1e6 / double(sortedRtts_.size());
    stats.mos = meanOpinionScore(*stats.avg, stats.jitter.value_or(0), stats.lossPct);
    stats.minRtt = sortedRtts_.min();
    stats.maxRtt = sortedRtts_.max();
    stats.p95 = sortedRtts_[std::size_t(double(sortedRtts_.size() - 1) * 0.95)];
    return stats;
}

} // namespace vantorel
