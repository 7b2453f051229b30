#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <array>

namespace vantorel {

// The nine colours of the background, row by row from the top-left corner.
using AuroraColours = std::array<QColor, 9>;
const AuroraColours& darkAuroraColours();
const AuroraColours& lightAuroraColours();

// Where the mesh's one moving point stands `seconds` after the reference date; the other eight
// stay at the corners and edge midpoints of the unit square.
QPointF auroraCentre(double seconds);

// A 3 × 3 mesh gradient rendered into a small image, meant to be scaled up smoothly: the unit
// square is split into four patches by the moving centre point, each pixel is mapped back to its
// place inside its patch, and the corner colours are blended with eased weights so the colours
// flow into each other without creases. `wash` is laid over everything at its own opacity.
// `dither` spreads the rounding to 8 bits over a fine ordered pattern: without it, neighbouring
// pixels of nearly equal colour round to equal values and the scaled-up image shows blocks.
QImage renderAuroraMesh(QSize size, QPointF centre, const AuroraColours& colours,
                        const QColor& wash, bool dither = false);

} // namespace vantorel
