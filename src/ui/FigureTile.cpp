#include "ui/FigureTile.h"

#include "ui/Glass.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace vantorel {

FigureTile::FigureTile(const QString& caption, QWidget* parent)
    : QWidget(parent) {
    setAccessibleName(caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->setSpacing(2);
    auto* captionLabel = new QLabel(caption, this);
    captionLabel->setFont(theme::font(theme::TextStyle::caption, true));
    captionLabel->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(captionLabel);
    value_ = new QLabel(QStringLiteral("—"), this);
    value_->setFont(theme::monospacedDigits(theme::TextStyle::title2, true));
    layout->addWidget(value_);
}

QString FigureTile::value() const {
    return value_->text();
}

void FigureTile::setValue(const QString& value, const QColor& colour) {
    value_->setText(value);
    QPalette palette = value_->palette();
    if (palette.color(QPalette::WindowText) != colour) {
        palette.setColor(QPalette::WindowText, colour);
        value_->setPalette(palette);
    }
}

void FigureTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintCard(p, rect(), 16, false);
}

} // namespace vantorel
