#include "ui/detail/HeadlineFigure.h"

#include "ui/controls/AccessibleFigure.h"
#include "ui/controls/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace vantorel {

HeadlineFigure::HeadlineFigure(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("headlineFigure"));
    markAsAccessibleFigure(*this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QFont HeadlineFigure::figureFont() const {
    return theme::fontOfSize(kFigureSize, true);
}

QFont HeadlineFigure::tailFont() const {
    return theme::font(theme::TextStyle::title3);
}

void HeadlineFigure::setFigure(const QString& figure, const QColor& colour, const QString& tail) {
    if (figure == figure_ && tail == tail_ && colour == colour_)
        return;
    const bool resized = figure.size() != figure_.size() || tail != tail_;
    figure_ = figure;
    colour_ = colour;
    tail_ = tail;
    setAccessibleName(text());
    if (resized)
        updateGeometry();
    update();
}

QSize HeadlineFigure::sizeHint() const {
    const QFontMetricsF big(figureFont());
    const QFontMetricsF small(tailFont());
    const double width = big.horizontalAdvance(figure_) + small.horizontalAdvance(tail_);
    return {int(std::ceil(width)) + 2, int(std::ceil(big.ascent() + big.descent()))};
}

void HeadlineFigure::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF big(figureFont());
    const double baseline = big.ascent();
    p.setFont(figureFont());
    p.setPen(colour_);
    p.drawText(QPointF(0, baseline), figure_);
    p.setFont(tailFont());
    p.setPen(theme::secondaryText());
    p.drawText(QPointF(big.horizontalAdvance(figure_), baseline), tail_);
}

} // namespace vantorel
