#include "ui/detail/ChartScrubber.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vantorel {

ChartScrubber::ChartScrubber(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("chartScrubber"));
    setAccessibleName(QStringLiteral("History position"));
    setToolTip(QStringLiteral("Drag, or use Left, Right, Home and End, to move through the "
                              "history"));
    setFocusPolicy(Qt::StrongFocus);
    setFixedHeight(kStripHeight + 2 * kPadding);
    setCursor(Qt::PointingHandCursor);
}

void ChartScrubber::setPosition(const history_chart::Bounds& bounds, Date scrollX) {
    bounds_ = bounds;
    scrollX_ = scrollX;
    update();
}

QRectF ChartScrubber::strip() const {
    return QRectF(0, kPadding, width(), kStripHeight);
}

QRectF ChartScrubber::thumbRect() const {
    const QRectF area = strip();
    const history_chart::Thumb thumb =
        history_chart::scrubberThumb(bounds_, scrollX_, area.width());
    return {area.left() + thumb.offset, area.top(), thumb.width, area.height()};
}

void ChartScrubber::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = theme::isDark();
    const QRectF track = strip().adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath trackShape;
    trackShape.addRoundedRect(track, track.height() / 2, track.height() / 2);
    p.fillPath(trackShape, dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 18));

    const QRectF thumb = thumbRect().adjusted(1.5, 1.5, -1.5, -1.5);
    QPainterPath thumbShape;
    thumbShape.addRoundedRect(thumb, thumb.height() / 2, thumb.height() / 2);
    QColor fill = theme::accent();
    if (!dark)
        fill = fill.darker(135);
    fill.setAlphaF(0.8f);
    p.fillPath(thumbShape, fill);
    if (focus_ring::shown(*this))
        focus_ring::paint(p, rect(), height() / 2.0);
}

void ChartScrubber::keyPressEvent(QKeyEvent* event) {
    // The thumb moves by a tenth of its own width a press, as far as the strip allows.
    const QRectF thumb = thumbRect();
    const double step = std::max(thumb.width() / 10, 1.0);
    switch (event->key()) {
    case Qt::Key_Left:
        scrubTo(thumb.center().x() - step);
        break;
    case Qt::Key_Right:
        scrubTo(thumb.center().x() + step);
        break;
    case Qt::Key_Home:
        scrubTo(0);
        break;
    case Qt::Key_End:
        Q_EMIT nowRequested();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ChartScrubber::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    scrubTo(event->position().x());
    event->accept();
}

void ChartScrubber::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    scrubTo(event->position().x());
    event->accept();
}

void ChartScrubber::scrubTo(double x) {
    Q_EMIT scrubbed(history_chart::scrubbedStart(bounds_, x, strip().width()));
}

} // namespace vantorel
