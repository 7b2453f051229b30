#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace vantorel::shaped_text {

// Text drawn in the painter's font and pen from glyphs shaped once and kept across paints. The
// overview draws the same short texts (hop numbers, names, round trips, footers) on every tile of
// every frame, and shaping them anew each time cost more than the rest of its painting.
void draw(QPainter& painter, const QRectF& box, Qt::Alignment alignment, const QString& text);
// Unclipped, with the top of its line at `topLeft`.
void drawAt(QPainter& painter, const QPointF& topLeft, const QString& text);
double width(const QFont& font, const QString& text);

// `text` elided to fit `width`, remembered like the shapes: names are elided on every paint.
QString elided(const QFont& font, const QString& text, Qt::TextElideMode mode, double width);

} // namespace vantorel::shaped_text
