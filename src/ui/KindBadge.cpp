#include "ui/KindBadge.h"

#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace vantorel {

namespace {
constexpr int kHorizontalPadding = 6;
constexpr int kVerticalPadding = 1;
} // namespace

KindBadge::KindBadge(TargetKind kind, QWidget* parent)
    : QWidget(parent)
    , text_(label(kind)) {
    setFont(theme::font(theme::TextStyle::caption2, false));
    QFont semibold = font();
    semibold.setWeight(QFont::DemiBold);
    setFont(semibold);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text_);
}

QSize KindBadge::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 2 * kHorizontalPadding,
            metrics.height() + 2 * kVerticalPadding};
}

void KindBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(area, area.height() / 2.0, area.height() / 2.0);
    QColor fill = theme::accent();
    fill.setAlphaF(0.25f);
    p.fillPath(shape, fill);
    p.setPen(theme::primaryText());
    p.drawText(rect(), Qt::AlignCenter, text_);
}

} // namespace vantorel
