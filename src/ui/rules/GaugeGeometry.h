#pragma once

#include <QString>
#include <optional>

namespace vantorel::gauge {

struct Reading {
    std::optional<double> value; // latency in ms
    bool isDown = false;
    double green = 0; // thresholds in ms
    double yellow = 0;
    double gaugeMax = 1; // ms at full scale

    bool operator==(const Reading&) const = default;
};

enum class Zone { none, green, yellow, red };

// How far round the arc the needle stands, 0 … 1.
double fraction(const Reading& reading);
Zone zone(const Reading& reading);
// Degrees clockwise from the top: −135 at 0, +135 at 1.
double angleForFraction(double fraction);
// Where the green band ends and the yellow band ends, as fractions of the arc, clamped to it.
struct BandEnds {
    double green = 0;
    double yellow = 0;
};
BandEnds bandEnds(const Reading& reading);
// Whether a needle is drawn: with a value, or when down.
bool showsNeedle(const Reading& reading);
// "DOWN", "—" or the value as "%.0f"; and the unit under it ("ms", or a space while down so the
// label keeps its height).
QString centreLabel(const Reading& reading);
QString unitLabel(const Reading& reading);

} // namespace vantorel::gauge
