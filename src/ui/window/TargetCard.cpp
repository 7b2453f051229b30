#include "ui/window/TargetCard.h"

#include "targets/Target.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/controls/KindBadge.h"
#include "ui/controls/StatusDot.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/controls/ToggleSwitch.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

constexpr double kCornerRadius = 18;
constexpr int kPadding = 12;
constexpr int kFigureHeight = 20;

QLabel* secondaryLabel(const QString& text, theme::TextStyle style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(theme::font(style));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

TargetCard::TargetCard(std::shared_ptr<Target> target, QWidget* parent)
    : QWidget(parent)
    , target_(std::move(target)) {
    setObjectName(QStringLiteral("targetCard"));
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The sidebar decides which card Tab reaches; every card takes focus when clicked.
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(target_->spec().displayName());

    hover_.setDuration(150);
    hover_.setEasingCurve(QEasingCurve::OutCubic);
    hover_.setStartValue(0.0);
    hover_.setEndValue(0.0);
    connect(&hover_, &QVariantAnimation::valueChanged, this, [this] { update(); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    row->setSpacing(8);
    dot_ = new StatusDot(10, this);
    row->addWidget(dot_, 0, Qt::AlignVCenter);
    row->addWidget(buildTextColumn(), 1);

    row->addWidget(buildTrailingColumn(), 0, Qt::AlignVCenter);

    connect(target_.get(), &Target::changed, this, &TargetCard::refresh);
    refresh();
}

QWidget* TargetCard::buildTextColumn() {
    textColumn_ = new QWidget(this);
    textColumn_->installEventFilter(this);
    auto* layout = new QVBoxLayout(textColumn_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);

    firstLine_ = new QHBoxLayout;
    firstLine_->setSpacing(6);
    name_ = new ElidedLabel(textColumn_);
    name_->setFont(theme::font(theme::TextStyle::headline));
    name_->setText(target_->spec().displayName());
    firstLine_->addWidget(name_, 0);
    badge_ = new KindBadge(target_->spec().kind, textColumn_);
    firstLine_->addWidget(badge_, 0, Qt::AlignVCenter);
    firstLine_->addStretch(1);
    layout->addLayout(firstLine_);

    secondLine_ = new QHBoxLayout;
    secondLine_->setSpacing(6);
    status_ = new ElidedLabel(textColumn_);
    status_->setFont(theme::font(theme::TextStyle::caption));
    status_->setForegroundRole(QPalette::PlaceholderText);
    status_->setObjectName(QStringLiteral("cardStatus"));
    secondLine_->addWidget(status_, 1);
    layout->addLayout(secondLine_);
    return textColumn_;
}

bool TargetCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == textColumn_ && event->type() == QEvent::Resize)
        placeBadge();
    return QWidget::eventFilter(watched, event);
}

void TargetCard::placeBadge() {
    // The name matters more than its kind: when both do not fit on the first line, the badge
    // moves to the start of the second rather than cutting the name short.
    const int needed = name_->fontMetrics().horizontalAdvance(name_->text()) +
                       firstLine_->spacing() + badge_->sizeHint().width();
    const bool fits = needed <= textColumn_->width();
    if (fits == badgeOnFirstLine_)
        return;
    badgeOnFirstLine_ = fits;
    (fits ? secondLine_ : firstLine_)->removeWidget(badge_);
    (fits ? firstLine_ : secondLine_)->insertWidget(fits ? 1 : 0, badge_, 0, Qt::AlignVCenter);
}

QWidget* TargetCard::buildTrailingColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* switchRow = new QHBoxLayout;
    switchRow->setSpacing(6);
    switchRow->addStretch(1);
    switchRow->addWidget(
        secondaryLabel(QStringLiteral("Active"), theme::TextStyle::caption, column));
    const QString name = target_->spec().displayName();
    switch_ = new ToggleSwitch(column);
    switch_->setObjectName(QStringLiteral("activeSwitch"));
    // Space on the card flips it: one tab stop per card is enough.
    switch_->setFocusPolicy(Qt::NoFocus);
    switch_->setAccessibleName(QStringLiteral("Monitor %1").arg(name));
    switch_->setToolTip(QStringLiteral("Monitor %1 (Space)").arg(name));
    connect(switch_, &ToggleSwitch::clicked, this, [this](bool on) { target_->setEnabled(on); });
    switchRow->addWidget(switch_);
    layout->addLayout(switchRow);

    // The figure row also holds the trash button while hovering: beside the figure it takes no
    // room from the name.
    auto* figureRow = new QHBoxLayout;
    figureRow->setSpacing(6);
    figureRow->addStretch(1);
    remove_ = new QToolButton(column);
    remove_->setObjectName(QStringLiteral("removeButton"));
    remove_->setToolTip(QStringLiteral("Remove %1 (Delete)").arg(name));
    remove_->setAccessibleName(QStringLiteral("Remove %1").arg(name));
    remove_->setFocusPolicy(Qt::NoFocus);
    remove_->setAutoRaise(true);
    remove_->setIconSize(QSize(14, 14));
    remove_->setFixedSize(kFigureHeight, kFigureHeight);
    remove_->setCursor(Qt::PointingHandCursor);
    remove_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"
                                          "QToolButton:hover { background: rgba(255,69,58,40); "
                                          "border-radius: 6px; }"));
    remove_->setVisible(false);
    QColor destructive = theme::red();
    destructive.setAlphaF(0.85f);
    remove_->setIcon(icons::symbol(QStringLiteral("trash"), destructive));
    connect(remove_, &QToolButton::clicked, this, &TargetCard::removeRequested);
    figureRow->addWidget(remove_, 0, Qt::AlignVCenter);
    if (target_->spec().kind == TargetKind::pingSweep) {
        hosts_ = secondaryLabel(QString(), theme::TextStyle::caption2, column);
        hosts_->setObjectName(QStringLiteral("hostsFigure"));
        figureRow->addWidget(hosts_, 0, Qt::AlignBaseline);
        up_ = new QLabel(column);
        up_->setObjectName(QStringLiteral("upFigure"));
        up_->setFont(theme::monospacedDigits(theme::TextStyle::callout, true));
        figureRow->addWidget(up_, 0, Qt::AlignBaseline);
    } else {
        latency_ = new QLabel(column);
        latency_->setObjectName(QStringLiteral("latencyFigure"));
        latency_->setFont(theme::monospacedDigits(theme::TextStyle::callout, true));
        latency_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        figureRow->addWidget(latency_);
    }
    // One height whatever the row shows, so cards do not jump when a figure or the trash appears.
    auto* figures = new QWidget(column);
    figures->setFixedHeight(std::max(
        kFigureHeight, QFontMetrics(theme::monospacedDigits(theme::TextStyle::callout)).height()));
    figures->setLayout(figureRow);
    figureRow->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(figures);
    return column;
}

void TargetCard::setSelected(bool selected) {
    if (selected == selected_)
        return;
    selected_ = selected;
    update();
}

QColor TargetCard::statusColour() const {
    return dot_->colour();
}

void TargetCard::refresh() {
    const Target& target = *target_;
    const QColor colour = vantorel::statusColour(target);
    dot_->setColour(colour);
    status_->setText(statusLine(target));
    if (switch_->isChecked() != target.enabled())
        switch_->setChecked(target.enabled());
    if (latency_) {
        const std::optional<QString> figure = latencyFigure(target);
        latency_->setText(figure.value_or(QString()));
        theme::setTextColour(*latency_, colour);
    }
    if (hosts_) {
        hosts_->setText(QStringLiteral("%1 hosts").arg(target.monitors().size()));
        up_->setText(QStringLiteral("%1 up").arg(aliveHostCount(target)));
        theme::setTextColour(*up_, theme::green());
    }
    if (const QString summary = accessibleSummary(target); summary != accessibleDescription())
        setAccessibleDescription(summary);
}

void TargetCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF area = rect();
    glass::paintCard(p, area, kCornerRadius, selected_);
    const double hover = hoverProgress();
    if (hover > 0.0) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(area.adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
        QColor lift = theme::isDark() ? QColor(255, 255, 255) : QColor(255, 255, 255);
        lift.setAlphaF(float((theme::isDark() ? 0.05 : 0.18) * hover));
        p.fillPath(shape, lift);
    }
    if (focus_ring::shown(*this))
        focus_ring::paint(p, area, kCornerRadius);
}

void TargetCard::setHovering(bool hovering) {
    if (hovering == hovering_)
        return;
    hovering_ = hovering;
    showRemoveButton();
    hover_.stop();
    hover_.setStartValue(hoverProgress());
    hover_.setEndValue(hovering ? 1.0 : 0.0);
    hover_.start();
}

double TargetCard::hoverProgress() const {
    const QVariant value = hover_.currentValue();
    return value.isValid() ? value.toDouble() : 0.0;
}

void TargetCard::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovering(true);
}

void TargetCard::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

void TargetCard::showRemoveButton() {
    remove_->setVisible(hovering_ || hasFocus());
}

void TargetCard::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    showRemoveButton();
    update();
}

void TargetCard::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    showRemoveButton();
    update();
}

void TargetCard::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        Q_EMIT stepRequested(-1);
        return;
    case Qt::Key_Down:
        Q_EMIT stepRequested(1);
        return;
    case Qt::Key_Space:
        switch_->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT selectRequested();
        return;
    case Qt::Key_Delete:
        Q_EMIT removeRequested();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TargetCard::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TargetCard::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT selectRequested();
}

void TargetCard::contextMenuEvent(QContextMenuEvent* event) {
    // Right click or the menu key.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("cardMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* startWith = menu->addAction(QStringLiteral("Start with Vantorel"));
    startWith->setCheckable(true);
    startWith->setChecked(target_->spec().startWithVantorel);
    connect(startWith, &QAction::toggled, this, &TargetCard::startWithVantorelRequested);
    QAction* remove = menu->addAction(QStringLiteral("Remove"));
    remove->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(remove, &QAction::triggered, this, &TargetCard::removeRequested);
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
                          ? mapToGlobal(QPoint(kPadding, height() / 2))
                          : event->globalPos();
    menu->popup(at);
}

} // namespace vantorel
