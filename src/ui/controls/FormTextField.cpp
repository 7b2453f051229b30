#include "ui/controls/FormTextField.h"

#include "ui/controls/Theme.h"

#include <QPainter>
#include <algorithm>

namespace vantorel {

namespace {
constexpr double radius = 6;
constexpr int fieldHeight = 28;
} // namespace

FormTextField::FormTextField(QWidget* parent)
    : QLineEdit(parent) {
    setFrame(false);
    setTextMargins(6, 0, 6, 0);
    // The style fills the field with the base colour; the rounded box painted underneath shows
    // through instead. An explicit role survives later palette changes of the window.
    QPalette clearBase = palette();
    clearBase.setColor(QPalette::Base, Qt::transparent);
    setPalette(clearBase);
}

QSize FormTextField::sizeHint() const {
    // 28 at the default font; a larger font gets the same room around its text.
    return {QLineEdit::sizeHint().width(), std::max(fieldHeight, fontMetrics().height() + 12)};
}

void FormTextField::paintEvent(QPaintEvent* event) {
    {
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool focused = hasFocus();
        const double edgeWidth = focused ? 1.5 : 1.0;
        const double inset = edgeWidth / 2;
        const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        const QColor edge =
            focused ? theme::accent() : (dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 50));
        painter.setPen(QPen(edge, edgeWidth));
        painter.setBrush(dark ? QColor(255, 255, 255, 20) : QColor(255, 255, 255));
        painter.drawRoundedRect(box, radius, radius);
    }
    QLineEdit::paintEvent(event);
}

} // namespace vantorel
