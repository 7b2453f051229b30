#pragma once

#include "platform/Clock.h"
#include "ui/detail/HistoryChartPainter.h"
#include "ui/rules/HistoryChartGeometry.h"
#include "ui/rules/LatencyScale.h"

#include <QWidget>
#include <memory>
#include <optional>

class QPushButton;

namespace vantorel {

class ChartScrubber;
class PingMonitor;

// A window of at most ten minutes over a monitor's sample series, drawn as one bar per sample.
// It follows the newest sample until the user pans back in time (wheel, trackpad, dragging the
// chart or the scrubber under it, or Left and Right); "Now" or End brings it back.
class LatencyHistoryChart : public QWidget {
    Q_OBJECT

public:
    explicit LatencyHistoryChart(std::shared_ptr<PingMonitor> monitor, QWidget* parent = nullptr);
    ~LatencyHistoryChart() override;

    const std::shared_ptr<PingMonitor>& monitor() const { return monitor_; }
    // Start of the visible window.
    Date scrollX() const { return scrollX_; }
    bool following() const { return following_; }
    // Seconds visible at once.
    double span() const { return span_; }
    // Where the bars are drawn, in the widget's coordinates.
    QRectF plotArea() const;

    // Moves the window by `dx` points (positive goes back in time), when there is history to
    // pan through.
    void panBy(double dx);
    // Back to following the newest sample.
    void showNow();
    // Names the chart and its controls after the target, for screen readers.
    void setTargetName(const QString& name);

    QSize sizeHint() const override { return {480, 220}; }
    QSize minimumSizeHint() const override { return {160, 90}; }

Q_SIGNALS:
    void followingChanged(bool following);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void readPreferences();
    void seriesChanged();
    void scrub(Date start);
    history_chart::Bounds bounds() const;
    // Every change of the window start goes through here: it decides again whether the window
    // still follows.
    void moveTo(Date start, const history_chart::Bounds& bounds);
    void setFollowing(bool following);
    QRectF chartArea() const;
    double topValue() const;
    void placeChildren();
    // Tells screen readers which stretch of time is shown.
    void describePosition();
    void applyTheme();

    std::shared_ptr<PingMonitor> monitor_;
    HistoryChartPainter painter_;
    Thresholds thresholds_;
    double span_ = history_chart::kMaxSpanSeconds;
    Date scrollX_ = 0;
    bool following_ = true;
    std::optional<double> dragX_;
    bool scrubberShown_ = false;
    ChartScrubber* scrubber_ = nullptr;
    QPushButton* now_ = nullptr;
};

} // namespace vantorel
