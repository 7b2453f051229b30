#include "ui/detail/ServiceStats.h"

#include "monitor/PingMonitor.h"
#include "targets/Target.h"
#include "ui/controls/Theme.h"
#include "ui/rules/TimeLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {
const char* const kValueNames[] = {"uptimeValue", "checksValue", "probeValue", "lastFailureValue"};
} // namespace

ServiceStats::ServiceStats(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("serviceStats"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(22);
    for (int i = 0; i < 4; ++i) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        Cell& cell = cells_[i];
        cell.caption = new QLabel(this);
        cell.caption->setFont(theme::font(theme::TextStyle::caption2));
        cell.caption->setForegroundRole(QPalette::PlaceholderText);
        cell.value = new QLabel(this);
        cell.value->setObjectName(QLatin1String(kValueNames[i]));
        cell.value->setFont(theme::monospacedDigits(theme::TextStyle::callout, true));
        column->addWidget(cell.caption);
        column->addWidget(cell.value);
        row->addLayout(column);
    }
    row->addStretch(1);
}

QString ServiceStats::caption(int cell) const {
    return cells_[cell].caption->text();
}

QString ServiceStats::value(int cell) const {
    return cells_[cell].value->text();
}

void ServiceStats::refresh(const Target& target) {
    const PingMonitor& monitor = *target.monitors().front();
    const auto& samples = monitor.samples();
    const auto passed =
        std::count_if(samples.begin(), samples.end(), [](const PingSample& s) { return s.rtt; });
    const bool checked = !samples.empty();
    const auto set = [this](int index, const QString& caption, const QString& value) {
        if (cells_[index].caption->text() != caption)
            cells_[index].caption->setText(caption);
        if (cells_[index].value->text() != value)
            cells_[index].value->setText(value);
    };
    const QString none = QStringLiteral("—");
    set(0, QStringLiteral("Uptime"),
        checked ? QString::asprintf("%.1f%%", 100.0 - target.lossPct()) : none);
    set(1, QStringLiteral("Checks passed"),
        checked ? QStringLiteral("%1 / %2").arg(passed).arg(samples.size()) : none);
    if (const std::optional<int> status = monitor.httpStatus())
        set(2, QStringLiteral("HTTP status"), QString::number(*status));
    else
        set(2, QStringLiteral("Probe"), QStringLiteral("TCP connect"));
    const std::optional<Date> failure = monitor.stats().lastFailure;
    set(3, QStringLiteral("Last failure"),
        failure ? timeLabel(*failure, true) : QStringLiteral("none"));
}

} // namespace vantorel
