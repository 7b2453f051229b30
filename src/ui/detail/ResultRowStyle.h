#pragma once

#include "ui/controls/Theme.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QAbstractItemView;
class QPainter;
class QRect;

// What the rows of the results pane's lists share: padding, dividers, symbols and the colours in
// force, read once per paint rather than once per row.
namespace vantorel::resultrows {

inline constexpr int kVerticalPadding = 6;
inline constexpr int kHorizontalPadding = 10;
inline constexpr int kSymbolSize = 14;
inline constexpr int kGap = 8;

// The colours and thresholds a paint pass uses; taken from the preferences in one go.
struct Look : theme::LatencyPalette {
    bool dark = true;
    QColor primary;
    QColor secondary;
    QColor gray;
    QColor divider;

    static Look current();
};

// Draws the hairline under a row.
void paintDivider(QPainter& painter, const QRect& row, const Look& look);

// A symbol rendered once per name, colour, size and pixel ratio; rows paint it from the cache
// instead of rendering its SVG again.
QPixmap symbolPixmap(const QString& name, const QColor& colour, int size, double pixelRatio);

// A list on the glass: no frame or background of its own, no selection, a thin scroll bar.
void styleList(QAbstractItemView& list);

} // namespace vantorel::resultrows
