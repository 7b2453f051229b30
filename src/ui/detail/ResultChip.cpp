#include "ui/detail/ResultChip.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vantorel {

namespace {

constexpr int kHorizontalPadding = 9;
constexpr int kVerticalPadding = 4;
constexpr double kOffOpacity = 0.4;
constexpr double kOnBorderOpacity = 0.7;

QFont labelFont() {
    return theme::font(theme::TextStyle::caption2);
}

QFont valueFont() {
    QFont font = theme::monospacedDigits(theme::TextStyle::caption);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace

ResultChip::ResultChip(const QString& label, QWidget* parent)
    : QAbstractButton(parent) {
    setText(label);
    setAccessibleName(label);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // The results pane makes one chip of its row the tab stop; the arrows reach the others.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(labelFont());
}

void ResultChip::setValue(const QString& value, const QColor& colour) {
    if (value == value_ && colour == valueColour_)
        return;
    const bool resize = value.size() != value_.size();
    value_ = value;
    valueColour_ = colour;
    setAccessibleDescription(value);
    if (resize)
        updateGeometry();
    update();
}

void ResultChip::setFilter(Filter filter) {
    if (filter == filter_)
        return;
    filter_ = filter;
    const bool pressable = filter != Filter::none;
    setAttribute(Qt::WA_TransparentForMouseEvents, !pressable);
    setCursor(pressable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // A filter chip reads as a check box that is on while its hosts are listed.
    setCheckable(pressable);
    setChecked(filter == Filter::on);
    update();
}

QSize ResultChip::sizeHint() const {
    const QFontMetrics labels(labelFont());
    const QFontMetrics values(valueFont());
    // Room for a few characters more than shown, so that a chip does not resize with every
    // figure that gains a digit.
    const int width = std::max({labels.horizontalAdvance(text()), values.horizontalAdvance(value_),
                                values.horizontalAdvance(QStringLiteral("00 ms"))});
    return {width + 2 * kHorizontalPadding,
            labels.height() + values.height() + 2 * kVerticalPadding};
}

void ResultChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (filter_ == Filter::off)
        p.setOpacity(kOffOpacity);

    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = area.height() / 2;
    QPainterPath capsule;
    capsule.addRoundedRect(area, radius, radius);
    p.fillPath(capsule, glass::material());
    if (filter_ == Filter::on) {
        QColor border = valueColour_;
        border.setAlphaF(float(kOnBorderOpacity));
        p.setPen(QPen(border, 1.0));
        p.drawPath(capsule);
    }

    const QFontMetrics labels(labelFont());
    const QFontMetrics values(valueFont());
    const QRect content = rect().adjusted(kHorizontalPadding, kVerticalPadding, -kHorizontalPadding,
                                          -kVerticalPadding);
    p.setFont(labelFont());
    p.setPen(theme::secondaryText());
    p.drawText(QRect(content.left(), content.top(), content.width(), labels.height()),
               Qt::AlignHCenter | Qt::AlignVCenter, text());
    p.setFont(valueFont());
    p.setPen(valueColour_);
    p.drawText(
        QRect(content.left(), content.top() + labels.height(), content.width(), values.height()),
        Qt::AlignHCenter | Qt::AlignVCenter, value_);
    if (focus_ring::shown(*this)) {
        p.setOpacity(1);
        focus_ring::paint(p, rect(), radius);
    }
}

void ResultChip::keyPressEvent(QKeyEvent* event) {
    // Return presses a filter chip as Space does.
    if (filter_ != Filter::none &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        click();
    else
        QAbstractButton::keyPressEvent(event);
}

} // namespace vantorel
