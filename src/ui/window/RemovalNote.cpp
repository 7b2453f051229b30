#include "ui/window/RemovalNote.h"

#include "ui/controls/Glass.h"
#include "ui/controls/Theme.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace vantorel {

namespace {
constexpr double kRadius = 16;
} // namespace

RemovalNote::RemovalNote(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("removalNote"));
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("removalText"));
    label_->setFont(theme::font(theme::TextStyle::body));
    undo_ = new QPushButton(QStringLiteral("Undo"), this);
    undo_->setObjectName(QStringLiteral("undoButton"));
    undo_->setToolTip(QStringLiteral("Put the target back (Ctrl+Z)"));
    undo_->setCursor(Qt::PointingHandCursor);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 8, 8, 8);
    row->setSpacing(10);
    row->addWidget(label_);
    row->addWidget(undo_);
    timer_.setSingleShot(true);
    timer_.setInterval(kShownMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &RemovalNote::dismiss);
    // Asked before the note hides: the window takes an undo only while the note offers it.
    connect(undo_, &QPushButton::clicked, this, [this] {
        Q_EMIT undoRequested();
        dismiss();
    });
    applyTheme();
    hide();
}

void RemovalNote::showFor(const QString& name) {
    label_->setText(QStringLiteral("Removed %1 \u2014").arg(name));
    undo_->setAccessibleName(QStringLiteral("Undo removing %1").arg(name));
    adjustSize();
    show();
    raise();
    timer_.start();
    // Said at once, wherever the screen reader's attention is.
    QAccessibleEvent alert(label_, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void RemovalNote::dismiss() {
    timer_.stop();
    hide();
}

QString RemovalNote::text() const {
    return label_->text() + QLatin1Char(' ') + undo_->text();
}

void RemovalNote::applyTheme() {
    glass::styleButton(*undo_, true);
    theme::setTextColour(*label_, theme::primaryText());
    update();
}

void RemovalNote::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Opaque enough to read over whatever pane lies beneath.
    p.setPen(QPen(theme::withOpacity(theme::accent(), 0.6), 1));
    p.setBrush(theme::isDark() ? QColor(28, 32, 52, 240) : QColor(250, 251, 255, 245));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
}

} // namespace vantorel
