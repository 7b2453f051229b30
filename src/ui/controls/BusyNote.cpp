#include "ui/controls/BusyNote.h"

#include "ui/controls/ActivitySpinner.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vantorel {

namespace {
constexpr double kCornerRadius = 10;
constexpr int kPadding = 12;
} // namespace

BusyNote::BusyNote(bool onMaterial, QWidget* parent)
    : QWidget(parent)
    , onMaterial_(onMaterial) {
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    const int padding = onMaterial ? kPadding : 0;
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(8);
    spinner_ = new ActivitySpinner(14, this);
    row->addWidget(spinner_, 0, Qt::AlignVCenter);
    label_ = new QLabel(this);
    label_->setFont(theme::font(theme::TextStyle::callout));
    label_->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(label_, 0, Qt::AlignVCenter);
}

void BusyNote::setText(const QString& text) {
    if (label_->text() != text)
        label_->setText(text);
    setAccessibleName(text);
}

QString BusyNote::text() const {
    return label_->text();
}

void BusyNote::paintEvent(QPaintEvent*) {
    if (!onMaterial_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius,
                         kCornerRadius);
    p.fillPath(shape, glass::material());
    p.setPen(QPen(QColor(255, 255, 255, theme::isDark() ? 20 : 110), 1));
    p.drawPath(shape);
}

} // namespace vantorel
