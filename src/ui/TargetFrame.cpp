#include "ui/TargetFrame.h"

#include "targets/Target.h"
#include "ui/ElidedLabel.h"
#include "ui/FigureTile.h"
#include "ui/Glass.h"
#include "ui/PlaceholderTarget.h"
#include "ui/StatusDot.h"
#include "ui/TargetStatus.h"
#include "ui/Theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace vantorel {

namespace {

constexpr double kPanelRadius = 28;
constexpr int kColumns = 3;

QString milliseconds(const std::optional<double>& value) {
    return value ? formatMilliseconds(*value, 1) : QStringLiteral("—");
}

QString hostsSummary(const Target& target) {
    const QStringList hosts = target.spec().hosts();
    if (target.spec().kind == TargetKind::pingSweep && hosts.size() > 1)
        return QStringLiteral("%1 – %2 · %3 addresses")
            .arg(hosts.front(), hosts.back())
            .arg(hosts.size());
    return hosts.value(0);
}

} // namespace

TargetFrame::TargetFrame(QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 26, 28, 26);
    column->setSpacing(0);

    title_ = new ElidedLabel(this);
    title_->setObjectName(QStringLiteral("detailTitle"));
    title_->setFont(theme::font(theme::TextStyle::largeTitle, true));
    column->addWidget(title_);
    column->addSpacing(8);

    auto* stateRow = new QHBoxLayout;
    stateRow->setSpacing(8);
    kind_ = new QLabel(this);
    kind_->setObjectName(QStringLiteral("detailKind"));
    kind_->setFont(theme::font(theme::TextStyle::callout, true));
    kind_->setForegroundRole(QPalette::PlaceholderText);
    stateRow->addWidget(kind_);
    auto* separator = new QLabel(QStringLiteral("·"), this);
    separator->setForegroundRole(QPalette::PlaceholderText);
    stateRow->addWidget(separator);
    dot_ = new StatusDot(8, this);
    stateRow->addWidget(dot_, 0, Qt::AlignVCenter);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("detailState"));
    state_->setFont(theme::font(theme::TextStyle::callout));
    stateRow->addWidget(state_);
    stateRow->addStretch(1);
    column->addLayout(stateRow);
    column->addSpacing(24);

    grid_ = new QGridLayout;
    grid_->setHorizontalSpacing(12);
    grid_->setVerticalSpacing(12);
    column->addLayout(grid_);
    column->addStretch(1);

    hosts_ = new QLabel(this);
    hosts_->setObjectName(QStringLiteral("detailHosts"));
    hosts_->setFont(theme::font(theme::TextStyle::callout));
    hosts_->setForegroundRole(QPalette::PlaceholderText);
    hosts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(hosts_);
}

void TargetFrame::setTarget(std::shared_ptr<Target> target) {
    if (target == target_)
        return;
    disconnect(subscription_);
    target_ = std::move(target);
    if (target_)
        subscription_ = connect(target_.get(), &Target::changed, this, &TargetFrame::refresh);
    rebuildTiles();
    refresh();
}

void TargetFrame::rebuildTiles() {
    for (FigureTile* tile : tiles_)
        delete tile;
    tiles_.clear();
    if (!target_)
        return;
    const QStringList captions =
        target_->spec().kind == TargetKind::pingSweep
            ? QStringList{QStringLiteral("Hosts"), QStringLiteral("Up"), QStringLiteral("Scanned"),
                          QStringLiteral("Average")}
            : QStringList{QStringLiteral("Latency"), QStringLiteral("Average"),
                          QStringLiteral("Minimum"), QStringLiteral("Maximum"),
                          QStringLiteral("Jitter"),  QStringLiteral("Packet loss")};
    const int columns = captions.size() == 4 ? 2 : kColumns;
    for (int i = 0; i < captions.size(); ++i) {
        auto* tile = new FigureTile(captions[i], this);
        grid_->addWidget(tile, i / columns, i % columns);
        tiles_.push_back(tile);
    }
}

void TargetFrame::refresh() {
    if (!target_)
        return;
    const Target& target = *target_;
    const QColor colour = statusColour(target);
    title_->setText(target.spec().displayName());
    kind_->setText(label(target.spec().kind));
    dot_->setColour(colour);
    state_->setText(statusLine(target));
    // A single host is already the title; only a range says more. Under the placeholder the line
    // says what to do instead.
    const QString hosts = target_ == placeholderTarget()
                              ? QStringLiteral("Select a target in the sidebar, or add one with "
                                               "Add Target (Ctrl+N).")
                              : hostsSummary(target);
    hosts_->setText(hosts);
    hosts_->setVisible(hosts != target.spec().displayName());
    setAccessibleName(target.spec().displayName());

    const QColor primary = theme::primaryText();
    if (target.spec().kind == TargetKind::pingSweep) {
        const int hosts = int(target.monitors().size());
        tile(0)->setValue(QString::number(hosts), primary);
        tile(1)->setValue(QString::number(aliveHostCount(target)), theme::green());
        tile(2)->setValue(QStringLiteral("%1/%2").arg(knownHostCount(target)).arg(hosts), primary);
        tile(3)->setValue(milliseconds(sweptLatency(target)), primary);
        return;
    }
    const std::optional<QString> latency = latencyFigure(target);
    tile(0)->setValue(latency.value_or(QStringLiteral("—")), latency ? colour : primary);
    tile(1)->setValue(milliseconds(target.avgLatency()), primary);
    tile(2)->setValue(milliseconds(target.minLatency()), primary);
    tile(3)->setValue(milliseconds(target.maxLatency()), primary);
    tile(4)->setValue(milliseconds(target.jitter()), primary);
    const bool measured = target.avgLatency().has_value() || target.lossPct() > 0;
    tile(5)->setValue(measured ? QString::asprintf("%.0f%%", target.lossPct())
                               : QStringLiteral("—"),
                      target.lossPct() > 0 ? theme::orange() : primary);
}

void TargetFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintPanel(p, rect(), kPanelRadius);
}

} // namespace vantorel
