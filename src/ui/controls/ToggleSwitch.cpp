#include "ui/controls/ToggleSwitch.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vantorel {

ToggleSwitch::ToggleSwitch(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    knob_.setDuration(140);
    knob_.setEasingCurve(QEasingCurve::OutCubic);
    knob_.setStartValue(0.0);
    knob_.setEndValue(0.0);
    connect(&knob_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(this, &QAbstractButton::toggled, this, &ToggleSwitch::slideKnob);
}

QSize ToggleSwitch::sizeHint() const {
    return {36, 20};
}

bool ToggleSwitch::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void ToggleSwitch::slideKnob(bool checked) {
    const double target = checked ? 1.0 : 0.0;
    // From wherever the knob is drawn now: mid-slide, or at the side it has just left.
    const double from = knob_.state() == QAbstractAnimation::Running
                            ? knob_.currentValue().toDouble()
                            : 1.0 - target;
    knob_.stop();
    if (!isVisible()) {
        // Nothing to watch: land at once, so a switch shown later is already in place.
        knob_.setStartValue(target);
        knob_.setEndValue(target);
        update();
        return;
    }
    knob_.setStartValue(from);
    knob_.setEndValue(target);
    knob_.start();
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double progress = knob_.state() == QAbstractAnimation::Running
                                ? knob_.currentValue().toDouble()
                                : (isChecked() ? 1.0 : 0.0);
    const bool dark = theme::isDark();

    const QSizeF track(36, 20);
    const QRectF trackRect(
        QPointF((width() - track.width()) / 2.0, (height() - track.height()) / 2.0), track);
    const double radius = trackRect.height() / 2.0;
    QColor off = dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 38);
    QColor on = theme::accent();
    QColor fill;
    fill.setRgbF(off.redF() + (on.redF() - off.redF()) * float(progress),
                 off.greenF() + (on.greenF() - off.greenF()) * float(progress),
                 off.blueF() + (on.blueF() - off.blueF()) * float(progress),
                 off.alphaF() + (on.alphaF() - off.alphaF()) * float(progress));
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.5f);
    QPainterPath trackPath;
    trackPath.addRoundedRect(trackRect, radius, radius);
    p.fillPath(trackPath, fill);
    if (focus_ring::shown(*this)) {
        QColor ring = theme::accent();
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 1.5));
        p.drawRoundedRect(trackRect.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }

    const double inset = 2.0;
    const double knobSide = trackRect.height() - 2 * inset;
    const double travel = trackRect.width() - 2 * inset - knobSide;
    const QRectF knob(trackRect.left() + inset + travel * progress, trackRect.top() + inset,
                      knobSide, knobSide);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawEllipse(knob.translated(0, 0.75));
    p.setBrush(isEnabled() ? QColor(255, 255, 255) : QColor(235, 235, 235));
    p.drawEllipse(knob);
}

} // namespace vantorel
