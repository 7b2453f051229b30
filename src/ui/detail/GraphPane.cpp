#include "ui/detail/GraphPane.h"

#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/Target.h"
#include "ui/controls/BusyNote.h"
#include "ui/controls/DialGauge.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/EmptyStateView.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/controls/KindBadge.h"
#include "ui/controls/PaneScrollArea.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/detail/HeadlineFigure.h"
#include "ui/detail/HistoryExportDialog.h"
#include "ui/detail/HopList.h"
#include "ui/detail/HostGrid.h"
#include "ui/detail/LatencyHistoryChart.h"
#include "ui/detail/ServiceStats.h"
#include "ui/rules/LatencyScale.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

constexpr double kPanelRadius = 28;
constexpr int kPadding = 22;
constexpr int kMaxGaugeWidth = 340;
constexpr int kMinGaugeWidth = 96;
// The gauge takes at most this share of the pane's width; the chart needs the rest more.
constexpr double kMaxGaugeShare = 0.34;

const QString kChartSymbol = QStringLiteral("chart.line.uptrend.xyaxis");
const QString kPathSymbol = QStringLiteral("point.topleft.down.to.point.bottomright.curvepath");

bool hasChart(TargetKind kind) {
    return kind == TargetKind::hostPing || kind == TargetKind::serviceCheck;
}

Thresholds preferredThresholds() {
    const Preferences& preferences = Preferences::instance();
    return repairedThresholds(preferences.doubleValue(keys::latencyGreen),
                              preferences.doubleValue(keys::latencyYellow));
}

QVBoxLayout* bareColumn(QWidget* parent, int spacing) {
    auto* column = new QVBoxLayout(parent);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

} // namespace

GraphPane::GraphPane(std::shared_ptr<Target> target, QWidget* parent)
    : QWidget(parent)
    , target_(std::move(target)) {
    setObjectName(QStringLiteral("graphPane"));
    const QString name = target_->spec().displayName();
    setAccessibleName(name);
    const TargetKind kind = target_->spec().kind;

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(12);
    header_ = buildHeader();
    column->addWidget(header_);

    auto* main = new QHBoxLayout;
    main->setSpacing(18);
    auto* left = new QVBoxLayout;
    left->setSpacing(10);
    headline_ = new HeadlineFigure(this);
    headline_->setAccessibleDescription((kind == TargetKind::pingSweep
                                             ? QStringLiteral("Hosts up in %1")
                                             : QStringLiteral("Current latency of %1"))
                                            .arg(name));
    left->addWidget(headline_);
    if (kind == TargetKind::serviceCheck) {
        stats_ = new ServiceStats(this);
        left->addWidget(stats_);
    }
    left->addWidget(buildBody(), 1);
    main->addLayout(left, 1);
    if (hasChart(kind)) {
        gauge_ = new DialGauge(this);
        gauge_->setObjectName(QStringLiteral("latencyGauge"));
        gauge_->setAccessibleDescription(QStringLiteral("Latency gauge of %1").arg(name));
        gauge_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        gauge_->setFixedSize(kMinGaugeWidth, kMinGaugeWidth);
        main->addWidget(gauge_, 0, Qt::AlignVCenter);
    }
    column->addLayout(main, 1);

    connect(target_.get(), &Target::changed, this, &GraphPane::refresh);
    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::appearance || key == keys::glassEnabled)
            applyTheme();
        else if (key == keys::latencyGreen || key == keys::latencyYellow || key == keys::use24Hour)
            refresh();
    });
    applyTheme();
}

GraphPane::~GraphPane() = default;

QWidget* GraphPane::buildHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(8);
    title_ = new ElidedLabel(header);
    title_->setObjectName(QStringLiteral("graphTitle"));
    title_->setElideMode(Qt::ElideMiddle);
    title_->setFont(theme::font(theme::TextStyle::title2, true));
    title_->setText(target_->spec().displayName());
    nameRow->addWidget(title_, 0);
    nameRow->addWidget(new KindBadge(target_->spec().kind, header), 0, Qt::AlignVCenter);
    nameRow->addStretch(1);
    titles->addLayout(nameRow);
    subtitle_ = new ElidedLabel(header);
    subtitle_->setObjectName(QStringLiteral("graphSubtitle"));
    subtitle_->setFont(theme::font(theme::TextStyle::caption));
    subtitle_->setForegroundRole(QPalette::PlaceholderText);
    titles->addWidget(subtitle_);
    row->addLayout(titles, 1);

    if (target_->spec().kind == TargetKind::pingSweep) {
        rescan_ = new QPushButton(QStringLiteral("Rescan"), header);
        rescan_->setObjectName(QStringLiteral("rescanButton"));
        rescan_->setAccessibleName(QStringLiteral("Rescan %1").arg(target_->spec().displayName()));
        rescan_->setToolTip(QStringLiteral("Scan every host of the range again"));
        rescan_->setCursor(Qt::PointingHandCursor);
        rescan_->setFont(theme::font(theme::TextStyle::caption));
        rescan_->setIconSize(QSize(12, 12));
        connect(rescan_, &QPushButton::clicked, this, [this] { target_->start(); });
        row->addWidget(rescan_, 0, Qt::AlignTop);
    } else {
        export_ = new QPushButton(QStringLiteral("Export…"), header);
        export_->setObjectName(QStringLiteral("exportButton"));
        export_->setAccessibleName(
            QStringLiteral("Export history of %1").arg(target_->spec().displayName()));
        export_->setToolTip(QStringLiteral("Save the samples shown here as CSV or JSON"));
        export_->setCursor(Qt::PointingHandCursor);
        export_->setFont(theme::font(theme::TextStyle::caption));
        connect(export_, &QPushButton::clicked, this, &GraphPane::openExportDialog);
        row->addWidget(export_, 0, Qt::AlignTop);
    }
    return header;
}

HistoryExportDialog* GraphPane::openExportDialog() {
    if (!export_)
        return nullptr;
    auto* dialog =
        new HistoryExportDialog(target_->monitors().front(), target_->spec().displayName(), this);
    dialog->open();
    return dialog;
}

QWidget* GraphPane::buildBody() {
    body_ = new QStackedWidget(this);
    body_->setObjectName(QStringLiteral("graphBody"));
    content_ = new QWidget(body_);
    auto* column = bareColumn(content_, 8);
    switch (target_->spec().kind) {
    case TargetKind::hostPing:
    case TargetKind::serviceCheck:
        chart_ = new LatencyHistoryChart(target_->monitors().front(), content_);
        chart_->setTargetName(target_->spec().displayName());
        column->addWidget(chart_, 1);
        break;
    case TargetKind::traceroute:
        busy_ = new BusyNote(false, content_);
        busy_->setObjectName(QStringLiteral("tracingNote"));
        busy_->setText(QStringLiteral("Tracing route…"));
        // Only one of the two shows at a time, and takes the whole body.
        column->addWidget(busy_, 1, Qt::AlignCenter);
        hops_ = new HopList(content_);
        column->addWidget(hops_, 1);
        break;
    case TargetKind::pingSweep:
        busy_ = new BusyNote(true, content_);
        busy_->setObjectName(QStringLiteral("scanningNote"));
        column->addWidget(busy_, 0, Qt::AlignLeft);
        gridScroller_ = new PaneScrollArea(content_);
        grid_ = new HostGrid(target_);
        gridScroller_->setContent(grid_);
        column->addWidget(gridScroller_, 1);
        break;
    }
    body_->addWidget(content_);
    empty_ = new EmptyStateView(body_);
    body_->addWidget(empty_);
    return body_;
}

void GraphPane::refresh() {
    const Target& target = *target_;
    if (const QString line = subtitle(); line != subtitle_->text())
        subtitle_->setText(line);
    if (rescan_)
        rescan_->setEnabled(target.enabled());
    refreshHeadline();
    refreshGauge();
    if (stats_)
        stats_->refresh(target);
    refreshBody();
}

QString GraphPane::subtitle() const {
    const TargetSpec& spec = target_->spec();
    switch (spec.kind) {
    case TargetKind::hostPing:
        return QStringLiteral("Round-trip latency");
    case TargetKind::serviceCheck:
        return QStringLiteral("Service response time");
    case TargetKind::traceroute:
        return QStringLiteral("Path to %1 · %2 hops")
            .arg(spec.host)
            .arg(target_->monitors().front()->hopStats().size());
    case TargetKind::pingSweep:
        break;
    }
    return QStringLiteral("%1 hosts · liveness scan").arg(target_->monitors().size());
}

void GraphPane::refreshHeadline() {
    const Target& target = *target_;
    if (target.spec().kind == TargetKind::pingSweep) {
        headline_->setFigure(QString::number(aliveHostCount(target)), theme::green(),
                             QStringLiteral(" / %1 up").arg(target.monitors().size()));
        return;
    }
    if (const std::optional<double> latency = target.currentLatency())
        headline_->setFigure(QString::asprintf("%.1f", *latency), theme::latencyColour(*latency),
                             QStringLiteral(" ms"));
    else
        headline_->setFigure(QStringLiteral("—"), theme::secondaryText(), QStringLiteral(" ms"));
}

void GraphPane::refreshGauge() {
    if (!gauge_)
        return;
    const PingMonitor& monitor = *target_->monitors().front();
    const Thresholds thresholds = preferredThresholds();
    gauge::Reading reading;
    if (!monitor.samples().empty()) {
        reading.value = monitor.samples().back().rtt;
        reading.isDown = !reading.value;
    }
    reading.green = thresholds.green;
    reading.yellow = thresholds.yellow;
    reading.gaugeMax = gaugeMax(thresholds, monitor.stats().p95);
    gauge_->setReading(reading);
}

void GraphPane::showEmptyState(const QString& symbol, const QString& text) {
    empty_->setContent(symbol, text);
    body_->setCurrentWidget(empty_);
}

void GraphPane::refreshBody() {
    const Target& target = *target_;
    const TargetKind kind = target.spec().kind;
    if (!target.enabled()) {
        showEmptyState(kind == TargetKind::traceroute ? kPathSymbol : kChartSymbol,
                       QStringLiteral("Monitoring is off"));
        return;
    }
    const PingMonitor& first = *target.monitors().front();
    const bool nothingToShow = hasChart(kind)
                                   ? first.samples().empty()
                                   : kind == TargetKind::traceroute && first.hopStats().empty();
    // A paused, blocked or unresolvable target is not waiting for anything: say why, as its card
    // does.
    if (nothingToShow && target.statusMessage()) {
        showEmptyState(QStringLiteral("exclamationmark.triangle"), statusLine(target));
        return;
    }
    if (hasChart(kind) && first.samples().empty()) {
        showEmptyState(QString(), QStringLiteral("Waiting for replies…"));
        return;
    }
    body_->setCurrentWidget(content_);
    if (hops_) {
        const auto& hops = first.hopStats();
        busy_->setVisible(hops.empty());
        hops_->setVisible(!hops.empty());
        if (!hops.empty())
            hops_->setHops(hops, preferredThresholds());
    }
    if (grid_) {
        const bool scanning = target.isScanning();
        busy_->setVisible(scanning);
        if (scanning)
            busy_->setText(QStringLiteral("Scanning %1/%2")
                               .arg(knownHostCount(target))
                               .arg(target.monitors().size()));
        grid_->update();
    }
}

QString GraphPane::emptyStateText() const {
    return body_->currentWidget() == empty_ ? empty_->text() : QString();
}

void GraphPane::applyTheme() {
    if (export_)
        glass::styleButton(*export_, false);
    if (rescan_) {
        glass::styleButton(*rescan_, false);
        rescan_->setIcon(icons::symbol(QStringLiteral("arrow.clockwise"), theme::primaryText()));
    }
    empty_->applyTheme();
    refresh();
    update();
}

void GraphPane::fitGauge() {
    if (!gauge_)
        return;
    // The gauge is square and as tall as the space under the header allows, so the chart keeps
    // the rest of the width.
    const int available = height() - 2 * kPadding - header_->sizeHint().height() - 12;
    const int side =
        std::clamp(std::min({kMaxGaugeWidth, available, int(width() * kMaxGaugeShare)}),
                   kMinGaugeWidth, kMaxGaugeWidth);
    if (gauge_->width() != side)
        gauge_->setFixedSize(side, side);
}

void GraphPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitGauge();
}

void GraphPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintPanel(p, rect(), kPanelRadius);
}

} // namespace vantorel
