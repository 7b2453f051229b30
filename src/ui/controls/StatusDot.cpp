#include "ui/controls/StatusDot.h"

#include <QPainter>

namespace vantorel {

StatusDot::StatusDot(int diameter, QWidget* parent)
    : QWidget(parent)
    , diameter_(diameter) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusDot::setColour(const QColor& colour) {
    if (colour == colour_)
        return;
    colour_ = colour;
    update();
}

QSize StatusDot::sizeHint() const {
    // Room for the halo around the dot.
    return {diameter_ + 5, diameter_ + 5};
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    QColor halo = colour_;
    halo.setAlphaF(0.22f);
    p.setBrush(halo);
    p.drawEllipse(centre, diameter_ / 2.0 + 2.5, diameter_ / 2.0 + 2.5);
    p.setBrush(colour_);
    p.drawEllipse(centre, diameter_ / 2.0, diameter_ / 2.0);
}

} // namespace vantorel
