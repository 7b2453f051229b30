#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace vantorel {

// Round-trip times in seconds, counted into fixed buckets for the exposition's histogram.
//
// The bounds run from 0.5 ms to 5 s, 26 a decade, so each is at most 9.3 % above the one below.
// A quantile read off the buckets (Prometheus's histogram_quantile) interpolates inside one
// bucket, and with bounds this close the median lands within 4.7 % of the true one even when
// every time falls into a single bucket, as on a quiet path with a steady delay. Coarser
// buckets would misplace such a median by up to half a bucket: 25 % with the usual 1-2.5-5 steps.
//
// So many buckets would make a large exposition (100 targets, 900 kB a scrape), so only the span
// that has seen times is exposed: from the bucket below the lowest time (its zero count is where
// interpolation starts) to the bucket of the highest, and +Inf. The buckets left out are all zero
// below, or all the total above, and change no quantile. The span only ever widens, so a bucket
// once exposed stays, and a steady path costs a handful of lines instead of a hundred.
class RttHistogram {
public:
    // The upper bounds in seconds, ascending, rounded to four significant digits.
    static const std::vector<double>& bounds();
    // `le="…"` for each bound, then `le="+Inf"`.
    static const std::vector<QByteArray>& boundLabels();

    void observe(double seconds);

    // Per bucket, not cumulative; the last is above every bound.
    const std::vector<std::int64_t>& counts() const { return counts_; }
    // The first and one past the last bucket to expose, +Inf aside; empty before any time.
    std::size_t firstExposed() const { return lowest_ > 0 ? lowest_ - 1 : 0; }
    std::size_t endExposed() const {
        return count_ > 0 ? std::min(highest_ + 1, bounds().size()) : 0;
    }
    std::int64_t count() const { return count_; }
    double sum() const { return sum_; }

private:
    std::vector<std::int64_t> counts_ = std::vector<std::int64_t>(bounds().size() + 1);
    std::int64_t count_ = 0;
    double sum_ = 0;
    // The lowest and highest bucket that has counted a time.
    std::size_t lowest_ = 0;
    std::size_t highest_ = 0;
};

} // namespace vantorel
