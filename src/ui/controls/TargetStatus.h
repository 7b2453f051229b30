#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace vantorel {

class Target;

// How a target reads at a glance, shared by its sidebar card and the detail area so both always
// agree.

// Gray when off; a sweep is orange while scanning, then green if any host answered, red if none;
// other kinds are orange while a status message stands, gray until the first latency, then the
// latency band's colour.
QColor statusColour(const Target& target);

// "monitoring off", "scanning… 12/254", "3/254 alive", a status message, "starting…", or
// "0% packet loss".
QString statusLine(const Target& target);

// Swept hosts that answered, and those with any result yet.
int aliveHostCount(const Target& target);
int knownHostCount(const Target& target);

// "12 ms": the current latency of a switched-on target, for every kind but sweeps.
std::optional<QString> latencyFigure(const Target& target);

// What a screen reader hears of a target after its name: kind, health, status line and figure
// ("Host Ping, ok, 0% packet loss, 12 ms"; "Ping Sweep, monitoring off").
QString accessibleSummary(const Target& target);

// Round-trip times as the views print them.
QString formatMilliseconds(double ms, int decimals);

} // namespace vantorel
