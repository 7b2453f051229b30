#include "ui/detail/LatencyHistoryChart.h"

#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/detail/ChartScrubber.h"
#include "ui/rules/TimeLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWheelEvent>

namespace vantorel {

namespace {

// Where the scrubber is not shown, this much space keeps the time labels off the panel's edge.
constexpr int kEmptyScrubberSpace = 7;
constexpr int kNowMargin = 8;
// A wheel notch is 120 eighths of a degree; a notch pans 30 points.
constexpr double kAngleUnitsPerPoint = 4;

} // namespace

LatencyHistoryChart::LatencyHistoryChart(std::shared_ptr<PingMonitor> monitor, QWidget* parent)
    : QWidget(parent)
    , monitor_(std::move(monitor))
    , painter_(theme::font(theme::TextStyle::caption))
    , scrollX_(dateNow()) {
    setObjectName(QStringLiteral("historyChart"));
    setAccessibleName(QStringLiteral("Latency history"));
    setToolTip(QStringLiteral("Drag, scroll or use Left and Right to move through the history; "
                              "End returns to now"));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::OpenHandCursor);

    scrubber_ = new ChartScrubber(this);
    scrubber_->hide();
    connect(scrubber_, &ChartScrubber::scrubbed, this, &LatencyHistoryChart::scrub);
    connect(scrubber_, &ChartScrubber::nowRequested, this, &LatencyHistoryChart::showNow);

    now_ = new QPushButton(QStringLiteral("Now"), this);
    now_->setObjectName(QStringLiteral("chartNowButton"));
    now_->setAccessibleName(QStringLiteral("Show the newest samples"));
    now_->setToolTip(QStringLiteral("Back to the newest samples (End)"));
    now_->setCursor(Qt::PointingHandCursor);
    now_->setFont(theme::font(theme::TextStyle::caption, true));
    now_->setIconSize(QSize(12, 12));
    now_->hide();
    connect(now_, &QPushButton::clicked, this, &LatencyHistoryChart::showNow);
    applyTheme();

    connect(monitor_.get(), &PingMonitor::changed, this, &LatencyHistoryChart::seriesChanged);
    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::appearance || key == keys::glassEnabled) {
            applyTheme();
        } else if (key == keys::latencyGreen || key == keys::latencyYellow ||
                   key == keys::scrollbackEnabled || key == keys::scrollbackMinutes) {
            readPreferences();
            seriesChanged();
        } else if (key == keys::use24Hour) {
            update();
        }
    });
    readPreferences();
    // The window starts out on the newest samples, not on an empty stretch after them.
    seriesChanged();
}

LatencyHistoryChart::~LatencyHistoryChart() = default;

void LatencyHistoryChart::readPreferences() {
    const Preferences& preferences = Preferences::instance();
    thresholds_ = repairedThresholds(preferences.doubleValue(keys::latencyGreen),
                                     preferences.doubleValue(keys::latencyYellow));
    span_ = history_chart::visibleSpan(preferences.boolValue(keys::scrollbackEnabled),
                                       preferences.integerValue(keys::scrollbackMinutes));
}

void LatencyHistoryChart::applyTheme() {
    glass::styleButton(*now_, true);
    now_->setIcon(icons::symbol(QStringLiteral("arrow.right.to.line"), QColor(0x0b, 0x1a, 0x2a)));
    now_->adjustSize();
    placeChildren();
    update();
}

history_chart::Bounds LatencyHistoryChart::bounds() const {
    return history_chart::bounds(monitor_->samples(), dateNow(), span_);
}

double LatencyHistoryChart::topValue() const {
    return chartTop(thresholds_, monitor_->stats().p95);
}

QRectF LatencyHistoryChart::chartArea() const {
    const int below = scrubberShown_ ? scrubber_->height() : kEmptyScrubberSpace;
    return QRectF(0, 0, width(), std::max(0, height() - below));
}

QRectF LatencyHistoryChart::plotArea() const {
    return painter_.plotArea(chartArea(), topValue());
}

void LatencyHistoryChart::seriesChanged() {
    const history_chart::Bounds now = bounds();
    if (following_)
        moveTo(now.highestStart(), now);
    else
        moveTo(scrollX_, now);
}

void LatencyHistoryChart::moveTo(Date start, const history_chart::Bounds& bounds) {
    scrollX_ = start;
    setFollowing(history_chart::isFollowing(scrollX_, bounds));
    scrubber_->setPosition(bounds, scrollX_);
    describePosition();
    const bool shown = history_chart::scrubberShown(bounds, plotArea().width());
    if (shown != scrubberShown_) {
        scrubberShown_ = shown;
        scrubber_->setVisible(shown);
    }
    placeChildren();
    update();
}

void LatencyHistoryChart::setFollowing(bool following) {
    if (following == following_)
        return;
    following_ = following;
    now_->setVisible(!following_);
    Q_EMIT followingChanged(following_);
}

void LatencyHistoryChart::panBy(double dx) {
    const history_chart::Bounds now = bounds();
    const std::optional<Date> start =
        history_chart::pannedStart(scrollX_, dx, plotArea().width(), now);
    if (!start)
        return;
    setFollowing(false);
    moveTo(*start, now);
}

void LatencyHistoryChart::scrub(Date start) {
    setFollowing(false);
    moveTo(start, bounds());
}

void LatencyHistoryChart::showNow() {
    const history_chart::Bounds now = bounds();
    setFollowing(true);
    moveTo(now.highestStart(), now);
}

void LatencyHistoryChart::setTargetName(const QString& name) {
    setAccessibleName(QStringLiteral("Latency history of %1").arg(name));
    scrubber_->setAccessibleName(QStringLiteral("History position of %1").arg(name));
    now_->setAccessibleName(QStringLiteral("Show the newest samples of %1").arg(name));
}

void LatencyHistoryChart::describePosition() {
    const QString where =
        following_ ? QStringLiteral("following the newest samples")
                   : QStringLiteral("%1 to %2")
                         .arg(timeLabel(scrollX_, true), timeLabel(scrollX_ + span_, true));
    if (where != accessibleDescription()) {
        setAccessibleDescription(where);
        scrubber_->setAccessibleDescription(where);
    }
}

void LatencyHistoryChart::keyPressEvent(QKeyEvent* event) {
    // A tenth of the window a press, or all of it a page.
    const double step = plotArea().width() / 10;
    switch (event->key()) {
    case Qt::Key_Left:
        panBy(step);
        break;
    case Qt::Key_Right:
        panBy(-step);
        break;
    case Qt::Key_PageUp:
        panBy(10 * step);
        break;
    case Qt::Key_PageDown:
        panBy(-10 * step);
        break;
    case Qt::Key_Home:
        if (const history_chart::Bounds now = bounds(); now.canPan())
            scrub(now.lowestStart());
        break;
    case Qt::Key_End:
        showNow();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void LatencyHistoryChart::placeChildren() {
    const QRectF plot = plotArea();
    if (scrubberShown_)
        scrubber_->setGeometry(int(plot.left()), height() - scrubber_->height(), int(plot.width()),
                               scrubber_->height());
    now_->move(int(plot.right()) - now_->width() - kNowMargin, int(plot.top()) + kNowMargin);
}

void LatencyHistoryChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    moveTo(scrollX_, bounds());
}

void LatencyHistoryChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const HistoryChartPainter::Window window{
        .start = scrollX_, .span = span_, .thresholds = thresholds_, .top = topValue()};
    painter_.paint(p, chartArea(), window, monitor_->samples());
    if (focus_ring::shown(*this))
        focus_ring::paint(p, plotArea().adjusted(-3, -3, 3, 3), 6);
}

void LatencyHistoryChart::wheelEvent(QWheelEvent* event) {
    const QPointF delta = event->pixelDelta().isNull()
                              ? QPointF(event->angleDelta()) / kAngleUnitsPerPoint
                              : QPointF(event->pixelDelta());
    const double dx = history_chart::panDelta(delta.x(), delta.y());
    if (dx != 0)
        panBy(dx);
    // Scrolling over the chart moves the chart only, never the views underneath.
    event->accept();
}

void LatencyHistoryChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    dragX_ = event->scenePosition().x();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void LatencyHistoryChart::mouseMoveEvent(QMouseEvent* event) {
    if (!dragX_)
        return QWidget::mouseMoveEvent(event);
    const double x = event->scenePosition().x();
    panBy(x - *dragX_);
    dragX_ = x;
    event->accept();
}

void LatencyHistoryChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    dragX_.reset();
    setCursor(Qt::OpenHandCursor);
    event->accept();
}

} // namespace vantorel
