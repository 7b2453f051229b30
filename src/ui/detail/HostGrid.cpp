#include "ui/detail/HostGrid.h"

#include "targets/Target.h"
#include "ui/controls/Theme.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace vantorel {

namespace {

constexpr double kCornerRadius = 6;
constexpr double kDeadOpacity = 0.30;
constexpr double kUnscannedOpacity = 0.28;

QString lastAddressPart(const QString& host) {
    return host.section(QLatin1Char('.'), -1);
}

} // namespace

HostGrid::HostGrid(std::shared_ptr<Target> target, QWidget* parent)
    : QWidget(parent)
    , target_(std::move(target)) {
    setObjectName(QStringLiteral("hostGrid"));
    setAccessibleName(QStringLiteral("Hosts"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFont(theme::monospacedDigits(theme::TextStyle::caption, true));
}

int HostGrid::cellCount() const {
    return int(target_->monitors().size());
}

int HostGrid::columnsFor(int width) {
    return std::max(1, (width + kSpacing) / (kMinCellWidth + kSpacing));
}

int HostGrid::heightForWidth(int width) const {
    const int columns = columnsFor(width);
    const int rows = (cellCount() + columns - 1) / columns;
    return std::max(0, rows * (kCellHeight + kSpacing) - kSpacing);
}

QSize HostGrid::sizeHint() const {
    const int width = 8 * (kMinCellWidth + kSpacing) - kSpacing;
    return {width, heightForWidth(width)};
}

QRect HostGrid::cellRect(int index) const {
    const int columns = this->columns();
    const double cellWidth = (width() - (columns - 1) * kSpacing) / double(columns);
    const int row = index / columns;
    const int column = index % columns;
    const int left = int(std::round(column * (cellWidth + kSpacing)));
    const int right = int(std::round(column * (cellWidth + kSpacing) + cellWidth));
    return {left, row * (kCellHeight + kSpacing), right - left, kCellHeight};
}

int HostGrid::cellAt(const QPoint& position) const {
    for (int i = 0; i < cellCount(); ++i)
        if (cellRect(i).contains(position))
            return i;
    return -1;
}

QString HostGrid::toolTipFor(int index) const {
    const auto& monitor = target_->monitors().at(std::size_t(index));
    if (!monitor->alive().has_value())
        return monitor->host() + QStringLiteral(" · not scanned yet");
    if (*monitor->alive() && monitor->latency())
        return monitor->host() + QStringLiteral(" ") +
               QString::asprintf("%.0f", *monitor->latency()) + QStringLiteral(" ms");
    return monitor->host() + QStringLiteral(" · no reply");
}

bool HostGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = cellAt(help->pos());
        if (index < 0) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), toolTipFor(index), this, cellRect(index));
        }
        return true;
    }
    return QWidget::event(event);
}

void HostGrid::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = theme::isDark();
    const QColor onBright = dark ? QColor(10, 20, 30, 230) : QColor(255, 255, 255, 245);
    const auto& monitors = target_->monitors();
    for (int i = 0; i < int(monitors.size()); ++i) {
        const QRect cell = cellRect(i);
        if (!event->rect().intersects(cell))
            continue;
        const PingMonitor& monitor = *monitors[std::size_t(i)];
        QColor fill;
        QColor text = theme::primaryText();
        if (!monitor.alive().has_value()) {
            fill = theme::gray();
            fill.setAlphaF(float(kUnscannedOpacity));
            text = theme::secondaryText();
        } else if (*monitor.alive()) {
            fill = monitor.latency() ? theme::latencyColour(*monitor.latency()) : theme::green();
            text = onBright;
        } else {
            fill = theme::red();
            fill.setAlphaF(float(kDeadOpacity));
        }
        QPainterPath shape;
        shape.addRoundedRect(QRectF(cell), kCornerRadius, kCornerRadius);
        p.fillPath(shape, fill);
        p.setPen(text);
        p.drawText(cell, Qt::AlignCenter, lastAddressPart(monitor.host()));
    }
}

} // namespace vantorel
