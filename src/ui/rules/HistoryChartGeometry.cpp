#include "ui/rules/HistoryChartGeometry.h"

#include "settings/SettingRules.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantorel::history_chart {

double visibleSpan(bool scrollbackEnabled, std::int64_t scrollbackMinutes) {
    // A longer history only lengthens how far back one can pan, never what is shown at once.
    return std::min(double(historyWindowSeconds(scrollbackEnabled, scrollbackMinutes)),
                    kMaxSpanSeconds);
}

Date Bounds::lowestStart() const {
    return std::min(earliest, highestStart());
}

Bounds bounds(const std::deque<PingSample>& samples, Date now, double span) {
    const Date latest = samples.empty() ? now : samples.back().time;
    const Date earliest = samples.empty() ? latest : samples.front().time;
    return {.latest = latest, .earliest = earliest, .span = span};
}

bool isFollowing(Date scrollX, const Bounds& bounds) {
    return scrollX + bounds.span >= bounds.latest - kFollowSlackSeconds;
}

std::optional<Date> pannedStart(Date scrollX, double dx, double width, const Bounds& bounds) {
    if (!bounds.canPan())
        return std::nullopt;
    const Date moved = scrollX - dx / std::max(width, 1.0) * bounds.span;
    return std::clamp(moved, bounds.lowestStart(), bounds.highestStart());
}

double panDelta(double horizontal, double vertical) {
    return std::abs(vertical) > std::abs(horizontal) ? vertical : horizontal;
}

bool scrubberShown(const Bounds& bounds, double stripWidth) {
    return bounds.canPan() && bounds.latest - bounds.lowestStart() > 0 &&
           stripWidth > kMinStripWidth;
}

Thumb scrubberThumb(const Bounds& bounds, Date scrollX, double stripWidth) {
    const double history = bounds.latest - bounds.lowestStart();
    // A strip barely wider than the minimum would otherwise get a thumb wider than itself.
    const double width = std::min(
        std::max(bounds.span / std::max(history, 1e-9) * stripWidth, kMinThumbWidth), stripWidth);
    const double range = bounds.highestStart() - bounds.lowestStart();
    const double position =
        range > 0 ? std::clamp((scrollX - bounds.lowestStart()) / range, 0.0, 1.0) : 1.0;
    return {.width = width, .offset = (stripWidth - width) * position};
}

Date scrubbedStart(const Bounds& bounds, double x, double stripWidth) {
    const double thumbWidth = scrubberThumb(bounds, bounds.lowestStart(), stripWidth).width;
    const double travel = stripWidth - thumbWidth;
    const double position =
        travel > 0 ? std::clamp((x - thumbWidth * 0.5) / travel, 0.0, 1.0) : 0.0;
    return bounds.lowestStart() + position * (bounds.highestStart() - bounds.lowestStart());
}

SampleRange visibleSamples(const std::deque<PingSample>& samples, Date start, Date end) {
    const auto first = std::partition_point(
        samples.begin(), samples.end(), [start](const PingSample& s) { return s.time < start; });
    const auto last = std::partition_point(first, samples.end(),
                                           [end](const PingSample& s) { return s.time <= end; });
    return {.begin = std::size_t(first - samples.begin()),
            .end = std::size_t(last - samples.begin())};
}

double tickStep(double span, double chartWidth) {
    // Steps a reader recognises, from five seconds to a day.
    static constexpr std::array<double, 16> kSteps{
        5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    const double desired = span / std::max(chartWidth / 180.0, 2.0);
    for (const double step : kSteps)
        if (step >= desired)
            return step;
    return kSteps.back();
}

std::vector<Date> ticks(Date start, Date end, double step) {
    std::vector<Date> result;
    if (!(step > 0) || !std::isfinite(start) || !std::isfinite(end))
        return result;
    const Date first = std::floor(start / step) * step;
    const Date last = end + step;
    for (int index = 0; index < kMaxTicks; ++index) {
        const Date tick = first + index * step;
        if (tick > last)
            break;
        result.push_back(tick);
    }
    return result;
}

bool ticksShowSeconds(double step) {
    return step < 60;
}

} // namespace vantorel::history_chart
