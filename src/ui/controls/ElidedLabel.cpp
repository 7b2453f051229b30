#include "ui/controls/ElidedLabel.h"

#include <QEvent>
#include <QPainter>

namespace vantorel {

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    elideMode_ = mode;
    update();
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), elideMode_, contentsRect().width());
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 3,
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.setFont(font());
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
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
