#pragma once

#include "ui/rules/GaugeGeometry.h"

#include <QTimeLine>
#include <QWidget>

namespace vantorel {

// The round latency gauge: a 270-degree arc in three bands with the current zone lit, a needle
// that eases to its new angle, and the figure with its unit in the middle. Drawn in the largest
// square that fits the widget.
class DialGauge : public QWidget {
    Q_OBJECT

public:
    explicit DialGauge(QWidget* parent = nullptr);

    const gauge::Reading& reading() const { return reading_; }
    void setReading(const gauge::Reading& reading);
    // The angle the needle is drawn at now (degrees from the top), while it eases to its target.
    double needleAngle() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    gauge::Reading reading_;
    // The arc's line width as a fraction of the gauge's diameter.
    static constexpr double kLineRatio = 0.075;
    // The needle eases from `needleFrom_` to `needleTo_` along this time line. A time line rather
    // than a property animation, because it lets the frame rate be chosen.
    QTimeLine needle_;
    double needleFrom_ = 0;
    double needleTo_ = 0;
};

} // namespace vantorel
