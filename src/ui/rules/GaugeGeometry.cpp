#include "ui/rules/GaugeGeometry.h"

#include <algorithm>

namespace vantorel::gauge {

namespace {

double clampedFraction(double ms, double gaugeMax) {
    if (!(gaugeMax > 0))
        return 1;
    return std::clamp(ms / gaugeMax, 0.0, 1.0);
}

} // namespace

double fraction(const Reading& reading) {
    if (reading.isDown)
        return 1;
    if (!reading.value)
        return 0;
    return clampedFraction(std::min(*reading.value, reading.gaugeMax), reading.gaugeMax);
}

Zone zone(const Reading& reading) {
    if (reading.isDown)
        return Zone::red;
    if (!reading.value)
        return Zone::none;
    if (*reading.value < reading.green)
        return Zone::green;
    if (*reading.value < reading.yellow)
        return Zone::yellow;
    return Zone::red;
}

double angleForFraction(double fraction) {
    return fraction * 270.0 - 135.0;
}

BandEnds bandEnds(const Reading& reading) {
    const double green = clampedFraction(reading.green, reading.gaugeMax);
    // A yellow threshold below green would draw the yellow band backwards.
    const double yellow = std::max(green, clampedFraction(reading.yellow, reading.gaugeMax));
    return {.green = green, .yellow = yellow};
}

bool showsNeedle(const Reading& reading) {
    return reading.isDown || reading.value.has_value();
}

QString centreLabel(const Reading& reading) {
    if (reading.isDown)
        return QStringLiteral("DOWN");
    if (!reading.value)
        return QStringLiteral("—");
    return QString::asprintf("%.0f", *reading.value);
}

QString unitLabel(const Reading& reading) {
    return reading.isDown ? QStringLiteral(" ") : QStringLiteral("ms");
}

} // namespace vantorel::gauge
