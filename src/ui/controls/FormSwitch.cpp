#include "ui/controls/FormSwitch.h"

#include "ui/controls/FormStyle.h"
#include "ui/controls/Theme.h"

#include <QFocusEvent>
#include <QPainter>

namespace vantorel {

namespace {
constexpr QSizeF trackSize(36, 20);
constexpr double focusMargin = 3;
} // namespace

FormSwitch::FormSwitch(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize FormSwitch::sizeHint() const {
    return (trackSize + QSizeF(2 * focusMargin, 2 * focusMargin)).toSize();
}

void FormSwitch::paintEvent(QPaintEvent*) {
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QRectF track(QPointF(0, 0), trackSize);
    track.moveCenter(QRectF(rect()).center());
    const double radius = track.height() / 2;

    if (hasFocus() && focusRing_) {
        QColor ring = theme::accent();
        ring.setAlphaF(0.55f);
        painter.setPen(QPen(ring, 2.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }

    QColor fill = isChecked() ? theme::accent().darker(dark ? 100 : 115)
                              : (dark ? QColor(255, 255, 255, 48) : QColor(0, 0, 0, 46));
    if (isDown())
        fill = fill.darker(110);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const double knobDiameter = track.height() - 4;
    const double knobX = isChecked() ? track.right() - 2 - knobDiameter : track.left() + 2;
    const QRectF knob(knobX, track.top() + 2, knobDiameter, knobDiameter);
    painter.setBrush(QColor(0, 0, 0, 55));
    painter.drawEllipse(knob.adjusted(-0.5, 0, 0.5, 1.25));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob);
}

void FormSwitch::focusInEvent(QFocusEvent* event) {
    focusRing_ = form_style::showsFocusRing(event->reason());
    QAbstractButton::focusInEvent(event);
}

} // namespace vantorel
