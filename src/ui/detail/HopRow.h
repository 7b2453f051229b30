#pragma once

#include "records/HopStat.h"
#include "ui/rules/LatencyScale.h"

#include <QWidget>

namespace vantorel {

// One traceroute hop in the graph pane's hop list: its number, address and reverse name, a bar
// of its last latency over the three threshold bands, and the figure.
class HopRow : public QWidget {
    Q_OBJECT

public:
    explicit HopRow(QWidget* parent = nullptr);

    // `maxLatency` is the latency at the bar area's full width.
    void setHop(const HopStat& hop, double maxLatency, const Thresholds& thresholds);
    const HopStat& hop() const { return hop_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HopStat hop_;
    double maxLatency_ = 1;
    Thresholds thresholds_;
};

} // namespace vantorel
