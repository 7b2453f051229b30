#pragma once

#include "ui/controls/Theme.h"

#include <QColor>
#include <QRectF>

class QPainter;

namespace vantorel {

class Target;

// The bodies of the overview's target tiles, one painter per kind, each drawn into the part of
// the tile under its header.
namespace tile {

// The colours of one paint, looked up once: a body paints hundreds of bars, and asking the theme
// (which reads the preferences) for each would cost more than the drawing.
struct Palette : theme::LatencyPalette {
    QColor primary;
    QColor secondary;
    QColor tertiary;
    QColor gray;
};
Palette currentPalette(double greenMax, double yellowMax);

// The newest samples the host-ping chart shows.
inline constexpr int kHostPingSamples = 100;
// The newest checks the service bar chart shows.
inline constexpr int kServiceChecks = 60;

void paintHostPing(QPainter& painter, const QRectF& body, const Target& target,
                   const Palette& palette);
void paintTraceroute(QPainter& painter, const QRectF& body, const Target& target, int units,
                     const Palette& palette);
void paintServiceCheck(QPainter& painter, const QRectF& body, const Target& target,
                       const Palette& palette);
void paintSweep(QPainter& painter, const QRectF& body, const Target& target,
                const Palette& palette);

} // namespace tile
} // namespace vantorel
