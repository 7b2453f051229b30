#include "ui/controls/ActivitySpinner.h"

#include "ui/controls/Theme.h"

#include <QPainter>

namespace vantorel {

namespace {
constexpr int kStepsPerTurn = 24;
constexpr int kTickMs = 40;
} // namespace

ActivitySpinner::ActivitySpinner(int diameter, QWidget* parent)
    : QWidget(parent)
    , diameter_(diameter) {
    setFixedSize(diameter, diameter);
    setAttribute(Qt::WA_TranslucentBackground);
    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kStepsPerTurn;
        update();
    });
}

void ActivitySpinner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double line = std::max(1.5, diameter_ / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
    QColor track = theme::secondaryText();
    track.setAlphaF(0.25f);
    p.setPen(QPen(track, line));
    p.drawEllipse(ring);
    QPen arc(theme::secondaryText(), line);
    arc.setCapStyle(Qt::RoundCap);
    p.setPen(arc);
    // Qt angles run counter-clockwise in sixteenths of a degree; the arc turns clockwise.
    const int start = 90 * 16 - step_ * (360 * 16 / kStepsPerTurn);
    p.drawArc(ring, start, -100 * 16);
}

void ActivitySpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ticker_.start();
}

void ActivitySpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ticker_.stop();
}

} // namespace vantorel
