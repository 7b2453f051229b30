#include "ui/detail/ServiceStats.h"

#include "monitor/PingMonitor.h"
#include "targets/Target.h"
#include "ui/controls/Theme.h"
#include "ui/rules/TimeLabel.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {
const char* const kValueNames[] = {"uptimeValue", "checksValue", "probeValue", "lastFailureValue"};
constexpr int kColumnSpacing = 22;
constexpr int kRowSpacing = 8;
} // namespace

ServiceStats::ServiceStats(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("serviceStats"));
    grid_ = new QGridLayout(this);
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setHorizontalSpacing(kColumnSpacing);
    grid_->setVerticalSpacing(kRowSpacing);
    for (Cell& cell : cells_) {
        cell.box = new QWidget(this);
        auto* column = new QVBoxLayout(cell.box);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(2);
        cell.caption = new QLabel(cell.box);
        cell.caption->setFont(theme::font(theme::TextStyle::caption2));
        cell.caption->setForegroundRole(QPalette::PlaceholderText);
        cell.value = new QLabel(cell.box);
        cell.value->setObjectName(QLatin1String(kValueNames[&cell - cells_]));
        cell.value->setFont(theme::monospacedDigits(theme::TextStyle::callout, true));
        column->addWidget(cell.caption);
        column->addWidget(cell.value);
    }
    arrange(4);
}

int ServiceStats::widthOf(int columns) const {
    // Each column as wide as its widest cell.
    int width = (columns - 1) * kColumnSpacing;
    for (int column = 0; column < columns; ++column) {
        int widest = 0;
        for (int cell = column; cell < 4; cell += columns)
            widest = std::max(widest, cells_[cell].box->sizeHint().width());
        width += widest;
    }
    return width;
}

int ServiceStats::columnsFor(int width) const {
    return width >= widthOf(4) ? 4 : 2;
}

int ServiceStats::height(int columns) const {
    const int cell = cells_[0].box->sizeHint().height();
    return columns == 4 ? cell : 2 * cell + kRowSpacing;
}

// The height follows the arrangement, which follows the width the layout gives: two by two once
// the four do not fit across.
QSize ServiceStats::sizeHint() const {
    return {widthOf(4), height(columns_)};
}

QSize ServiceStats::minimumSizeHint() const {
    return {widthOf(2), height(columns_)};
}

void ServiceStats::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange(columnsFor(width()));
}

void ServiceStats::arrange(int columns) {
    if (columns == columns_)
        return;
    columns_ = columns;
    for (int i = 0; i < 4; ++i) {
        grid_->removeWidget(cells_[i].box);
        grid_->addWidget(cells_[i].box, i / columns, i % columns, Qt::AlignLeft | Qt::AlignTop);
    }
    // The space left over goes after the last column, not between the figures.
    for (int column = 0; column < 5; ++column)
        grid_->setColumnStretch(column, column == columns ? 1 : 0);
    updateGeometry();
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
    // A longer figure may no longer fit four across.
    arrange(columnsFor(width()));
}

} // namespace vantorel
