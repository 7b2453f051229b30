#pragma once

class QPainter;
class QRectF;
class QWidget;

// The ring around the widget the keyboard is on. It shows while the user works with the keys and
// goes as soon as they click: a click already says where they are.
namespace vantorel::focus_ring {

// Whether `widget` has focus and the last key or button pressed in the application was a key.
bool shown(const QWidget& widget);
// Draws the ring along the inside of `rect`, its corners rounded by `radius`.
void paint(QPainter& painter, const QRectF& rect, double radius);
// Moves focus to `widget` as the keyboard does (arrow keys within a group), so its ring shows.
void moveTo(QWidget& widget);

} // namespace vantorel::focus_ring
