#include "ui/controls/ElidedLabel.h"

#include <QEvent>
#include <QPainter>

namespace vantorel {

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3,
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.setFont(font());
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    p.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateToolTip();
}

void ElidedLabel::updateToolTip() {
    const bool cut = fontMetrics().horizontalAdvance(text()) > contentsRect().width();
    setToolTip(cut ? text() : QString());
}

} // namespace vantorel
