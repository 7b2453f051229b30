#pragma once

#include "ui/rules/HistoryChartGeometry.h"

#include <QWidget>

namespace vantorel {

// The strip under the history chart: a thumb showing where the visible window lies in the whole
// history. Pressing or dragging anywhere on it asks for the window under the pointer; with focus,
// Left and Right move the thumb, Home goes to the oldest and End back to the newest.
class ChartScrubber : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStripHeight = 14;
    static constexpr int kPadding = 2;

    explicit ChartScrubber(QWidget* parent = nullptr);

    void setPosition(const history_chart::Bounds& bounds, Date scrollX);
    // The thumb as drawn, in the widget's coordinates.
    QRectF thumbRect() const;

Q_SIGNALS:
    void scrubbed(Date start);
    void nowRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF strip() const;
    void scrubTo(double x);

    history_chart::Bounds bounds_;
    Date scrollX_ = 0;
};

} // namespace vantorel
