#include "ui/controls/KindBadge.h"

#include "ui/controls/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vantorel {

namespace {
constexpr int kHorizontalPadding = 6;
constexpr int kVerticalPadding = 1;
} // namespace

QFont KindBadge::badgeFont() {
    QFont font = theme::font(theme::TextStyle::caption2, false);
    font.setWeight(QFont::DemiBold);
    return font;
}

QSizeF KindBadge::badgeSize(const QString& text) {
    const QFontMetricsF metrics(badgeFont());
    return {metrics.horizontalAdvance(text) + 2 * kHorizontalPadding,
            metrics.height() + 2 * kVerticalPadding};
}

void KindBadge::paint(QPainter& painter, const QRectF& area, const QString& text) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(area, area.height() / 2.0, area.height() / 2.0);
    painter.fillPath(shape, theme::withOpacity(theme::accent(), 0.25));
    painter.setFont(badgeFont());
    painter.setPen(theme::primaryText());
    painter.drawText(area, Qt::AlignCenter, text);
    painter.restore();
}

KindBadge::KindBadge(TargetKind kind, QWidget* parent)
    : QWidget(parent)
    , text_(label(kind)) {
    setFont(badgeFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text_);
}

QSize KindBadge::sizeHint() const {
    const QSizeF size = badgeSize(text_);
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

void KindBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), text_);
}

} // namespace vantorel
