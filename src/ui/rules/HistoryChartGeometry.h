#pragma once

#include "platform/Clock.h"
#include "records/PingSample.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The time arithmetic of the latency history chart: which stretch of the series is visible, how
// panning and the scrubber move it, and where the axis ticks fall. Times are `Date` seconds.
namespace vantorel::history_chart {

inline constexpr double kMaxSpanSeconds = 600;
// A window ending this close to the newest sample still follows it.
inline constexpr double kFollowSlackSeconds = 2;
inline constexpr int kMaxTicks = 3000;

// Seconds shown at once: the history window, capped at ten minutes.
double visibleSpan(bool scrollbackEnabled, std::int64_t scrollbackMinutes);

struct Bounds {
    Date latest = 0;
    Date earliest = 0;
    double span = kMaxSpanSeconds;

    Date highestStart() const { return latest - span; }
    Date lowestStart() const;
    // Whether there is more than one span of history to pan through.
    bool canPan() const { return lowestStart() < highestStart(); }
};
// `now` stands in for the newest sample of an empty series.
Bounds bounds(const std::deque<PingSample>& samples, Date now, double span);

// Whether a window starting at `scrollX` counts as following the newest sample.
bool isFollowing(Date scrollX, const Bounds& bounds);

// The window start after panning by `dx` points over a chart `width` points wide (positive dx
// goes back in time); none when there is not enough history to pan.
std::optional<Date> pannedStart(Date scrollX, double dx, double width, const Bounds& bounds);

// The one delta of a scroll event that pans: the vertical one when it is the larger, else the
// horizontal one. Zero means ignore the event.
double panDelta(double horizontal, double vertical);

// The scrubber strip under the chart.
inline constexpr double kMinThumbWidth = 28;
inline constexpr double kMinStripWidth = 20;
bool scrubberShown(const Bounds& bounds, double stripWidth);
struct Thumb {
    double width = 0;
    double offset = 0;
};
Thumb scrubberThumb(const Bounds& bounds, Date scrollX, double stripWidth);
// The window start for a drag at `x` on the strip.
Date scrubbedStart(const Bounds& bounds, double x, double stripWidth);

// The samples whose time lies within [start, end], as a range of indices into the time-ordered
// series.
struct SampleRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};
SampleRange visibleSamples(const std::deque<PingSample>& samples, Date start, Date end);

// Seconds between x-axis ticks for a chart `chartWidth` points wide showing `span` seconds.
double tickStep(double span, double chartWidth);
// Tick times from `start` rounded down to a multiple of `step` through `end` + one step, at most
// `kMaxTicks`.
std::vector<Date> ticks(Date start, Date end, double step);
// Tick labels show seconds only for steps under a minute.
bool ticksShowSeconds(double step);

} // namespace vantorel::history_chart
