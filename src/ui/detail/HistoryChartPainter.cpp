#include "ui/detail/HistoryChartPainter.h"

#include "settings/SettingRules.h"
#include "ui/controls/Theme.h"
#include "ui/rules/HistoryChartGeometry.h"
#include "ui/rules/TimeLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vantorel {

namespace {

constexpr double kTopMargin = 6;        // half a label above the highest value label
constexpr double kLabelGap = 6;         // between labels and the plot
constexpr double kMinValueSpacing = 36; // points between value labels
constexpr double kBandOpacity = 0.13;
constexpr double kLossOpacity = 0.55;
constexpr double kGridOpacity = 0.08;
constexpr double kMaxBarWidth = 10;
constexpr double kBarFill = 0.7; // share of the distance between samples a bar takes

// White lines vanish on the light glass; there the same faint line is drawn in black.
QColor gridColour() {
    return theme::withOpacity(theme::isDark() ? QColor(Qt::white) : QColor(Qt::black),
                              kGridOpacity);
}

QString valueText(double value) {
    return QString::number(value, 'g', 6);
}

// One bar per pixel column and colour: the tallest answer of each band and whether any probe
// was lost there.
struct Column {
    double x = 0;
    std::array<double, 3> tallest{0, 0, 0};
    bool lost = false;
    bool any = false;
};

} // namespace

HistoryChartPainter::HistoryChartPainter(QFont labelFont)
    : labelFont_(std::move(labelFont))
    , labelHeight_(QFontMetricsF(labelFont_).height()) {}

std::vector<double> HistoryChartPainter::valueTicks(double top, double plotHeight) {
    if (!(top > 0))
        return {0};
    const double maxSteps = std::max(1.0, std::floor(plotHeight / kMinValueSpacing));
    const double least = top / maxSteps;
    double magnitude = std::pow(10.0, std::floor(std::log10(least)));
    double step = magnitude * 10;
    for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (factor * magnitude >= least) {
            step = factor * magnitude;
            break;
        }
    }
    std::vector<double> values;
    for (int i = 0; i * step <= top * (1 + 1e-9) && i <= 1000; ++i)
        values.push_back(i * step);
    return values;
}

double HistoryChartPainter::valueAxisWidth(double top, double plotHeight) const {
    const QFontMetricsF metrics(labelFont_);
    double widest = 0;
    for (const double value : valueTicks(top, plotHeight))
        widest = std::max(widest, metrics.horizontalAdvance(valueText(value)));
    return std::ceil(widest);
}

QRectF HistoryChartPainter::plotArea(const QRectF& area, double top) const {
    const double plotHeight = std::max(1.0, area.height() - kTopMargin - labelHeight_ - 4);
    const double axis = valueAxisWidth(top, plotHeight) + kLabelGap;
    return {area.left() + axis, area.top() + kTopMargin, std::max(1.0, area.width() - axis - 1),
            plotHeight};
}

void HistoryChartPainter::paint(QPainter& painter, const QRectF& area, const Window& window,
                                const std::deque<PingSample>& samples) {
    const QRectF plot = plotArea(area, window.top);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintBands(painter, plot, window);
    paintBars(painter, plot, window, samples);
    painter.setFont(labelFont_);
    paintValueAxis(painter, area, plot, window);
    paintTimeAxis(painter, area, plot, window);
    painter.restore();
}

void HistoryChartPainter::paintBands(QPainter& painter, const QRectF& plot,
                                     const Window& window) const {
    const auto yOf = [&](double ms) {
        return plot.bottom() - std::clamp(ms / window.top, 0.0, 1.0) * plot.height();
    };
    const double green = yOf(window.thresholds.green);
    const double yellow = yOf(window.thresholds.yellow);
    painter.fillRect(QRectF(plot.left(), green, plot.width(), plot.bottom() - green),
                     theme::withOpacity(theme::latencyColour(LatencyColour::green), kBandOpacity));
    painter.fillRect(QRectF(plot.left(), yellow, plot.width(), green - yellow),
                     theme::withOpacity(theme::latencyColour(LatencyColour::yellow), kBandOpacity));
    painter.fillRect(QRectF(plot.left(), plot.top(), plot.width(), yellow - plot.top()),
                     theme::withOpacity(theme::latencyColour(LatencyColour::red), kBandOpacity));
}

void HistoryChartPainter::paintBars(QPainter& painter, const QRectF& plot, const Window& window,
                                    const std::deque<PingSample>& samples) {
    const Date end = window.start + window.span;
    const auto range = history_chart::visibleSamples(samples, window.start, end);
    if (range.begin >= range.end)
        return;
    const double pointsPerSecond = plot.width() / std::max(window.span, 1e-9);
    const std::size_t count = range.end - range.begin;
    const double interval =
        count > 1 ? (samples[range.end - 1].time - samples[range.begin].time) / double(count - 1)
                  : 1.0;
    const double barWidth = std::clamp(interval * pointsPerSecond * kBarFill, 1.0, kMaxBarWidth);

    // The bars go into an image of the plot's pixels, drawn in one go: the raster engine hands
    // every filled shape of some height to its thread pool, which for hundreds of thin bars
    // costs far more than the bars themselves.
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize size(int(std::ceil(plot.width() * ratio)), int(std::ceil(plot.height() * ratio)));
    if (bars_.size() != size)
        bars_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    bars_.setDevicePixelRatio(ratio);
    bars_.fill(Qt::transparent);
    const int pixelWidth = size.width();
    const int pixelHeight = size.height();
    uchar* const pixels = bars_.bits();
    const qsizetype stride = bars_.bytesPerLine();
    const auto pixelY = [&](double ms) {
        const double y = (1 - std::clamp(ms / window.top, 0.0, 1.0)) * plot.height();
        return std::clamp(int(std::lround(y * ratio)), 0, pixelHeight);
    };
    const QRgb lossColour = qPremultiply(theme::withOpacity(theme::red(), kLossOpacity).rgba());
    std::array<QRgb, 3> bandColour;
    for (const LatencyColour band :
         {LatencyColour::green, LatencyColour::yellow, LatencyColour::red})
        bandColour[std::size_t(band)] = qPremultiply(theme::latencyColour(band).rgba());

    // A column is drawn from the top down in layers that each end where the next begins: a loss
    // fills the whole height, and the tallest answer of each band is taller than any of the next
    // band down (the bands are ranges of latency), so every pixel is written once.
    const auto flush = [&](const Column& column) {
        if (!column.any)
            return;
        const double left = (column.x - barWidth / 2 - plot.left()) * ratio;
        const int x0 = std::clamp(int(std::lround(left)), 0, pixelWidth);
        const int x1 =
            std::clamp(std::max(x0 + 1, int(std::lround(left + barWidth * ratio))), 0, pixelWidth);
        if (x0 >= x1)
            return;
        struct Layer {
            int top;
            QRgb colour;
        };
        std::array<Layer, 4> layers{};
        int layerCount = 0;
        if (column.lost)
            layers[std::size_t(layerCount++)] = {0, lossColour};
        for (const LatencyColour band :
             {LatencyColour::red, LatencyColour::yellow, LatencyColour::green}) {
            const double tallest = column.tallest[std::size_t(band)];
            if (tallest > 0)
                layers[std::size_t(layerCount++)] = {pixelY(tallest),
                                                     bandColour[std::size_t(band)]};
        }
        for (int i = 0; i < layerCount; ++i) {
            const int bottom = i + 1 < layerCount ? std::max(layers[std::size_t(i) + 1].top,
                                                             layers[std::size_t(i)].top)
                                                  : pixelHeight;
            const QRgb colour = layers[std::size_t(i)].colour;
            for (int y = layers[std::size_t(i)].top; y < bottom; ++y) {
                auto* line = reinterpret_cast<QRgb*>(pixels + y * stride);
                std::fill(line + x0, line + x1, colour);
            }
        }
    };

    const Thresholds& t = window.thresholds;
    Column column;
    long columnIndex = std::numeric_limits<long>::min();
    for (std::size_t i = range.begin; i < range.end; ++i) {
        const PingSample& sample = samples[i];
        const double x = plot.left() + (sample.time - window.start) * pointsPerSecond;
        const long index = long(std::floor(x));
        if (index != columnIndex) {
            flush(column);
            column = Column{.x = x};
            columnIndex = index;
        }
        column.any = true;
        if (!sample.rtt) {
            column.lost = true;
            continue;
        }
        const auto band = std::size_t(latencyColour(*sample.rtt, t.green, t.yellow));
        column.tallest[band] = std::max(column.tallest[band], std::max(*sample.rtt, 1e-9));
    }
    flush(column);
    painter.drawImage(plot.topLeft(), bars_);
}

void HistoryChartPainter::paintValueAxis(QPainter& painter, const QRectF& area, const QRectF& plot,
                                         const Window& window) const {
    const QColor grid = gridColour();
    const QColor text = theme::secondaryText();
    for (const double value : valueTicks(window.top, plot.height())) {
        const double y = std::round(plot.bottom() - value / window.top * plot.height()) + 0.5;
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(text);
        const QRectF label(area.left(), y - labelHeight_ / 2, plot.left() - kLabelGap - area.left(),
                           labelHeight_);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, valueText(value));
    }
}

void HistoryChartPainter::paintTimeAxis(QPainter& painter, const QRectF& area, const QRectF& plot,
                                        const Window& window) const {
    const double step = history_chart::tickStep(window.span, plot.width());
    const bool withSeconds = history_chart::ticksShowSeconds(step);
    const QColor grid = gridColour();
    const QColor text = theme::secondaryText();
    const QFontMetricsF metrics(labelFont_);
    const double pointsPerSecond = plot.width() / std::max(window.span, 1e-9);
    double lastLabelRight = -std::numeric_limits<double>::infinity();
    for (const Date tick : history_chart::ticks(window.start, window.start + window.span, step)) {
        const double x = plot.left() + (tick - window.start) * pointsPerSecond;
        if (x < plot.left() - 0.5 || x > plot.right() + 0.5)
            continue;
        const double lineX = std::round(x) + 0.5;
        painter.setPen(grid);
        painter.drawLine(QPointF(lineX, plot.top()), QPointF(lineX, plot.bottom()));

        const QString label = timeLabel(tick, withSeconds);
        const double width = metrics.horizontalAdvance(label);
        // Centred under its line, but kept inside the chart, and left out rather than drawn over
        // its neighbour.
        const double left = std::clamp(x - width / 2, area.left(), area.right() - width);
        if (left < lastLabelRight + 8)
            continue;
        lastLabelRight = left + width;
        painter.setPen(text);
        painter.drawText(QRectF(left, plot.bottom() + 4, width + 1, labelHeight_),
                         Qt::AlignLeft | Qt::AlignTop, label);
    }
}

} // namespace vantorel
