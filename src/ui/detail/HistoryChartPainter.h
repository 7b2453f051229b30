#pragma once

#include "records/PingSample.h"
#include "ui/rules/LatencyScale.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <deque>
#include <vector>

class QPainter;

namespace vantorel {

// Draws the latency history chart: the threshold bands, the grid with its time and value labels,
// and one bar per sample of the window (answers in their latency colour, losses as full-height
// red). Bars that fall into the same pixel column are merged, so a dense series costs little more
// than the chart is wide.
class HistoryChartPainter {
public:
    struct Window {
        Date start = 0;
        double span = 600;
        Thresholds thresholds;
        double top = 1; // ms at the top of the value axis
    };

    explicit HistoryChartPainter(QFont labelFont);

    // The value-axis labels: round figures from 0 up to `top`, about one per `minSpacing` points of
    // a plot `plotHeight` points high.
    static std::vector<double> valueTicks(double top, double plotHeight);

    // Where the bars go inside `area`, leaving room for the value labels on the leading side and
    // the time labels underneath.
    QRectF plotArea(const QRectF& area, double top) const;

    void paint(QPainter& painter, const QRectF& area, const Window& window,
               const std::deque<PingSample>& samples);

private:
    void paintBands(QPainter& painter, const QRectF& plot, const Window& window) const;
    void paintValueAxis(QPainter& painter, const QRectF& area, const QRectF& plot,
                        const Window& window) const;
    void paintTimeAxis(QPainter& painter, const QRectF& area, const QRectF& plot,
                       const Window& window) const;
    void paintBars(QPainter& painter, const QRectF& plot, const Window& window,
                   const std::deque<PingSample>& samples);
    double valueAxisWidth(double top, double plotHeight) const;

    QFont labelFont_;
    double labelHeight_ = 0;
    QImage bars_; // reused from paint to paint
};

} // namespace vantorel
