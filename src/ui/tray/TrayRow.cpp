#include "ui/tray/TrayRow.h"

#include "targets/Target.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/StatusDot.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/controls/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

constexpr int kDotDiameter = 8;

void setText(QLabel& label, const QString& text) {
    if (label.text() != text)
        label.setText(text);
}

} // namespace

TrayRow::TrayRow(const std::shared_ptr<Target>& target, QWidget* parent)
    : QWidget(parent)
    , target_(target)
    , targetId_(target->id())
    , dot_(new StatusDot(kDotDiameter, this))
    , name_(new ElidedLabel(this))
    , kind_(new QLabel(this))
    , figure_(new QLabel(this))
    , switch_(new ToggleSwitch(this)) {
    setObjectName(QStringLiteral("trayRow"));
    name_->setObjectName(QStringLiteral("trayName"));
    kind_->setObjectName(QStringLiteral("trayKind"));
    figure_->setObjectName(QStringLiteral("trayFigure"));
    switch_->setObjectName(QStringLiteral("traySwitch"));

    const QString name = target->spec().displayName();
    name_->setText(name);
    name_->setFont(theme::font(theme::TextStyle::callout));
    kind_->setText(label(target->spec().kind));
    kind_->setFont(theme::font(theme::TextStyle::caption2));
    figure_->setFont(theme::monospacedDigits(theme::TextStyle::caption));
    figure_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the widest figure, so the switches stay in one column as figures change.
    figure_->setMinimumWidth(
        figure_->fontMetrics().horizontalAdvance(QStringLiteral("254/254 up")));
    figure_->setAccessibleName(QStringLiteral("Current figure of %1").arg(name));
    switch_->setToolTip(QStringLiteral("Monitor %1").arg(name));
    switch_->setAccessibleName(QStringLiteral("Monitor %1").arg(name));
    setAccessibleName(name);

    auto* text = new QVBoxLayout;
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(1);
    text->addWidget(name_);
    text->addWidget(kind_);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(8);
    row->addWidget(dot_, 0, Qt::AlignVCenter);
    row->addLayout(text, 1);
    row->addWidget(figure_, 0, Qt::AlignVCenter);
    row->addWidget(switch_, 0, Qt::AlignVCenter);

    connect(switch_, &QAbstractButton::clicked, this, &TrayRow::switchFlipped);
    refresh();
}

QString TrayRow::figure(const Target& target) {
    if (!target.enabled())
        return QStringLiteral("off");
    if (target.spec().kind == TargetKind::pingSweep) {
        const auto& monitors = target.monitors();
        const auto alive = std::count_if(monitors.begin(), monitors.end(), [](const auto& monitor) {
            return monitor->alive() == true;
        });
        return QStringLiteral("%1/%2 up").arg(alive).arg(monitors.size());
    }
    if (const auto latency = target.currentLatency())
        return QString::asprintf("%.0f ms", *latency);
    return QStringLiteral("…");
}

void TrayRow::refresh() {
    const auto target = target_.lock();
    if (!target)
        return;
    dot_->setColour(theme::healthColour(target->health()));
    setText(*figure_, figure(*target));
    theme::setTextColour(*name_, theme::primaryText());
    theme::setTextColour(*kind_, theme::secondaryText());
    theme::setTextColour(*figure_, theme::secondaryText());
    if (switch_->isChecked() != target->enabled())
        switch_->setChecked(target->enabled());
    switch_->update();
    if (const QString summary = accessibleSummary(*target); summary != accessibleDescription())
        setAccessibleDescription(summary);
}

void TrayRow::switchFlipped(bool on) {
    if (const auto target = target_.lock())
        target->setEnabled(on);
    refresh();
}

} // namespace vantorel
