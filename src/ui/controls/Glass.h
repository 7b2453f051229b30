#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;
class QPushButton;

// The glass look drawn over the animated background: a translucent tint, a soft highlight and a
// bright 1-point edge. With glass switched off, a plain translucent panel with a faint border.
namespace vantorel::glass {

// The preference `glassEnabled`.
bool enabled();

// The thin material: a translucent fill over whatever is behind, at `strength` (0 … 1).
QColor material(double strength = 1.0);

// Paints a panel of the given corner radius into `rect`.
void paintPanel(QPainter& painter, const QRectF& rect, double radius);

// A card inside a panel: the thin material at full strength when selected, half otherwise, with
// the accent outline when selected.
void paintCard(QPainter& painter, const QRectF& rect, double radius, bool selected);

// The colour of a style sheet's focus ring, on the accent fill or on glass.
QString focusRingColour(bool onAccent);

// Styles a push button as a glass button; `prominent` buttons are filled with the accent colour.
// The button takes focus from Tab only, and shows a ring while it has it.
void styleButton(QPushButton& button, bool prominent);

} // namespace vantorel::glass
