#include "metrics/RttHistogram.h"

#include "metrics/MetricsWriter.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

constexpr double kLowestBound = 0.0005;
constexpr int kBoundsPerDecade = 26;
constexpr int kDecades = 4;

double roundToSignificantDigits(double value, int digits) {
    const double scale = std::pow(10.0, digits - 1 - int(std::floor(std::log10(value))));
    return std::round(value * scale) / scale;
}

} // namespace

const std::vector<double>& RttHistogram::bounds() {
    static const std::vector<double> bounds = [] {
        std::vector<double> made;
        for (int step = 0; step <= kBoundsPerDecade * kDecades; ++step)
            made.push_back(roundToSignificantDigits(
                kLowestBound * std::pow(10.0, double(step) / kBoundsPerDecade), 4));
        return made;
    }();
    return bounds;
}

const std::vector<QByteArray>& RttHistogram::boundLabels() {
    static const std::vector<QByteArray> labels = [] {
        std::vector<QByteArray> made;
        for (const double bound : bounds()) {
            QByteArray label = "le=\"";
            appendFixed(label, bound);
            made.push_back(label + '"');
        }
        made.push_back("le=\"+Inf\"");
        return made;
    }();
    return labels;
}

void RttHistogram::observe(double seconds) {
    // A bucket counts the times up to and including its bound.
    const auto& upper = bounds();
    const auto bucket =
        std::size_t(std::lower_bound(upper.begin(), upper.end(), seconds) - upper.begin());
    lowest_ = count_ > 0 ? std::min(lowest_, bucket) : bucket;
    highest_ = count_ > 0 ? std::max(highest_, bucket) : bucket;
    ++counts_[bucket];
    ++count_;
    sum_ += seconds;
}

} // namespace vantorel
